// The control classes by name, and the dispatch of a control's messages to
// its class (one source per class: control_<class>.cpp).
#include <cstring>

#include "controls_internal.h"

namespace {

struct ClassName {
  const char* name;
  KvxWndKind kind;
};
const ClassName kClasses[] = {
    {"Button", kWndButton},      {"Static", kWndStatic},          {"Edit", kWndEdit},
    {"ComboBox", kWndCombo},     {"ListBox", kWndList},           {"SysListView32", kWndListView},
    {"SysHeader32", kWndHeader}, {"SysTreeView32", kWndTreeView},
};

}  // namespace

KvxWndKind eKvxControlKind(const char* className, const char** canonical) {
  if (!className || IS_INTRESOURCE(className)) return kWndUser;
  for (const ClassName& c : kClasses)
    if (iKvxCompareNoCase(c.name, className, strlen(c.name) + 1) == 0) {
      *canonical = c.name;
      return c.kind;
    }
  return kWndUser;
}

void vKvxControlSized(KvxWnd* w) {
  // A drop-down combo's window is its closed field, as high as its font
  // needs (21 pixels in the dialog font); the height asked for is the room
  // of the list it drops, which is not part of the window.
  if (w->kind != kWndCombo || (w->style & 3) < CBS_DROPDOWN) return;
  KvxFontMetrics m = sKvxFontMetrics(w->font ? (HGDIOBJ)w->font : hKvxSystemFont());
  w->rect.bottom = w->rect.top + m.cy + 8;
}

void vKvxControlCreated(KvxWnd* w) {
  vKvxControlSized(w);
  if (w->kind != kWndListView || (w->style & LVS_TYPEMASK) != LVS_REPORT) return;
  // A report list view has a header row as its child window.
  RECT rc;
  GetClientRect(w->handle, &rc);
  DWORD visible = (w->style & LVS_NOCOLUMNHEADER) ? 0 : WS_VISIBLE;
  w->header = hKvxCreateWindow(0, WC_HEADERA, "", WS_CHILD | visible, 0, 0, rc.right, 20, w->handle, 0, w->instance,
                               nullptr, nullptr);
}

LRESULT lKvxControlProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (w->kind) {
    case kWndButton:
      return lKvxButtonProc(w, msg, wParam, lParam);
    case kWndEdit:
      return lKvxEditProc(w, msg, wParam, lParam);
    case kWndCombo:
      return lKvxComboProc(w, msg, wParam, lParam);
    case kWndList:
      return lKvxListBoxProc(w, msg, wParam, lParam);
    case kWndListView:
      return lKvxListViewProc(w, msg, wParam, lParam);
    case kWndTreeView:
      return lKvxTreeViewProc(w, msg, wParam, lParam);
    default:
      return DefWindowProcA(w->handle, msg, wParam, lParam);
  }
}
