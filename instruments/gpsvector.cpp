// GPS baseline vectors from the files of satellite post-processing programs
// (instruments 50 to 55) and from Trimble binary record files (56). Each
// vector goes through the GPS setters of the record layer; the read
// operation stores the last one.
#include "instruments/gpsvector.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/fieldcut.h"
#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "win32.h"

namespace {

const int kLineSize = 400;  // 399 characters of a text line
const int kDx = 8, kDy = 16, kDz = 32, kSdX = 512, kSdY = 1024, kSdZ = 2048;

// A column field (1-based column, at most 32 characters), blanks cut;
// columns past the line's end are blank.
std::string sGpsField(const char* line, int column, int length) {
  char buf[33];
  if (length > 32) length = 32;
  sMboLineColumns(line, column - 1, length, buf);
  return sMboTrimCopy(buf, length);
}

void vSetNumber(int bit, const char* format, double v) {
  if (!std::isfinite(v)) return;
  char buf[64];
  iNumPrintC(buf, sizeof buf, format, v);
  vMboRecGpsSetField(bit, buf);
}

// The components, then the deviations (a component resets its deviation).
// A deviation that is not positive is left at its default.
void vSetVector(const double d[3], const double sd[3], const char* format = "%.6lf") {
  vSetNumber(kDx, format, d[0]);
  vSetNumber(kDy, format, d[1]);
  vSetNumber(kDz, format, d[2]);
  const int bits[3] = {kSdX, kSdY, kSdZ};
  for (int i = 0; i < 3; i++)
    if (sd && sd[i] > 0 && std::isfinite(sd[i])) vSetNumber(bits[i], "%.8lf", sd[i]);
}

// A correlation that cannot be formed (a deviation not positive) is 0.
double dCorrelation(double c, double s1, double s2) {
  double r = s1 > 0 && s2 > 0 ? c / (s1 * s2) : 0.0;
  return std::isfinite(r) ? r : 0.0;
}

void vSetCorrelations(double r12, double r13, double r23) { vMboRecGpsSetSigmas(1.0, r12, r13, 1.0, r23, 1.0); }

// A covariance matrix; a variance that is not positive leaves its
// deviation at 1 and its correlations at 0 rather than inventing them.
void vSetCovariance(double c11, double c12, double c13, double c22, double c23, double c33) {
  if (c11 > 0 && c22 > 0 && c33 > 0) {
    vMboRecGpsSetCovariance(c11, c12, c13, c22, c23, c33);
    return;
  }
  double sd[3] = {c11 > 0 ? std::sqrt(c11) : 0.0, c22 > 0 ? std::sqrt(c22) : 0.0, c33 > 0 ? std::sqrt(c33) : 0.0};
  const int bits[3] = {kSdX, kSdY, kSdZ};
  for (int i = 0; i < 3; i++)
    if (sd[i] > 0) vSetNumber(bits[i], "%.8lf", sd[i]);
  vSetCorrelations(dCorrelation(c12, sd[0], sd[1]), dCorrelation(c13, sd[0], sd[2]), dCorrelation(c23, sd[1], sd[2]));
}

// Up to n numbers from the text; the count read.
int iNumbers(const char* text, double* out, int n) {
  int k = 0;
  const char* p = text;
  while (k < n) {
    while (*p == ' ' || *p == '\t' || *p == ',') p++;
    // The usual plain decimal up to the next separator, read within those
    // bounds; anything else as the parser reads it.
    const char* e = p;
    while (*e && *e != ' ' && *e != '\t' && *e != ',') e++;
    if (e > p && boNumParsePlainC(p, (size_t)(e - p), &out[k])) {
      k++;
      p = e;
      continue;
    }
    char* end = nullptr;
    double v = dNumParseEndC(p, &end);
    if (end == p) break;
    out[k++] = v;
    p = end;
  }
  return k;
}

// The fields between separators, each taken whole from the text; with a
// blank separator TABs separate too and empty fields are dropped.
std::vector<std::string> Tokens(const char* text, char sep) {
  std::vector<std::string> out;
  for (const char* p = text;; p++) {
    const char* end = p;
    while (*end && *end != sep && !(sep == ' ' && *end == '\t')) end++;
    if (sep != ' ' || end > p) out.emplace_back(p, (size_t)(end - p));
    if (!*end) return out;
    p = end;
  }
}

// A text file being read, with its lines counted for the report of a cut
// line.
struct GpsText {
  uint32_t hRaw, hSide;
  int iLineNo;
};

bool boReadText(char* line, GpsText* text) {
  return boMboReadLineCounted(line, kLineSize, text->hRaw, text->hSide, &text->iLineNo);
}

// The whole raw file, for the binary readers; false when it cannot be read
// to its end.
bool boReadRawBytes(std::vector<unsigned char>* bytes) {
  FILE* fp = _fsopen(g_mboTransfer.sRawPath, "rb", _SH_DENYNO);
  if (!fp) return false;
  unsigned char chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, fp)) > 0) bytes->insert(bytes->end(), chunk, chunk + n);
  // A read error part-way is no whole file: vectors from half a record
  // table would pass for the survey.
  bool boWhole = !ferror(fp);
  fclose(fp);
  return boWhole;
}

// A field of a binary record; the files are little-endian, as is every
// machine that reads them.
template <class T>
T tLoad(const unsigned char* p) {
  T v;
  memcpy(&v, p, sizeof v);
  return v;
}

// A name of a fixed record: up to the first NUL, never past the field.
std::string sFixedName(const unsigned char* p, size_t size) {
  size_t n = 0;
  while (n < size && p[n]) n++;
  return std::string((const char*)p, n);
}

std::string sAfterColon(const char* line) {
  const char* colon = strchr(line, ':');
  return colon ? sMboTrimCopy(colon + 1, kLineSize) : std::string();
}

// A field's number as the record layer reads its text: the usual plain
// decimal within its bounds, any other field by its leading number as long
// as it starts like one; NaN (no number) otherwise.
double dFieldNumber(const char* text, size_t len) {
  double v;
  if (boNumParsePlainC(text, len, &v)) return v;
  return boMboIsNumber(text) ? dNumParseC(text) : NAN;
}
double dFieldNumber(const std::string& field) { return dFieldNumber(field.c_str(), field.size()); }

// The text from..end with the blanks at both ends cut equals the word.
bool boTrimmedIs(const char* from, const char* end, const char* word) {
  while (from < end && *from == ' ') ++from;
  while (end > from && end[-1] == ' ') --end;
  size_t n = strlen(word);
  return (size_t)(end - from) == n && memcmp(from, word, n) == 0;
}

// The text with the blanks at both ends cut (the end in place).
const char* sTrimBlanks(char* text) {
  while (*text == ' ') ++text;
  return sStrTrimRight(text);
}

}  // namespace

// ---- Leica ASCII ----
bool boGpsLeicaAsciiReadRaw(uint32_t hRaw, uint32_t hSide) {
  GpsText text{hRaw, hSide, 0};
  char line[kLineSize];
  bool boUnit = false, boCartesian = false;
  while (boReadText(line, &text)) {
    if (!boUnit) {
      if (strncmp(line, "@%Unit", 6) == 0) {
        if (iStrCmpNoCase(sAfterColon(line).c_str(), "m") == 0)
          boUnit = true;
        else
          vMsgWarning("can only do meters as unit");
      }
      continue;
    }
    if (strncmp(line, "@%Coordinate type:", 18) == 0) {
      if (!boCartesian) {
        boCartesian = iStrCmpNoCase(sAfterColon(line).c_str(), "Cartesian") == 0;
        if (!boCartesian) vMsgWarning("can only do Cartesian as coordsys");
      }
      continue;
    }
    if (strncmp(line, "@+", 2) == 0) {
      vMboRecGpsSetField(2, sGpsField(line, 3, 8).c_str());
    } else if (strncmp(line, "@-", 2) == 0) {
      vMboRecGpsSetField(4, sGpsField(line, 3, 8).c_str());
      vMboRecGpsSetNumber(kDx, dFieldNumber(sGpsField(line, 19, 15)));
      vMboRecGpsSetNumber(kDy, dFieldNumber(sGpsField(line, 34, 15)));
      vMboRecGpsSetNumber(kDz, dFieldNumber(sGpsField(line, 49, 15)));
    } else if (double q[7]; strncmp(line, "@=", 2) == 0 && iNumbers(line + 2, q, 7) == 7) {
      // m0 qxx qxy qxz qyy qyz qzz
      double cof[3] = {q[1], q[4], q[6]};
      double sd[3];
      bool boAll = true;
      for (int i = 0; i < 3; i++) {
        sd[i] = cof[i] > 0 ? q[0] * std::sqrt(cof[i]) : 0.0;
        if (!(sd[i] > 0)) boAll = false;
      }
      const int bits[3] = {kSdX, kSdY, kSdZ};
      for (int i = 0; i < 3; i++)
        if (sd[i] > 0) vSetNumber(bits[i], "%.8lf", sd[i]);
      double s[3] = {std::sqrt(std::fmax(cof[0], 0)), std::sqrt(std::fmax(cof[1], 0)), std::sqrt(std::fmax(cof[2], 0))};
      vSetCorrelations(dCorrelation(q[2], s[0], s[1]), dCorrelation(q[3], s[0], s[2]), dCorrelation(q[5], s[1], s[2]));
      if (!boAll) boMboWriteLine(hSide, (std::string("Accuracy without deviation kept as 1: ") + line).c_str());
    } else {
      boMboWriteLine(hSide, line);
    }
  }
  return false;
}

// ---- Trimble TGO export ----
bool boGpsTrimbleTgoReadRaw(uint32_t hRaw, uint32_t hSide) {
  GpsText text{hRaw, hSide, 0};
  char line[kLineSize];
  bool boGps = false;
  while (boReadText(line, &text)) {
    if (line[0] == '[') {
      boGps = strncmp(line, "[GPS]", 5) == 0;
      continue;
    }
    if (!boGps) {
      boMboWriteLine(hSide, line);
      continue;
    }
    const char* eq = strchr(line, '=');
    if (!eq || !boTrimmedIs(line, eq, "Vector")) continue;
    // The fields between colons, each ended in a copy of the line: the
    // text after the '=' copied whole, its first 15 colons ended in place
    // (the 15th field ends at the 15th colon; what follows is no field).
    char cut[kLineSize];
    char* f[15];
    size_t len[15];
    size_t rest = strlen(eq + 1);
    memcpy(cut, eq + 1, rest + 1);
    int count = 0;
    size_t from = 0;
    vForEachByte(cut, rest, ':', [&](size_t k) {
      cut[k] = '\0';
      f[count] = cut + from;
      len[count++] = k - from;
      from = k + 1;
      return count < 15;
    });
    if (count < 15) {
      f[count] = cut + from;
      len[count++] = rest - from;
    }
    for (; count < 15; count++) {  // "" at the copy's end
      f[count] = cut + rest;
      len[count] = 0;
    }
    vMboRecGpsSetField(2, sTrimBlanks(f[2]));
    vMboRecGpsSetField(4, sTrimBlanks(f[3]));
    vMboRecGpsSetNumber(kDx, dFieldNumber(f[4], len[4]));
    vMboRecGpsSetNumber(kDy, dFieldNumber(f[5], len[5]));
    vMboRecGpsSetNumber(kDz, dFieldNumber(f[6], len[6]));
    double c[6];
    int n = 0;
    while (n < 6 && !std::isnan(c[n] = dFieldNumber(f[7 + n], len[7 + n]))) n++;
    if (n == 6) vSetCovariance(c[0], c[1], c[2], c[3], c[4], c[5]);
    vMboRecGpsSetNumber(64, dFieldNumber(f[13], len[13]));
    vMboRecGpsSetNumber(128, dFieldNumber(f[14], len[14]));
  }
  return false;
}

// ---- Ashtech binary ----
bool boGpsAshtechReadRaw(uint32_t, uint32_t hSide) {
  const size_t kHeader = 84, kRecord = 2180;
  std::vector<unsigned char> b;
  if (!boReadRawBytes(&b) || b.size() < kHeader || memcmp(b.data(), "VECTOR FILE", 12) != 0) return false;
  bool boCovariance = tLoad<int16_t>(&b[74]) != 0;
  int count = tLoad<int16_t>(&b[78]);
  bool boFixed = boMsgYesNo("Solution type Fixed?\nelse solution type Float", true);
  const size_t comp = boFixed ? 2098 : 1164, dev = boFixed ? 2046 : 1112, cor = boFixed ? 2062 : 1128;
  for (int i = 0; i < count && kHeader + (i + 1) * kRecord <= b.size(); i++) {
    const unsigned char* r = &b[kHeader + i * kRecord];
    vMboRecGpsSetField(2, sFixedName(r, 129).c_str());
    vMboRecGpsSetField(4, sFixedName(r + 130, 129).c_str());
    double d[3] = {tLoad<double>(r + comp), tLoad<double>(r + comp + 8), tLoad<double>(r + comp + 16)};
    double s[3] = {tLoad<float>(r + dev), tLoad<float>(r + dev + 4), tLoad<float>(r + dev + 8)};
    double q[3] = {tLoad<float>(r + cor), tLoad<float>(r + cor + 4), tLoad<float>(r + cor + 8)};
    vSetVector(d, s);
    if (boCovariance) {
      vSetCorrelations(dCorrelation(q[0], s[0], s[1]), dCorrelation(q[1], s[0], s[2]), dCorrelation(q[2], s[1], s[2]));
    } else {
      for (double& v : q)
        if (!std::isfinite(v)) v = 0.0;
      vSetCorrelations(q[0], q[1], q[2]);
    }
    if (!(s[0] > 0 && s[1] > 0 && s[2] > 0))
      boMboWriteLine(hSide, ("Vector " + sFixedName(r, 129) + " - " + sFixedName(r + 130, 129) +
                             ": a deviation that is not positive is kept as 1")
                                .c_str());
  }
  return false;
}

// ---- Geolab ----
namespace {

bool boGeolabVector(const char* line, std::vector<std::string>* tokens) {
  if (!line[0]) return false;
  *tokens = Tokens(line + 1, ' ');
  return !tokens->empty() && (*tokens)[0].compare(0, 5, "cADXY") == 0;
}

bool boGeolabElem(const char* line) { return strlen(line) >= 5 && strncmp(line + 1, "ELEM", 4) == 0; }

// The numbers of a covariance line from its sixth character; zeros when
// the line does not hold them all.
void vGeolabRow(const char* line, double* out, int n) {
  for (int i = 0; i < n; i++) out[i] = 0.0;
  double v[3];
  if (strlen(line) > 5 && iNumbers(line + 5, v, n) == n)
    for (int i = 0; i < n; i++) out[i] = v[i];
}

}  // namespace

bool boGpsGeolabReadRaw(uint32_t hRaw, uint32_t hSide) {
  GpsText text{hRaw, hSide, 0};
  char line[kLineSize];
  std::vector<std::string> t;
  bool boHave = boReadText(line, &text);
  while (boHave) {
    if (!boGeolabVector(line, &t)) {
      boHave = boReadText(line, &text);
      continue;
    }
    t.resize(6);
    vMboRecGpsSetField(2, t[1].c_str());
    vMboRecGpsSetField(4, t[2].c_str());
    vMboRecGpsSetNumber(kDx, dFieldNumber(t[3]));
    vMboRecGpsSetNumber(kDy, dFieldNumber(t[4]));
    vMboRecGpsSetNumber(kDz, dFieldNumber(t[5]));
    // Up to its ELEM line; the next vector's line ends a vector without one.
    std::vector<std::string> next;
    while ((boHave = boReadText(line, &text)) && !boGeolabElem(line) && !boGeolabVector(line, &next)) {
    }
    if (!boHave || !boGeolabElem(line)) continue;
    // The ELEM line holds the first row.
    double c[6];
    vGeolabRow(line, c, 3);
    if (!boReadText(line, &text)) return false;
    vGeolabRow(line, c + 3, 2);
    if (!boReadText(line, &text)) return false;
    vGeolabRow(line, c + 5, 1);
    vSetCovariance(c[0], c[1], c[2], c[3], c[4], c[5]);
    boHave = boReadText(line, &text);
  }
  return false;
}

// ---- NGS Bluebook ----
namespace {

struct BlueStation {
  std::string sNumber;
  std::string sName;
};

bool boAllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The name of a station number; numbers compare as integers when both are.
bool boGpsBluebookStation(const std::string& number, const std::vector<BlueStation>& table, std::string* name) {
  for (const BlueStation& st : table) {
    bool boSame = boAllDigits(number) && boAllDigits(st.sNumber)
                      ? lNumParseC(number.c_str()) == lNumParseC(st.sNumber.c_str())
                      : number == st.sNumber;
    if (boSame) {
      *name = st.sName;
      return true;
    }
  }
  return false;
}

// The B-file beside the G-file: extension "B", or "b" on a file system
// that tells case.
FILE* pOpenBFile(std::string* path) {
  std::string raw = g_mboTransfer.sRawPath;
  size_t dot = raw.find_last_of('.');
  size_t slash = raw.find_last_of("/\\");
  std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? raw.substr(0, dot) : raw;
  *path = base + ".B";
  FILE* fp = _fsopen(path->c_str(), "rb", _SH_DENYNO);
  if (!fp) {
    std::string lower = base + ".b";
    fp = _fsopen(lower.c_str(), "rb", _SH_DENYNO);
  }
  return fp;
}

struct BlueVector {
  bool boPending = false;
  std::string sFrom, sTo;
  double d[3], sd[3];
};

double dScaled(const char* line, int column, int length, double scale, bool* ok) {
  std::string f = sGpsField(line, column, length);
  if (!boMboIsNumber(f.c_str())) {
    *ok = false;
    return 0.0;
  }
  return dNumParseC(f.c_str()) / scale;
}

void vDeliverBlue(BlueVector* v) {
  if (!v->boPending) return;
  vMboRecGpsSetField(2, v->sFrom.c_str());
  vMboRecGpsSetField(4, v->sTo.c_str());
  vSetVector(v->d, v->sd);
  v->boPending = false;
}

}  // namespace

bool boGpsBluebookReadRaw(uint32_t hRaw, uint32_t hSide) {
  GpsText text{hRaw, hSide, 0};
  std::string bpath;
  FILE* fp = pOpenBFile(&bpath);
  if (!fp) {
    vMsgWarning(("Unable to open " + bpath).c_str());
    return false;
  }
  std::vector<BlueStation> table;
  char line[kLineSize];
  int bLineNo = 0;
  while (fgets(line, sizeof line, fp)) {
    ++bLineNo;
    size_t n = strlen(line);
    bool boWhole = n > 0 && line[n - 1] == '\n';
    line[strcspn(line, "\r\n")] = 0;
    if (sGpsField(line, 7, 4) == "*80*") table.push_back({sGpsField(line, 11, 4), sGpsField(line, 15, 8)});
    // The tail of a longer line is no record.
    if (!boWhole && n == sizeof line - 1) {
      int c;
      bool boCut = false;
      while ((c = fgetc(fp)) != EOF && c != '\n')
        if (c != '\r') boCut = true;
      if (boCut) vMboReport(hSide, "LINE TOO LONG, CUT", sStrFormat("%d", bLineNo));
    }
  }
  fclose(fp);
  if (table.empty()) return false;
  BlueVector v;
  while (boReadText(line, &text)) {
    if (line[0] == 'C') {
      vDeliverBlue(&v);  // a vector without a D record keeps its components
      BlueVector c;
      if (!boGpsBluebookStation(sGpsField(line, 2, 4), table, &c.sFrom) ||
          !boGpsBluebookStation(sGpsField(line, 6, 4), table, &c.sTo))
        continue;
      bool ok = true;
      const int cols[3] = {10, 26, 42};
      for (int i = 0; i < 3; i++) {
        c.d[i] = dScaled(line, cols[i], 11, 10000.0, &ok);
        bool okSd = true;
        c.sd[i] = dScaled(line, cols[i] + 11, 5, 10000.0, &okSd);
      }
      if (!ok) continue;
      c.boPending = true;
      v = c;
    } else if (line[0] == 'D' && v.boPending) {
      double r[3] = {0, 0, 0};
      for (int col : {2, 17, 32}) {
        int row = iNumParseC(sGpsField(line, col, 3).c_str()), cl = iNumParseC(sGpsField(line, col + 3, 3).c_str());
        bool ok = true;
        double val = dScaled(line, col + 6, 9, 10000000.0, &ok);
        if (!ok) continue;
        if (row == 1 && cl == 2) r[0] = val;
        if (row == 1 && cl == 3) r[1] = val;
        if (row == 2 && cl == 3) r[2] = val;
      }
      vDeliverBlue(&v);
      vSetCorrelations(r[0], r[1], r[2]);
    }
  }
  vDeliverBlue(&v);
  return false;
}

// ---- Magellan ----
bool boGpsMagellanReadRaw(uint32_t hRaw, uint32_t hSide) {
  GpsText text{hRaw, hSide, 0};
  char line[kLineSize];
  double var[3] = {0, 0, 0};
  while (boReadText(line, &text)) {
    if (strncmp(line, "G1 ", 3) == 0) {
      std::vector<std::string> t = Tokens(line + 3, ' ');
      t.resize(4);
      std::string pair = t[0];
      if (pair.compare(0, 12, "SelfSurveyed") == 0) pair.erase(0, 12);
      size_t dash = pair.find('-');
      vMboRecGpsSetField(2, pair.substr(0, dash).c_str());
      vMboRecGpsSetField(4, dash == std::string::npos ? "" : pair.substr(dash + 1).c_str());
      vMboRecGpsSetNumber(kDx, dFieldNumber(t[1]));
      vMboRecGpsSetNumber(kDy, dFieldNumber(t[2]));
      vMboRecGpsSetNumber(kDz, dFieldNumber(t[3]));
    } else if (strncmp(line, "G2 ", 3) == 0) {
      if (iNumbers(line + 3, var, 3) != 3) var[0] = var[1] = var[2] = 0.0;
    } else if (double c[3]; strncmp(line, "G3 ", 3) == 0 && iNumbers(line + 3, c, 3) == 3) {
      vSetCovariance(var[0], c[0], c[1], var[1], c[2], var[2]);
    }
  }
  return false;
}

// ---- Trimble binary records ----
namespace {

struct TrimbleBlock {
  int iMode = 0;
  std::vector<std::string> stations;
  std::vector<std::pair<size_t, size_t>> vectors;
};

// The body of the record at *pos, its type and its skip bit; false at the
// end, for a body length of 0 or above 4000, or for a short body.
bool boGpsTrimbleBinReadRecord(const std::vector<unsigned char>& b, size_t* pos, unsigned* type, bool* skip,
                               const unsigned char** body, size_t* len) {
  if (*pos + 4 > b.size()) return false;
  unsigned word = tLoad<uint16_t>(&b[*pos]);
  *len = tLoad<uint16_t>(&b[*pos + 2]);
  if (*len == 0 || *len > 4000 || *pos + 4 + *len > b.size()) return false;
  *type = word & 0x0FFF;
  *skip = (word & 0x8000) != 0;
  *body = &b[*pos + 4];
  *pos += 4 + *len;
  return true;
}

void vTrimbleRecord(TrimbleBlock* blk, unsigned type, const unsigned char* body, size_t len) {
  // Each record is taken only when its body covers the fields read.
  if (type == 112 && len >= 12) {
    blk->iMode = tLoad<int16_t>(body + 10);
    blk->stations.clear();
    blk->vectors.clear();
    return;
  }
  if (blk->iMode != 1) return;
  if (type == 114 && len >= 17) {
    std::string name = sFixedName(body + 4, 13);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    blk->stations.push_back(name);
  } else if (type == 117 && len >= 6) {
    long from = tLoad<int16_t>(body + 2) - 1L, to = tLoad<int16_t>(body + 4) - 1L;
    long n = (long)blk->stations.size();
    if (from >= 0 && from < n && to >= 0 && to < n) blk->vectors.push_back({(size_t)from, (size_t)to});
  } else if (type == 118 && len >= 50 && !blk->vectors.empty()) {
    const auto& v = blk->vectors.back();
    vMboRecGpsSetField(2, blk->stations[v.first].c_str());
    vMboRecGpsSetField(4, blk->stations[v.second].c_str());
    double d[3] = {tLoad<double>(body + 2), tLoad<double>(body + 10), tLoad<double>(body + 18)};
    double sd[3] = {tLoad<double>(body + 26), tLoad<double>(body + 34), tLoad<double>(body + 42)};
    vSetVector(d, sd, "%.4lf");
  }
}

// 0 when the file has no usable header record, else 1.
int iGpsTrimbleBinRead(const std::vector<unsigned char>& b) {
  size_t pos = 0, len = 0;
  unsigned type = 0;
  bool skip = false;
  const unsigned char* body = nullptr;
  for (;;) {
    if (!boGpsTrimbleBinReadRecord(b, &pos, &type, &skip, &body, &len)) return 0;
    if (type == 255 && !skip) break;
  }
  if (len < 4 || tLoad<int16_t>(body) < 0 || tLoad<int16_t>(body + 2) < 0) return 1;
  TrimbleBlock blk;
  while (boGpsTrimbleBinReadRecord(b, &pos, &type, &skip, &body, &len))
    if (!skip) vTrimbleRecord(&blk, type, body, len);
  return 1;
}

}  // namespace

bool boGpsTrimbleBinReadRaw(uint32_t, uint32_t) {
  std::vector<unsigned char> b;
  if (boReadRawBytes(&b)) iGpsTrimbleBinRead(b);
  return false;
}
