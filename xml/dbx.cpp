// DBX import through the converter programs.
#include "xml/dbx.h"

#include <string>

#include "base/msgbox.h"
#include "base/paths.h"
#include "base/text.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"
#include "win32.h"

namespace {

const unsigned int kHeXmlSuccess = 5;

const char* const kHeXmlErrors[] = {
    "0: Valid options",
    "1 : Invalid options",
    "2 : Too much options",
    "3 : Job identification OK",
    "4 : Job identification failed",
    "5 : Conversion OK",
    "6 : Conversion failed",
    "7 : Database access OK",
    "8 : Database access failed",
    "9 : Invalid unit type",
    "10 : No Job found",
    "11 : Job not found",
    "12 : Path of job not exist",
    "13 : Path of job list file not exist",
    "14 : Path for output not exist(check disk driver first)",
    "15 : Configured output file as an existed directory",
    "16 : Wrong job type",
    "17 : Wrong Geoid model",
    "18 : Wrong CSCS model",
    "19 : Format file not exist",
    "20 : Geoid file not exist",
    "21 : CSCS file not exist",
    "22 : File creation failed",
    "23 : Path for DBX - Folder is too long(more than 169 characters)",
};

// A value in double quotes for a Windows command line. A trailing
// backslash is doubled: "C:\" would otherwise escape the closing quote.
std::string sQuoted(const std::string& value) {
  std::string q = "\"" + value;
  if (!value.empty() && value.back() == '\\') q += '\\';
  return q + "\"";
}

// Runs the program with the command line and waits for it. False when it
// could not be started; else its exit code in *puExit.
bool boRunProgram(const char* sProgram, const std::string& sCommandLine, unsigned int* puExit) {
  std::string line = sCommandLine;  // CreateProcessA may write into it
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(sProgram, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return false;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(pi.hProcess, &code)) code = 0xFFFFFFFFu;
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  *puExit = code;
  return true;
}

// The output file as it was before a run: whether it existed and when it
// was last written.
struct FileStamp {
  bool boExists;
  FILETIME written;
};

FileStamp StampOf(const char* sPath) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(sPath, GetFileExInfoStandard, &d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return FileStamp{false, {0, 0}};
  return FileStamp{true, d.ftLastWriteTime};
}

// True when the run created or rewrote the file; else the warning.
bool boFreshOutput(const char* sPath, const FileStamp& before) {
  FileStamp after = StampOf(sPath);
  if (after.boExists && (!before.boExists || after.written.dwLowDateTime != before.written.dwLowDateTime ||
                         after.written.dwHighDateTime != before.written.dwHighDateTime))
    return true;
  vMsgWarning(sStrFormat(sKvxPoGetText("The converter wrote no file: %s"), sPath));
  return false;
}

// The DBX path with the extension "xml" (257 bytes).
void vXmlPathOf(const char* sDbxPath, char* sOut) {
  sStrCopyN(sOut, sDbxPath, kPathSize);
  vPathSetExt(sOut, "xml");
}

// The geoid folder of the DBX import, "" when none is set.
std::string sGeoidFolder() {
  char folder[kPathSize] = "";
  const char* ini = g_mboTransfer.settings.sIniPath;
  if (ini && *ini) boKvxInifGet(ini, "MboFormatOptions", "LeicaDbxGeoideModelPath", folder, sizeof folder);
  return folder;
}

// The job lookup: -1 when the program could not be started.
int iFindJob(const char* sProgram, const char* sDbxPath, char* sJob, int iJobSize, char* sGeoid, int iGeoidSize) {
  if (iJobSize > 0) sJob[0] = 0;
  if (iGeoidSize > 0) sGeoid[0] = 0;
  char list[kPathSize];
  sPathGetTempDir(list, sizeof list);
  sStrCatN(list, "joblist.log", sizeof list);
  // A list that cannot be removed would be read again as this run's.
  if (boPathExists(list) && !DeleteFileA(list)) {
    vMsgWarning(sStrFormat("Unable to open %s", list));
    return 0;
  }
  char dir[kPathSize], base[kPathSize];
  sPathGetDir(sDbxPath, dir, sizeof dir);
  sPathGetBaseName(sDbxPath, base, sizeof base);
  unsigned int code = 0;
  if (!boRunProgram(sProgram, " /p " + sQuoted(dir) + " /l " + sQuoted(list), &code)) return -1;
  uint32_t h = hMboOpenFile(list, 0);
  if (!h) {
    vMsgWarning(sStrFormat("Unable to open %s", list));
    return 0;
  }
  bool found = boMboHeXmlParseJobList(h, base, sJob, iJobSize, sGeoid, iGeoidSize);
  vMboCloseFile(&h);
  return found ? 1 : 0;
}

}  // namespace

bool boMboHeXmlParseJobList(uint32_t hList, const char* sBaseName, char* sJob, int iJobSize, char* sGeoid,
                            int iGeoidSize) {
  char line[400], field[400];
  while (boMboReadLine(line, sizeof line, hList)) {
    if (!boStrGetField(line, ';', 6, field, sizeof field) || iStrCmpNoCase(field, sBaseName) != 0) continue;
    boStrGetField(line, ';', 0, field, sizeof field);
    // The name goes inside quotes on the next command line.
    std::string job;
    for (const char* p = field; *p; p++)
      if (*p != '"') job += *p;
    sStrCopyN(sJob, job.c_str(), iJobSize);
    if (boStrGetField(line, ';', 4, field, sizeof field)) sStrCopyN(sGeoid, field, iGeoidSize);
    return true;
  }
  return false;
}

bool boMboHeXmlFindJobName(const char* sProgram, const char* sDbxPath, char* sJob, int iJobSize, char* sGeoid,
                           int iGeoidSize) {
  return iFindJob(sProgram, sDbxPath, sJob, iJobSize, sGeoid, iGeoidSize) == 1;
}

void vMboHeXmlShowError(unsigned int uExitCode) {
  const char* text = uExitCode < sizeof kHeXmlErrors / sizeof kHeXmlErrors[0] ? kHeXmlErrors[uExitCode] : "";
  vMsgWarning(sStrFormat(sKvxPoGetText("HeXMLPC - error %s"), text));
}

char* sMboHeXmlConvertDbx(const char* sDbxPath) {
  if (!sDbxPath || !*sDbxPath) return nullptr;
  const char* found = sPathFindAppPath("HeXMLPC.exe", false);
  if (!found) return nullptr;
  char program[kPathSize], out[kPathSize], dir[kPathSize];
  sStrCopyN(program, found, sizeof program);
  vXmlPathOf(sDbxPath, out);
  sPathGetDir(sDbxPath, dir, sizeof dir);
  char job[kPathSize], geoid[kPathSize];
  int lookup = iFindJob(program, sDbxPath, job, sizeof job, geoid, sizeof geoid);
  if (lookup < 0) return nullptr;
  if (lookup == 0) vMsgWarning(sKvxPoGetText("No JobName exists for filename"));
  std::string line = " /p " + sQuoted(dir) + " /j " + sQuoted(job) + " /o " + sQuoted(out) + " /u " + sQuoted("3112");
  if (geoid[0]) {
    std::string folder = sGeoidFolder();
    char path[kPathSize];
    if (!folder.empty() && boPathExists(sPathJoin(folder.c_str(), geoid, path, sizeof path)))
      line += " /g " + sQuoted(path);
    else if (!folder.empty())
      vMsgWarning(
          sStrFormat(sKvxPoGetText("Geoide file %s given in DBX job.\nFile not found in Geoide file folder %s."), geoid,
                     folder.c_str()));
    else
      vMsgWarning(sStrFormat(
          sKvxPoGetText("Geoide file %s given in DBX job.\nGeoide file folder must be correctly set in Format setup!"),
          geoid));
  }
  FileStamp before = StampOf(out);
  unsigned int code = 0;
  if (!boRunProgram(program, line, &code)) return nullptr;
  if (code != kHeXmlSuccess) {
    vMboHeXmlShowError(code);
    return nullptr;
  }
  return boFreshOutput(out, before) ? sStrTemp(out) : nullptr;
}

char* sMboDbx2LandXmlConvert(const char* sDbxPath) {
  if (!sDbxPath || !*sDbxPath) return nullptr;
  const char* found = sPathFindAppPath("DBX2LandXML.exe", false);
  if (!found) return nullptr;
  char program[kPathSize], out[kPathSize], dbx[kPathSize];
  sStrCopyN(program, found, sizeof program);
  vXmlPathOf(sDbxPath, out);
  sStrCopyN(dbx, sDbxPath, sizeof dbx);
  vPathSetExt(dbx, "");
  std::string folder = sGeoidFolder();
  std::string geoidPart = folder.empty() ? "" : "@Geoid=" + folder + "\\";
  // The converter's own syntax: its paths are not quoted.
  std::string line = std::string(" @DBX=") + dbx + " @XML=" + out + " " + geoidPart + " @Angle=4";
  FileStamp before = StampOf(out);
  unsigned int code = 0;
  if (!boRunProgram(program, line, &code)) return nullptr;
  return boFreshOutput(out, before) ? sStrTemp(out) : nullptr;
}
