// One libFuzzer target per raw reader: the input becomes a raw file that the
// exported direct read takes as the instrument KVX_FUZZ_INSTRUMENT, on a
// field book that lives for the whole run (as in a host, reads follow each
// other). Message boxes take their default answer silently.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fieldbook/api.h"
#include "kvxtest_msgbox.h"
#include "kvxtest_shell.h"
#include "kvxtest_ui.h"

namespace {

MboHostRec g_host;
std::string g_raw;

int iSilentBox(void*, HWND, const char*, const char*, UINT style) { return kvxTestMsgBoxDefault(style); }

// A file dialog (the KOF reader's code parameter file) takes the parameter
// file written next to the input, so that its matching is fuzzed too.
std::string g_parameterFile;
void vChooseParameterFile(KvxFileDlg* d) { kvxFileDlgOk(d, {g_parameterFile}); }

// A modal dialog (the M5 reader's layout, resource 113) is accepted as it
// opens, with the layout the host's ini file gives it.
void vAcceptDialog(HWND dialog) {
  if (HWND ok = GetDlgItem(dialog, IDOK)) SendMessageA(ok, BM_CLICK, 0, 0);
  kvxUiDispatchPending();
}

void vWriteInput(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/kvx_fuzz_XXXXXX";
  if (!mkdtemp(dir)) abort();
    // A reader that goes by the file's extension names it with KVX_FUZZ_EXT.
#ifdef KVX_FUZZ_EXT
  g_raw = std::string(dir) + "/input." KVX_FUZZ_EXT;
#else
  g_raw = std::string(dir) + "/input.raw";
#endif
  memset(&g_host, 0, sizeof g_host);
  g_host.uVersion = MBO_HOST_REC_VERSION;
  snprintf(g_host.sIniPath, sizeof g_host.sIniPath, "%s/host.ini", dir);
  kvxTestSetMsgBoxHook(iSilentBox, nullptr);
  g_parameterFile = std::string(dir) + "/Telepar.ini";
  if (FILE* ini = fopen(g_parameterFile.c_str(), "wb")) {
    fputs(
        "[POINT]\r\n+=KOMMUNE:0301\r\nKU=FCODE:KUM node:s\r\nTR?*=FCODE:TRE Art:\"?\" H:\"H=*\"\r\n"
        "AB?=Q:\"?\"\r\nNY=node:y\r\n[LINE]\r\nVE*=FCODE:VEG B:\"*\" D:\r\n",
        ini);
    fclose(ini);
  }
  // The feature library a JobXML input names ("site.fxl") lies beside it,
  // so that its codes drive the JobXML reader's lines.
  if (FILE* fxl = fopen((std::string(dir) + "/site.fxl").c_str(), "wb")) {
    fputs(
        "<FeatureCodingDefinitions><FeatureDefinitions><LineFeatureDefinition Code=\"FENCE\"/>"
        "<PointFeatureDefinition Code=\"TREE\"/></FeatureDefinitions><ControlCodeDefinitions>"
        "<ControlCodeDefinition Code=\"END\" Type=\"End\"/><ControlCodeDefinition Code=\"CLS\" Type=\"Close\"/>"
        "<ControlCodeDefinition Code=\"ST\" Type=\"Start\"/><ControlCodeDefinition Code=\"JP\" Type=\"JoinToPoint\"/>"
        "<ControlCodeDefinition Code=\"NJ\" Type=\"NoJoin\"/></ControlCodeDefinitions></FeatureCodingDefinitions>",
        fxl);
    fclose(fxl);
  }
  kvxShellSetFileDialogHook(vChooseParameterFile);
  kvxUiSetModalHook(vAcceptDialog);
  if (FILE* ini = fopen(g_host.sIniPath, "wb")) {
    fputs("[KvxMbo]\r\nZeissM5PI=0,2, 2,1, 3,4, 7,4, 11,8, 19,8, PI=3\r\n", ini);
    fclose(ini);
  }
  vKvxMboInit(&g_host);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vWriteInput(g_raw, data, size);
#ifdef KVX_FUZZ_COMPANION
  // A reader that also opens a companion file beside the raw file (by
  // extension) gets the same bytes there.
  static const std::string companion = g_raw.substr(0, g_raw.find_last_of('.') + 1) + KVX_FUZZ_COMPANION;
  vWriteInput(companion, data, size);
#endif
  boKvxMboReadRawDirect(&g_host, KVX_FUZZ_INSTRUMENT, g_raw.c_str());
  return 0;
}
