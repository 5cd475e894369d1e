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
#include <vector>

#include "base/cnum.h"
#include "fieldbook/api.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "instruments/textfile.h"
#include "win32.h"

namespace {

const size_t kLineMax = 999;  // characters of a line the reader takes
const int kTs = 1;            // total-station kind

struct SbgLine {
  std::string sKeyword;
  std::string sValue;
};

struct SbgFile {
  MboTextFile* text = nullptr;
  bool boFirst = true;
  bool boPushed = false;  // sLine is to be taken again by the next read
  SbgLine line;
};

bool boIsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0; }

// The next line, split into keyword and value; false at the end of the file.
// A longer line is cut, and its tail is skipped rather than read as a line.
bool boNext(SbgFile* f) {
  if (f->boPushed) {
    f->boPushed = false;
    return true;
  }
  std::string s;
  if (!boMboTextFileLine(f->text, &s, kLineMax)) return false;
  // Editors may put a UTF-8 byte-order mark before the first keyword.
  if (f->boFirst && s.compare(0, 3, "\xEF\xBB\xBF") == 0) s.erase(0, 3);
  f->boFirst = false;
  size_t b = 0, e = s.size();
  while (b < e && boIsTrimmed(s[b])) ++b;
  while (e > b && boIsTrimmed(s[e - 1])) --e;
  s = s.substr(b, e - b);
  size_t blank = s.find(' ');
  f->line.sKeyword = s.substr(0, blank);
  f->line.sValue = blank == std::string::npos ? std::string() : s.substr(blank + 1);
  return true;
}

bool boIs(const SbgFile& f, const char* keyword) { return f.line.sKeyword == keyword; }
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

// The first max fields between commas into out (missing ones empty); its
// strings are reused record by record.
const std::vector<std::string>& Fields(const std::string& value, size_t max, std::vector<std::string>* out) {
  out->resize(max);
  size_t from = 0;
  bool more = true;
  for (size_t i = 0; i < max; i++) {
    if (!more) {
      (*out)[i].clear();
      continue;
    }
    size_t comma = value.find(',', from);
    (*out)[i].assign(value, from, comma == std::string::npos ? std::string::npos : comma - from);
    more = comma != std::string::npos;
    from = comma + 1;
  }
  return *out;
}

std::string sUnquoted(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

// A field that is a finite number; "e" or "--" give none.
std::optional<double> dNumber(const std::string& s) {
  double v;
  if (!boMboFiniteNumber(s.c_str(), &v)) return std::nullopt;
  return v;
}

std::string sPrint(const char* format, double v) {
  char buf[64];
  iNumPrintC(buf, sizeof buf, format, v);
  return buf;
}

void vReadStation(void* st, const std::string& value) {
  static std::vector<std::string> fields;
  const std::vector<std::string>& f = Fields(value, 32, &fields);
  boMboSetStAttr(kTs, st, 1, sUnquoted(f[0]).c_str());
  if (auto ih = dNumber(f[1])) boMboSetStAttr(kTs, st, 4, sPrint("%f", *ih).c_str());
  if (auto kelvin = dNumber(f[16])) boMboSetStAttr(kTs, st, 6, sPrint("%f", *kelvin - 273.15).c_str());
  if (auto pa = dNumber(f[17])) boMboSetStAttr(kTs, st, 5, sPrint("%f", *pa * 0.00750061683).c_str());
}

// An observation for a record of type 4 or 5; null for any other type.
void* pReadRecord(void* st, const std::string& value) {
  static std::vector<std::string> fields;
  const std::vector<std::string>& f = Fields(value, 10, &fields);
  if (f[0] != "4" && f[0] != "5") return nullptr;
  void* obs = pMboAddObs(kTs, st);
  if (!obs) return nullptr;
  boMboSetObsAttr(kTs, st, obs, 1, sUnquoted(f[1]).c_str());
  boMboSetObsAttr(kTs, st, obs, 2, f[2].c_str());
  if (dNumber(f[5])) boMboSetObsAttr(kTs, st, obs, 5, f[5].c_str());
  // The file's angles are radians; the parsers scale them through the
  // user's unit into the internal convention.
  if (auto hz = dMboStodHorDir(std::string_view(f[6]), false))
    boMboSetObsAttr(kTs, st, obs, 3, sPrint("%.10f", *hz).c_str());
  if (auto v = dMboStodVerDir(std::string_view(f[7]), false))
    boMboSetObsAttr(kTs, st, obs, 4, sPrint("%.10f", *v).c_str());
  if (dNumber(f[8])) boMboSetObsAttr(kTs, st, obs, 6, f[8].c_str());
  if (dNumber(f[9])) boMboSetObsAttr(kTs, st, obs, 7, (" (" + f[9] + ")").c_str());
  return obs;
}

// The reflector name of an "Attribute" value: the text after the last
// double quote before the value's last character, up to that character.
std::optional<std::string> sReflector(const std::string& value) {
  if (value.compare(0, 11, "\"Reflector\"") != 0 || value.size() < 2) return std::nullopt;
  size_t q = value.rfind('"', value.size() - 2);
  if (q == std::string::npos) return std::nullopt;
  return value.substr(q + 1, value.size() - 1 - (q + 1));
}

// The attribute list of an observation, up to and including its first end.
void vReadAttributes(SbgFile* f, void* st, void* obs) {
  if (!boNext(f) || !boIs(*f, "AttributeList")) return;
  while (boNext(f) && !boIs(*f, "end")) {
    if (!boIs(*f, "Attribute")) continue;
    auto name = sReflector(f->line.sValue);
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
      obs = pReadRecord(st, f->line.sValue);
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
    vReadStation(st, f->line.sValue);
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
