// Turning the resource tables into what the window manager reads.
#include "resources/resource.h"

#include <cstring>
#include <vector>

namespace {

// Code page 1252 at 0x80..0x9F; the five unassigned codes map to themselves.
const WORD kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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
  void Text(const char* s) {
    for (const unsigned char* p = (const unsigned char*)(s ? s : ""); *p; ++p)
      Word(*p >= 0x80 && *p < 0xA0 ? kCp1252High[*p - 0x80] : *p);
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
    w.Word(0);  // weight
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
