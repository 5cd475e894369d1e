// Edit controls.
#include <algorithm>

#include "controls_internal.h"

LRESULT lKvxEditProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT:
      w->text = Str(lParam);
      w->selStart = w->selEnd = 0;
      lKvxNotifyParent(w, EN_UPDATE);
      lKvxNotifyParent(w, EN_CHANGE);
      return TRUE;
    case EM_LIMITTEXT:
      w->limit = wParam ? (int)std::min<WPARAM>(wParam, 0x7FFFFFFE) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT:
      return w->limit;
    case EM_SETSEL: {
      int len = (int)w->text.size();
      int a = (int)(INT_PTR)wParam, b = (int)lParam;
      if (a < 0) {
        a = b = w->selEnd;
      } else {
        if (b < 0 || b > len) b = len;
        a = std::min(a, len);
        if (a > b) std::swap(a, b);
      }
      w->selStart = (DWORD)a;
      w->selEnd = (DWORD)b;
      return 0;
    }
    case EM_GETSEL:
      if (wParam) *(DWORD*)wParam = w->selStart;
      if (lParam) *(DWORD*)lParam = w->selEnd;
      return MAKELONG(w->selStart, w->selEnd);
    case EM_REPLACESEL: {
      size_t a = std::min<size_t>(w->selStart, w->text.size()), b = std::min<size_t>(w->selEnd, w->text.size());
      std::string s = Str(lParam);
      w->text.replace(a, b - a, s);
      w->selStart = w->selEnd = (DWORD)(a + s.size());
      lKvxNotifyParent(w, EN_CHANGE);
      return 0;
    }
    case EM_SETREADONLY:
      if (wParam)
        w->style |= ES_READONLY;
      else
        w->style &= ~(DWORD)ES_READONLY;
      return TRUE;
    case EM_GETLINECOUNT:
      return 1 + (LRESULT)std::count(w->text.begin(), w->text.end(), '\n');
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}
