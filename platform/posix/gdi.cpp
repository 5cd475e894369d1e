// GDI as far as text measuring goes: stock fonts with fixed metrics (every
// character has the font's average width), device contexts that remember
// their font. See win32_ui.h for the numbers.
#include <cstring>
#include <map>

#include "window_internal.h"

namespace {

struct Font {
  int index;  // stock object number, or -1 for the dialog font
  KvxFontMetrics metrics;
};

Font gFonts[] = {
    {OEM_FIXED_FONT, {8, 12}},      {ANSI_FIXED_FONT, {8, 13}},   {ANSI_VAR_FONT, {6, 13}},    {SYSTEM_FONT, {8, 16}},
    {DEVICE_DEFAULT_FONT, {8, 16}}, {SYSTEM_FIXED_FONT, {8, 15}}, {DEFAULT_GUI_FONT, {6, 13}}, {-1, {6, 13}},
};
const int kFontCount = (int)(sizeof gFonts / sizeof gFonts[0]);

// Other stock objects (brushes, pens) exist but measure nothing.
char gOtherStock[20];

std::map<HDC, HGDIOBJ> gDcs;
uintptr_t gNextDc = 0x70000;

const Font* FindFont(HGDIOBJ object) {
  for (const Font& f : gFonts)
    if ((HGDIOBJ)&f == object) return &f;
  return nullptr;
}

}  // namespace

KvxFontMetrics sKvxFontMetrics(HGDIOBJ font) {
  const Font* f = FindFont(font);
  return f ? f->metrics : KvxFontMetrics{8, 16};
}

HFONT hKvxDialogFont(void) { return (HFONT)&gFonts[kFontCount - 1]; }
HFONT hKvxSystemFont(void) { return (HFONT)GetStockObject(SYSTEM_FONT); }

extern "C" {

HDC WINAPI GetDC(HWND) {
  HDC dc = (HDC)gNextDc;
  gNextDc += 0x10;
  gDcs[dc] = GetStockObject(SYSTEM_FONT);
  return dc;
}

int WINAPI ReleaseDC(HWND, HDC dc) { return gDcs.erase(dc) ? 1 : 0; }

HGDIOBJ WINAPI GetStockObject(int index) {
  for (Font& f : gFonts)
    if (f.index == index) return (HGDIOBJ)&f;
  if (index >= 0 && index < (int)sizeof gOtherStock) return (HGDIOBJ)&gOtherStock[index];
  return nullptr;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
  auto it = gDcs.find(dc);
  if (it == gDcs.end() || !object) return nullptr;
  if (!FindFont(object)) return object;
  HGDIOBJ old = it->second;
  it->second = object;
  return old;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) { return object ? TRUE : FALSE; }

BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size) {
  auto it = gDcs.find(dc);
  if (it == gDcs.end() || !size || length < 0 || (length > 0 && !text)) return FALSE;
  KvxFontMetrics m = sKvxFontMetrics(it->second);
  size->cx = m.cx * length;
  size->cy = m.cy;
  return TRUE;
}

BOOL WINAPI GetTextMetricsA(HDC dc, LPTEXTMETRICA tm) {
  auto it = gDcs.find(dc);
  if (it == gDcs.end() || !tm) return FALSE;
  KvxFontMetrics m = sKvxFontMetrics(it->second);
  memset(tm, 0, sizeof *tm);
  tm->tmHeight = m.cy;
  tm->tmAscent = m.cy * 4 / 5;
  tm->tmDescent = m.cy - tm->tmAscent;
  tm->tmAveCharWidth = m.cx;
  tm->tmMaxCharWidth = m.cx;
  tm->tmWeight = 400;
  tm->tmLastChar = 0xFF;
  tm->tmDefaultChar = '?';
  tm->tmBreakChar = ' ';
  return TRUE;
}

}  // extern "C"
