// SBG survey text files: keyword lines nested with begin/end that list
// total-station set-ups and their measurements. The reader makes stations
// and observations directly; it creates no points and writes no side file.
#include "instruments/sbg.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/cnum.h"
#include "base/fieldcut.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "instruments/fixedtext.h"
#include "instruments/textfile.h"
#include "win32.h"

namespace {

const size_t kLineMax = 999;  // characters of a line the reader takes
const int kTs = 1;            // total-station kind

struct SbgFile {
  MboTextFile* text = nullptr;
  bool boFirst = true;
  bool boPushed = false;      // the line is to be taken again by the next read
  std::string sSpill;         // a line that the read buffer did not hold whole
  std::string_view sKeyword;  // both within the line as read, which the
  std::string_view sValue;    // reader may cut in place
  char* pValue = nullptr;     // sValue's first byte; pValue[size] may be set to NUL
};

bool boIsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0; }

// The next line, split into keyword and value; false at the end of the file.
// A longer line is cut, and its tail is skipped rather than read as a line.
bool boNext(SbgFile* f) {
  if (f->boPushed) {
    f->boPushed = false;
    return true;
  }
  char* s;
  size_t n;
  if (!boMboTextFileLineInPlace(f->text, &f->sSpill, kLineMax, &s, &n)) return false;
  // Editors may put a UTF-8 byte-order mark before the first keyword.
  if (f->boFirst && n >= 3 && memcmp(s, "\xEF\xBB\xBF", 3) == 0) {
    s += 3;
    n -= 3;
  }
  f->boFirst = false;
  size_t b = 0, e = n;
  while (b < e && boIsTrimmed(s[b])) ++b;
  while (e > b && boIsTrimmed(s[e - 1])) --e;
  std::string_view t(s + b, e - b);
  size_t blank = t.find(' ');
  f->sKeyword = t.substr(0, blank);
  // Without a blank the value is empty, at the line's trimmed end.
  f->pValue = blank == std::string_view::npos ? s + e : s + b + blank + 1;
  f->sValue = blank == std::string_view::npos ? std::string_view() : t.substr(blank + 1);
  return true;
}

bool boIs(const SbgFile& f, const char* keyword) { return f.sKeyword == keyword; }
bool boIsBeginOrEnd(const SbgFile& f) { return boIs(f, "begin") || boIs(f, "end"); }

// The next line that is neither begin nor end; false at the end of the file.
bool boNextContent(SbgFile* f) {
  while (boNext(f))
    if (!boIsBeginOrEnd(*f)) return true;
  return false;
}

// Skips lines up to the end that closes the block whose begin (or opening
// line, when it is not followed by a begin) was the last line read.
void vSkipBlock(SbgFile* f) {
  int depth = boIs(*f, "begin") ? 1 : 0;
  while (boNext(f)) {
    if (boIs(*f, "begin")) ++depth;
    if (boIs(*f, "end") && --depth <= 0) return;
  }
}

// The first fields between commas of a value (missing ones empty), cut in
// place: each comma becomes the end of the field before it. A field may hold
// NUL bytes: its C text ends at the first, its view holds them all.
struct SbgFields {
  static const size_t kMax = 32;
  const char* at[kMax];
  size_t len[kMax];
  std::string_view view(size_t i) const { return {at[i], len[i]}; }
  bool boIs(size_t i, const char* text) const { return view(i) == text; }
};

void vFields(SbgFile* file, size_t max, SbgFields* out) {
  char* s = file->pValue;
  size_t n = file->sValue.size(), from = 0, i = 0;
  vForEachByte(s, n, ',', [&](size_t k) {
    s[k] = '\0';
    out->at[i] = s + from;
    out->len[i] = k - from;
    from = k + 1;
    return ++i < max;
  });
  if (i < max) {
    s[n] = '\0';  // the value's end
    out->at[i] = s + from;
    out->len[i++] = n - from;
  }
  for (; i < max; i++) {
    out->at[i] = "";
    out->len[i] = 0;
  }
}

// Field i without double quotes at both ends, as a C text (the closing
// quote becomes its end).
const char* sUnquoted(SbgFields* f, size_t i) {
  size_t n = f->len[i];
  char* s = const_cast<char*>(f->at[i]);
  if (n < 2 || s[0] != '"' || s[n - 1] != '"') return s;
  s[n - 1] = '\0';
  return s + 1;
}

// A field that is a finite number; "e" or "--" give none.
std::optional<double> dNumber(const char* s) {
  double v;
  if (!boMboFiniteNumber(s, &v)) return std::nullopt;
  return v;
}

std::string sPrint(const char* format, double v) {
  char buf[64];
  iNumPrintC(buf, sizeof buf, format, v);
  return buf;
}

void vReadStation(void* st, SbgFile* file) {
  static SbgFields f;
  vFields(file, 32, &f);
  boMboSetStAttr(kTs, st, 1, sUnquoted(&f, 0));
  if (auto ih = dNumber(f.at[1])) boMboSetStAttr(kTs, st, 4, sPrint("%f", *ih).c_str());
  if (auto kelvin = dNumber(f.at[16])) boMboSetStAttr(kTs, st, 6, sPrint("%f", *kelvin - 273.15).c_str());
  if (auto pa = dNumber(f.at[17])) boMboSetStAttr(kTs, st, 5, sPrint("%f", *pa * 0.00750061683).c_str());
}

// The record's values go into the observation as the attribute setter
// stores their texts: a text cut to its field, a number with its mark. An
// angle passes as "%.10f" text; its value is that text's, computed without
// it where possible.
void vSetNumber(MboObsTs* obs, double* field, uint32_t flag, double v) {
  *field = v;
  obs->uFlags |= flag;
}
void vSetAngle(MboObsTs* obs, double* field, uint32_t flag, double v) {
  if (!boMboFixedTextValue(v, 10, &v)) v = dNumParseC(sPrint("%.10f", v).c_str());
  vSetNumber(obs, field, flag, v);
}

// An observation for a record of type 4 or 5; null for any other type.
void* pReadRecord(void* st, SbgFile* file) {
  static SbgFields f;
  static std::string remark;
  vFields(file, 10, &f);
  if (!f.boIs(0, "4") && !f.boIs(0, "5")) return nullptr;
  void* obs = pMboAddObs(kTs, st);
  if (!obs) return nullptr;
  auto* ts = static_cast<MboObsTs*>(obs);
  boMboSetName(&ts->target, sUnquoted(&f, 1));
  sStrCopyN(ts->sCode, f.at[2], sizeof ts->sCode);
  if (auto d = dNumber(f.at[5])) vSetNumber(ts, &ts->dDist, MBO_OBS_DIST_VALID, *d);
  // The file's angles are radians; the parsers scale them through the
  // user's unit into the internal convention.
  if (auto hz = dMboStodHorDir(f.view(6), false)) vSetAngle(ts, &ts->dHz, MBO_OBS_HZ_VALID, *hz);
  if (auto v = dMboStodVerDir(f.view(7), false)) vSetAngle(ts, &ts->dV, MBO_OBS_V_VALID, *v);
  if (auto th = dNumber(f.at[8])) vSetNumber(ts, &ts->dTargetHeight, MBO_OBS_TH_VALID, *th);
  if (dNumber(f.at[9])) {
    remark.assign(" (").append(f.view(9)).append(")");
    boMboSetObsRemark(ts, remark.c_str());
  }
  return obs;
}

// The reflector name of an "Attribute" value: the text after the last
// double quote before the value's last character, up to that character.
std::optional<std::string> sReflector(std::string_view value) {
  if (value.compare(0, 11, "\"Reflector\"") != 0 || value.size() < 2) return std::nullopt;
  size_t q = value.rfind('"', value.size() - 2);
  if (q == std::string_view::npos) return std::nullopt;
  return std::string(value.substr(q + 1, value.size() - 1 - (q + 1)));
}

// The attribute list of an observation, up to and including its first end.
void vReadAttributes(SbgFile* f, void* st, void* obs) {
  if (!boNext(f) || !boIs(*f, "AttributeList")) return;
  while (boNext(f) && !boIs(*f, "end")) {
    if (!boIs(*f, "Attribute")) continue;
    auto name = sReflector(f->sValue);
    if (!name) continue;
    char remark[50] = "";
    boMboGetObsAttr(kTs, st, obs, 7, remark, sizeof remark);
    boMboSetObsAttr(kTs, st, obs, 7, (*name + remark).c_str());
  }
}

void vReadRecords(SbgFile* f, void* st) {
  bool boOpen = false;
  void* obs = nullptr;
  if (!boNext(f)) return;
  for (;;) {
    if (boIs(*f, "end") && !boOpen) return;
    if (boIs(*f, "InmStation")) {  // a list left unclosed: the station is not lost
      f->boPushed = true;
      return;
    }
    if (boIs(*f, "InmRecord")) {
      boOpen = true;
      obs = pReadRecord(st, f);
    } else if (boIs(*f, "begin") && boOpen) {
      if (obs) {
        vReadAttributes(f, st, obs);
      } else {
        // A record without observation: its whole block, whatever it holds.
        vSkipBlock(f);
        boOpen = false;
      }
    }
    if (!boNext(f)) return;
    if (boOpen && boIs(*f, "end")) {
      boOpen = false;
      if (!boNext(f)) return;
    }
  }
}

void vRead(SbgFile* f) {
  if (!boNext(f)) return;
  if (boIs(*f, "FileHeader")) {
    if (!boNext(f)) return;
    vSkipBlock(f);
    if (!boNextContent(f)) return;
  } else if (boIsBeginOrEnd(*f) && !boNextContent(f)) {
    return;
  }
  if (!boIs(*f, "InmStnList")) return;
  for (;;) {
    while (!boIs(*f, "InmStation"))
      if (!boNext(f)) return;
    void* st = pMboNewStation(kTs);
    if (!st) return;
    vReadStation(st, f);
    if (!boNextContent(f)) return;
    if (boIs(*f, "InmRecordList")) {
      vReadRecords(f, st);
      if (!boNext(f)) return;
    }
  }
}

}  // namespace

bool boSbgReadFile(const char* sPath, uint32_t) {
  FILE* fp = sPath ? _fsopen(sPath, "rb", _SH_DENYNO) : nullptr;
  if (!fp) return false;
  std::unique_ptr<MboTextFile> text(new MboTextFile{});
  text->fp = fp;
  SbgFile f;
  f.text = text.get();
  vRead(&f);
  fclose(fp);
  return false;
}
