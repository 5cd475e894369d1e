// Smoke host for the Windows build: loads kvxfbio.dll as the host program
// does (LoadLibraryA, functions by name through GetProcAddress), starts the
// field book, creates points, lines, a polygon, a net and a station with an
// observation through the exports, reads them back, walks the containers
// that the host record received with kv2gr's own calls, and finishes.
// Runs under Wine from scripts/windows.sh (no display: no windows here);
// prints "winsmoke: success" and exits 0 when everything held.
//
// The exports' types come from the module's own headers (decltype), so a
// changed signature breaks this build instead of the call.
//
// KvxLib.dll's ini files and Windows' profile-string calls share one file.
//
// With the XML formats built in, it writes a LandXML file and reads it back.
//
// It also finds every dialog template and string of the resource tables in
// resources/ (linked in here as data) among the DLL's resources, byte for
// byte: the DLL's resource script is generated from the same tables.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "fieldbook/api.h"
#include "fieldbook/hostrec.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/project.h"
#include "fieldbook/stations.h"
#include "kv2gr.h"
#include "kvxlib.h"
#include "resources/resource.h"
#include "win32.h"

namespace {

int g_iChecks = 0;
int g_iFailures = 0;

void vCheck(bool ok, const char* what, int line) {
  ++g_iChecks;
  if (!ok) {
    ++g_iFailures;
    std::printf("winsmoke: FAILED (line %d): %s\n", line, what);
  }
}
#define CHECK(cond) vCheck((cond), #cond, __LINE__)

bool boSame(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

HMODULE g_hModule = nullptr;
int g_iMissing = 0;

// The export of that name, typed as the module's header declares it.
template <typename F>
F* pfnExport(const char* name) {
  FARPROC p = GetProcAddress(g_hModule, name);
  if (!p) {
    ++g_iMissing;
    std::printf("winsmoke: FAILED: kvxfbio.dll does not export %s\n", name);
  }
  return reinterpret_cast<F*>(reinterpret_cast<void*>(p));
}
// A local pointer named like the export, shadowing the header's declaration.
#define KVX_IMPORT(name) auto* const name = pfnExport<decltype(::name)>(#name)

// A comma for the decimal separator, as a host that calls setlocale may
// have: the module's numbers must not notice.
void vUseCommaLocale() {
  const char* names[] = {"German_Germany.1252", "de-DE", "de_DE.UTF-8", "German"};
  for (const char* name : names) {
    if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
      std::printf("winsmoke: host locale %s\n", name);
      return;
    }
  }
  std::setlocale(LC_ALL, "C");
  std::printf("winsmoke: no locale with a decimal comma here; numbers checked in \"C\"\n");
}

void vRun() {
  KVX_IMPORT(vKvxMboInit);
  KVX_IMPORT(vKvxMboInitCoSysVer);
  KVX_IMPORT(vKvxMboFinish);
  KVX_IMPORT(vKvxMboSetOwnerHelpFilePath);
  KVX_IMPORT(KvxMboAddLineElmBefore);
  KVX_IMPORT(pKvxMboPoPointsGet);
  KVX_IMPORT(pKvxMboLiLinesGet);
  KVX_IMPORT(pKvxMboYgPolygonsGet);
  KVX_IMPORT(pKvxMboTrNetsGet);
  KVX_IMPORT(pKvxMboPFieldsGet);
  KVX_IMPORT(KvxMboNewPoint);
  KVX_IMPORT(KvxMboNewOrExistingPoint);
  KVX_IMPORT(KvxMboNewLine);
  KVX_IMPORT(KvxMboAddLineElm);
  KVX_IMPORT(KvxMboNewPolygon);
  KVX_IMPORT(KvxMboAddPolygonElm);
  KVX_IMPORT(KvxMboNewTriangleNet);
  KVX_IMPORT(vMboSetPointXY);
  KVX_IMPORT(vMboSetPointZ);
  KVX_IMPORT(boMboGetPointXY);
  KVX_IMPORT(boMboGetPointZ);
  KVX_IMPORT(boMboGetPointXYprecalc);
  KVX_IMPORT(sMboGetPointPID);
  KVX_IMPORT(vMboSetElmXY);
  KVX_IMPORT(boMboGetElmXY);
  KVX_IMPORT(boMboGetElmPID);
  KVX_IMPORT(sMboGetLineObjID);
  KVX_IMPORT(sMboGetPolygonObjID);
  KVX_IMPORT(sMboGetTriangleNetObjID);
  KVX_IMPORT(pMboAddSt);
  KVX_IMPORT(pMboAddObs);
  KVX_IMPORT(pMboGetNextSt);
  KVX_IMPORT(pMboGetNextObs);
  KVX_IMPORT(boMboSetStAttr);
  KVX_IMPORT(boMboGetStAttr);
  KVX_IMPORT(boMboSetObsAttr);
  KVX_IMPORT(boMboGetObsAttr);
  KVX_IMPORT(boMboSetProjectAttr);
  KVX_IMPORT(boMboGetProjectAttr);
  KVX_IMPORT(boKvxMboRead);
  KVX_IMPORT(boKvxMboWrite);
  if (g_iMissing) return;

  // The import and export dialogs need a display and a user: here only
  // their refusal before any dialog, without a field book.
  std::printf("winsmoke: import and export dialogs not shown (no display): only their refusals run\n");
  CHECK(boKvxMboRead(nullptr) == 0);
  CHECK(boKvxMboWrite(nullptr) == 0);

  CHECK(pKvxMboPoPointsGet() == nullptr);

  static MboHostRec host;  // zeroed, as a host fills only what it has
  host.uVersion = MBO_HOST_REC_VERSION;
  vKvxMboInit(&host);
  vKvxMboInitCoSysVer(0);
  vKvxMboSetOwnerHelpFilePath("C:\\Korvax\\help");
  PoPoints* points = pKvxMboPoPointsGet();
  CHECK(points != nullptr);
  CHECK(host.uPointsOut == reinterpret_cast<uint64_t>(points));
  CHECK(host.uLinesOut == reinterpret_cast<uint64_t>(pKvxMboLiLinesGet()));
  CHECK(host.uPolygonsOut == reinterpret_cast<uint64_t>(pKvxMboYgPolygonsGet()));
  CHECK(pKvxMboTrNetsGet() != nullptr);
  CHECK(pKvxMboPFieldsGet() != nullptr);

  // Points.
  PoPoint* p1 = KvxMboNewPoint("P1");
  PoPoint* p2 = KvxMboNewOrExistingPoint("P2");
  CHECK(p1 && p2 && p1 != p2);
  CHECK(KvxMboNewOrExistingPoint("P2") == p2);
  vMboSetPointXY(p1, 1000.25, 2000.5);
  vMboSetPointZ(p1, 12.125);
  double x = 0, y = 0, z = 0;
  CHECK(boMboGetPointXY(p1, &x, &y) && x == 1000.25 && y == 2000.5);
  CHECK(boMboGetPointZ(p1, &z) && z == 12.125);
  CHECK(!boMboGetPointXYprecalc(p1));
  CHECK(!boMboGetPointXY(p2, &x, &y));
  CHECK(boSame(sMboGetPointPID(p2), "P2"));

  // A line of two vertices on the points, a polygon, a net.
  LiLine* line = KvxMboNewLine("L1");
  LiElm* e1 = KvxMboAddLineElm(line, "P1");
  LiElm* e2 = KvxMboAddLineElm(line, "P2");
  CHECK(line && e1 && e2);
  LiElm* e0 = KvxMboAddLineElmBefore(line, "P0", e1);
  CHECK(e0 && LiElmGetFirst(line) == e0);
  vMboSetElmXY(line, e2, 5.5, 6.5);
  char pid[100] = "";
  CHECK(boMboGetElmPID(line, e1, pid, sizeof pid) && boSame(pid, "P1"));
  CHECK(boMboGetElmXY(line, e2, &x, &y) && x == 5.5 && y == 6.5);
  CHECK(boSame(sMboGetLineObjID(line), "L1"));
  YgPolygon* polygon = KvxMboNewPolygon("Y1");
  CHECK(polygon && KvxMboAddPolygonElm(polygon, "P1") && KvxMboAddPolygonElm(polygon, "P2"));
  CHECK(boSame(sMboGetPolygonObjID(polygon), "Y1"));
  TrNet* net = KvxMboNewTriangleNet("N1");
  CHECK(net && boSame(sMboGetTriangleNetObjID(net), "N1"));

  // The host walks the containers it was given with kv2gr's own calls.
  int count = 0;
  for (PoPoint* p = PoPointsGetFirst(points); p; p = PoPointsGetNext(points, p)) ++count;
  CHECK(count == 2);
  CHECK(LiLinesGetFirst(pKvxMboLiLinesGet()) == line);
  CHECK(iLiElmGetCount(line) == 3);

  // A total station with one observation; numbers as text both ways.
  void* station = pMboAddSt(MBO_KIND_TS);
  CHECK(station && boMboSetStAttr(MBO_KIND_TS, station, 1, "S1"));
  CHECK(boMboSetStAttr(MBO_KIND_TS, station, 4, "1.55"));
  void* obs = pMboAddObs(MBO_KIND_TS, station);
  CHECK(obs && boMboSetObsAttr(MBO_KIND_TS, station, obs, 1, "P1"));
  CHECK(boMboSetObsAttr(MBO_KIND_TS, station, obs, 3, "1.5"));
  CHECK(boMboSetObsAttr(MBO_KIND_TS, station, obs, 5, "123.4567"));
  CHECK(pMboGetNextSt(MBO_KIND_TS, nullptr) == station);
  CHECK(pMboGetNextSt(MBO_KIND_TS, station) == nullptr);
  CHECK(pMboGetNextObs(MBO_KIND_TS, station, nullptr) == obs);
  char text[64] = "";
  CHECK(boMboGetStAttr(MBO_KIND_TS, station, 1, text, sizeof text) && boSame(text, "S1"));
  CHECK(boMboGetObsAttr(MBO_KIND_TS, station, obs, 1, text, sizeof text) && boSame(text, "P1"));
  CHECK(boMboGetObsAttr(MBO_KIND_TS, station, obs, 3, text, sizeof text) && boSame(text, "1.50000000"));
  CHECK(boMboGetObsAttr(MBO_KIND_TS, station, obs, 5, text, sizeof text) && boSame(text, "123.45670"));
  CHECK(pMboAddSt(3) == nullptr);

  // BOOL results are exactly 0 or 1 in all 32 bits, on both paths.
  CHECK(boMboGetObsAttr(MBO_KIND_TS, station, obs, 999, text, sizeof text) == 0);
  CHECK(boMboGetObsAttr(MBO_KIND_TS, station, obs, 1, text, sizeof text) == 1);
  CHECK(boMboGetElmXY(line, e1, &x, &y) == 0 && boMboGetElmXY(line, e2, &x, &y) == 1);
  CHECK(boMboGetProjectAttr("NO SUCH KEY", text, sizeof text) == 0);
  CHECK(boMboSetProjectAttr("PROJECT", "Smoke") == 1);
  CHECK(boMboGetProjectAttr("PROJECT", text, sizeof text) && boSame(text, "Smoke"));

  vKvxMboFinish();
  CHECK(pKvxMboPoPointsGet() == nullptr);

  // The host may start again: an empty field book.
  vKvxMboInit(&host);
  CHECK(pKvxMboPoPointsGet() != nullptr && PoPointsGetFirst(pKvxMboPoPointsGet()) == nullptr);
  CHECK(pMboGetNextSt(MBO_KIND_TS, nullptr) == nullptr);
  CHECK(KvxMboNewOrExistingPoint("P1") != nullptr);
  vKvxMboFinish();
  vKvxMboFinish();  // twice does no harm
}

// KvxLib's ini calls and the profile-string calls work on one file, and
// each keeps what the other wrote.
void vCheckIniFiles() {
  char path[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = std::strrchr(path, '\\');
  CHECK(n > 0 && n < MAX_PATH && slash);
  if (!slash) return;
  std::strcpy(slash + 1, "winsmoke.ini");
  DeleteFileA(path);
  CHECK(WritePrivateProfileStringA("Foreign", "Keep", "yes", path));
  vKvxInifPut(path, "KvxMbo", "MboType", "95");
  KvxInif* ini = pKvxInifOpen(path, 1);
  CHECK(ini && boKvxInifSetSection(ini, "KvxMbo"));
  vKvxInifPutEntry(ini, "MboType95", "convinstrno:1");
  vKvxInifClose(ini);
  char text[64] = "";
  GetPrivateProfileStringA("kvxmbo", "mbotype", "", text, sizeof text, path);
  CHECK(boSame(text, "95"));
  GetPrivateProfileStringA("KvxMbo", "MboType95", "", text, sizeof text, path);
  CHECK(boSame(text, "convinstrno:1"));
  CHECK(boKvxInifGet(path, "Foreign", "Keep", text, sizeof text) && boSame(text, "yes"));
  CHECK(DeleteFileA(path));
}

// LandXML through the direct calls: a field book written and read back, the
// numbers unchanged under the host's comma locale (libxml2 is linked into
// the DLL).
void vCheckLandXml() {
#ifndef KVX_WITHOUT_XML
  KVX_IMPORT(vKvxMboInit);
  KVX_IMPORT(vKvxMboFinish);
  KVX_IMPORT(KvxMboNewPoint);
  KVX_IMPORT(vMboSetPointXY);
  KVX_IMPORT(vMboSetPointZ);
  KVX_IMPORT(boMboGetPointXY);
  KVX_IMPORT(boMboGetPointZ);
  KVX_IMPORT(sMboGetPointPID);
  KVX_IMPORT(pKvxMboPoPointsGet);
  KVX_IMPORT(boKvxMboWriteRawDirect);
  KVX_IMPORT(boKvxMboReadRawDirect);
  if (g_iMissing) return;
  char dir[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(nullptr, dir, MAX_PATH);
  char* slash = std::strrchr(dir, '\\');
  CHECK(n > 0 && n < MAX_PATH && slash);
  if (!slash) return;
  slash[1] = 0;
  static MboHostRec host;
  host.uVersion = MBO_HOST_REC_VERSION;
  std::snprintf(host.sIniPath, sizeof host.sIniPath, "%swinsmoke_lxml.ini", dir);
  std::string xml = std::string(dir) + "winsmoke.xml";
  DeleteFileA(xml.c_str());  // no overwrite question
  vKvxMboInit(&host);
  PoPoint* p = KvxMboNewPoint("J1.A2.100");
  vMboSetPointXY(p, 2000.5, 7001.25);
  vMboSetPointZ(p, 100.125);
  vPoPointSetField(p, "KUM & \xe6\xf8\xe5");
  CHECK(boKvxMboWriteRawDirect(&host, 25, xml.c_str()) == 1);
  CHECK(boKvxMboReadRawDirect(&host, 25, xml.c_str()) == 1);
  PoPoint* back = PoPointsGetFirst(pKvxMboPoPointsGet());
  double x = 0, y = 0, z = 0;
  CHECK(back && boSame(sMboGetPointPID(back), "J1.A2.100"));
  CHECK(back && boMboGetPointXY(back, &x, &y) && x == 2000.5 && y == 7001.25);
  CHECK(back && boMboGetPointZ(back, &z) && z == 100.125);
  CHECK(back && boSame(sPoPointGetField(back), "KUM & \xe6\xf8\xe5"));
  CHECK(back && PoPointsGetNext(pKvxMboPoPointsGet(), back) == nullptr);
  vKvxMboFinish();
  CHECK(DeleteFileA(xml.c_str()));
  DeleteFileA(host.sIniPath);
#endif
}

// The DLL's dialog templates and strings are the tables' own.
void vCheckResources() {
  int dialogs = 0, strings = 0;
  for (int i = 0; g_resDialogs[i]; ++i, ++dialogs) {
    const ResDialog* dialog = g_resDialogs[i];
    HRSRC found = FindResourceA(g_hModule, MAKEINTRESOURCEA(dialog->iId), MAKEINTRESOURCEA(5));
    CHECK(found != nullptr);
    if (!found) continue;
    size_t size = iResBuildTemplate(dialog, nullptr, 0);
    BYTE* expected = new BYTE[size];
    iResBuildTemplate(dialog, expected, size);
    const void* bytes = LockResource(LoadResource(g_hModule, found));
    CHECK(SizeofResource(g_hModule, found) == size && bytes && std::memcmp(bytes, expected, size) == 0);
    delete[] expected;
  }
  for (int t = 0; g_resStringTables[t].pStrings; ++t)
    for (int i = 0; i < g_resStringTables[t].iCount; ++i, ++strings) {
      const ResString& s = g_resStringTables[t].pStrings[i];
      // The text as the dialog builder turns code page 1252 into UTF-16.
      ResDialog probe{};
      probe.pszCaption = s.pszText;
      BYTE bytes[1024] = {};
      size_t size = iResBuildTemplate(&probe, bytes, sizeof bytes);
      const WCHAR* text = reinterpret_cast<const WCHAR*>(bytes + 26);
      WCHAR loaded[512] = {};
      int n = LoadStringW(g_hModule, s.uId, loaded, 512);
      CHECK(size <= sizeof bytes && n == static_cast<int>(wcslen(text)) && wcscmp(loaded, text) == 0);
    }
  std::printf("winsmoke: %d dialogs and %d strings found in the DLL\n", dialogs, strings);
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  vUseCommaLocale();
  g_hModule = LoadLibraryA("kvxfbio.dll");
  if (!g_hModule) {
    std::printf("winsmoke: FAILED: LoadLibraryA(kvxfbio.dll), error %lu\n", static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  vRun();
  vCheckIniFiles();
  vCheckLandXml();
  vCheckResources();
  CHECK(FreeLibrary(g_hModule) != FALSE);
  if (g_iFailures || g_iMissing) {
    std::printf("winsmoke: %d of %d checks failed, %d exports missing\n", g_iFailures, g_iChecks, g_iMissing);
    return 1;
  }
  std::printf("winsmoke: %d checks passed\nwinsmoke: success\n", g_iChecks);
  return 0;
}
