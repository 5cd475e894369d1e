// Turning the resource tables into what the window manager reads.
#include "resources/resource.h"

#include <cstring>
#include <vector>

namespace {

struct Writer {
  BYTE* buffer;
  size_t size;
  size_t at = 0;

  void Word(WORD v) {
    if (at + 2 <= size) {
      buffer[at] = (BYTE)(v & 0xFF);
      buffer[at + 1] = (BYTE)(v >> 8);
    }
    at += 2;
  }
  void Dword(DWORD v) {
    Word((WORD)(v & 0xFFFF));
    Word((WORD)(v >> 16));
  }
  // A code page 1252 text as UTF-16, with its terminator.
  void Text(const char* s) {
    int n = s ? (int)strlen(s) : 0;
    std::vector<WCHAR> wide((size_t)n + 1);
    if (n > 0) n = MultiByteToWideChar(1252, 0, s, n, wide.data(), n);
    for (int i = 0; i < n; ++i) Word((WORD)wide[(size_t)i]);
    Word(0);
  }
  void Align4() {
    while (at % 4) {
      if (at < size) buffer[at] = 0;
      ++at;
    }
  }
};

}  // namespace

size_t iResBuildTemplate(const ResDialog* d, BYTE* buffer, size_t size) {
  if (!d) return 0;
  Writer w{buffer, buffer ? size : 0};
  DWORD style = d->dwStyle | (d->pszFont ? DS_SETFONT : 0);
  w.Word(1);
  w.Word(0xFFFF);
  w.Dword(0);  // help id
  w.Dword(d->dwExStyle);
  w.Dword(style);
  w.Word((WORD)d->iControls);
  w.Word((WORD)d->x);
  w.Word((WORD)d->y);
  w.Word((WORD)d->cx);
  w.Word((WORD)d->cy);
  w.Word(0);  // no menu
  w.Word(0);  // the dialog class
  w.Text(d->pszCaption);
  if (style & DS_SETFONT) {
    w.Word(d->wPointSize);
    w.Word(0);       // weight
    w.Word(0x0100);  // not italic, character set 1
    w.Text(d->pszFont);
  }
  for (int i = 0; i < d->iControls; ++i) {
    const ResControl& c = d->pControls[i];
    w.Align4();
    w.Dword(0);  // help id
    w.Dword(c.dwExStyle);
    w.Dword(c.dwStyle | WS_CHILD);
    w.Word((WORD)c.x);
    w.Word((WORD)c.y);
    w.Word((WORD)c.cx);
    w.Word((WORD)c.cy);
    w.Dword((DWORD)c.iId);
    w.Text(c.pszClass);
    w.Text(c.pszText);
    w.Word(0);  // no creation data
  }
  return w.at;
}

#ifdef _WIN32
// On Windows the resource compiler binds the resources into the module.
BOOL boResRegisterDialog(HINSTANCE, const ResDialog*) { return TRUE; }
void vResRegisterStrings(HINSTANCE, const ResString*, int) {}
#else
BOOL boResRegisterDialog(HINSTANCE inst, const ResDialog* dialog) {
  size_t n = iResBuildTemplate(dialog, nullptr, 0);
  if (!n) return FALSE;
  std::vector<BYTE> bytes(n);
  iResBuildTemplate(dialog, bytes.data(), n);
  return kvxRegisterDialogTemplate(inst, dialog->iId, bytes.data(), n);
}

void vResRegisterStrings(HINSTANCE inst, const ResString* strings, int count) {
  for (int i = 0; strings && i < count; ++i) kvxRegisterString(inst, strings[i].uId, strings[i].pszText);
}

#endif

void vResRegisterAll(HINSTANCE inst) {
  for (int i = 0; g_resDialogs[i]; ++i) boResRegisterDialog(inst, g_resDialogs[i]);
  for (int i = 0; g_resStringTables[i].pStrings; ++i)
    vResRegisterStrings(inst, g_resStringTables[i].pStrings, g_resStringTables[i].iCount);
}
