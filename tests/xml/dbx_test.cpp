// DBX import through stand-ins for the two converter programs, registered
// under App Paths: the command lines they get, their results, and the
// failures (exit codes, nothing written, not registered).
#include "xml/dbx.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fieldbook/transfer_context.h"
#include "kvxtest_registry.h"
#include "testing/standin.h"
#include "testing/tempdir.h"
#include "testing/ui_driver.h"
#include "win32.h"

namespace {

using kvxtest::WinPath;
using Runs = std::vector<std::vector<std::string>>;

const char* const kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

class DbxImport : public ::testing::Test {
 protected:
  void SetUp() override {
    vMboTransferStateClear();
    tmp_.UseAsTemp("tmp");  // the job list goes to the temporary folder: this test's own
    setenv("KVX_STANDIN_LOG", tmp_.Path("args.log").c_str(), 1);
    setenv("KVX_STANDIN_JOBLIST",
           tmp_.Write("joblist.src", "Other;a;b;c;x.gem;d;OTHER\nJo\"b1;a;b;c;geo.gem;d;SURVEY\n").c_str(), 1);
    setenv("KVX_STANDIN_OUTPUT", tmp_.Write("out.src", "<LandXML/>").c_str(), 1);
    ini_ = tmp_.Path("host.ini");
    g_mboTransfer.settings.sIniPath = ini_.c_str();
    dbx_ = tmp_.Write("data/survey.xcf", "dbx");
  }
  void TearDown() override {
    for (const char* v : {"KVX_STANDIN_LOG", "KVX_STANDIN_JOBLIST", "KVX_STANDIN_OUTPUT", "KVX_STANDIN_EXIT"})
      unsetenv(v);
    KvxTestRegClear();
    vMboTransferStateClear();
  }
  void Register(const char* program) {
    KvxTestRegSetString(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + program).c_str(), nullptr,
                        WinPath(KVX_STANDIN).c_str());
  }
  void GeoidFolder(const std::string& folder) {
    WritePrivateProfileStringA("MboFormatOptions", "LeicaDbxGeoideModelPath", folder.c_str(), ini_.c_str());
  }
  Runs Logged() { return kvxtest::StandinRuns(tmp_.Path("args.log")); }
  std::string Converted(char* result) { return result ? result : "(null)"; }
  kvxtest::TempDir tmp_;
  std::string ini_, dbx_;
};

TEST_F(DbxImport, HeXmlFindsTheJobAndItsGeoidAndConverts) {
  Register("HeXMLPC.exe");
  tmp_.Write("geoid/geo.gem", "g");
  GeoidFolder(tmp_.Win("geoid"));
  setenv("KVX_STANDIN_EXIT", "5", 1);
  EXPECT_EQ(Converted(sMboHeXmlConvertDbx(WinPath(dbx_).c_str())), tmp_.Win("data/survey.xml"));
  EXPECT_TRUE(std::filesystem::exists(tmp_.Path("data/survey.xml")));
  Runs want = {{"/p", tmp_.Win("data"), "/l", tmp_.Win("tmp/joblist.log")},
               {"/p", tmp_.Win("data"), "/j", "Job1", "/o", tmp_.Win("data/survey.xml"), "/u", "3112", "/g",
                tmp_.Win("geoid/geo.gem")}};
  EXPECT_EQ(Logged(), want);
  EXPECT_TRUE(UiBoxLog().empty());
}

TEST_F(DbxImport, HeXmlFailuresAreWarnedAndGiveNothing) {
  Register("HeXMLPC.exe");
  // The job's geoid file is not in the folder: warned, converted without it;
  // the exit code's text from the table.
  GeoidFolder(tmp_.Win("geoid"));
  setenv("KVX_STANDIN_EXIT", "6", 1);
  vUiExpectBox(IDOK, "Geoide file geo.gem given in DBX job.\nFile not found in Geoide file folder");
  vUiExpectBox(IDOK, "HeXMLPC - error 6 : Conversion failed");
  EXPECT_EQ(sMboHeXmlConvertDbx(WinPath(dbx_).c_str()), nullptr);
  EXPECT_EQ(Logged().back().size(), 8u);  // no /g
  // A name the list does not hold: an empty job, and the program decides.
  // A crash's code is beyond the table: an empty text.
  std::string other = tmp_.Write("data/unknown.xcf", "dbx");
  setenv("KVX_STANDIN_EXIT", "-1", 1);
  vUiExpectBox(IDOK, "No JobName exists for filename");
  vUiExpectBox(IDOK, "HeXMLPC - error ");
  EXPECT_EQ(sMboHeXmlConvertDbx(WinPath(other).c_str()), nullptr);
  EXPECT_EQ(UiBoxLog().back().sText, "HeXMLPC - error ");
  EXPECT_EQ(Logged().back()[3], "");
  // Success claimed, but no file written by the run: the old one is not
  // taken.
  tmp_.Write("data/survey.xml", "stale");
  unsetenv("KVX_STANDIN_OUTPUT");
  setenv("KVX_STANDIN_EXIT", "5", 1);
  GeoidFolder("");
  vUiExpectBox(IDOK, "Geoide file folder must be correctly set in Format setup!");
  vUiExpectBox(IDOK, "The converter wrote no file");
  EXPECT_EQ(sMboHeXmlConvertDbx(WinPath(dbx_).c_str()), nullptr);
}

TEST_F(DbxImport, LandXmlConverterCommandLineAndNoStaleFile) {
  Register("DBX2LandXML.exe");
  GeoidFolder(tmp_.Win("geoid"));
  EXPECT_EQ(Converted(sMboDbx2LandXmlConvert(WinPath(dbx_).c_str())), tmp_.Win("data/survey.xml"));
  Runs want = {{"@DBX=" + tmp_.Win("data/survey"), "@XML=" + tmp_.Win("data/survey.xml"),
                "@Geoid=" + tmp_.Win("geoid") + "\\", "@Angle=4"}};
  EXPECT_EQ(Logged(), want);
  // The run writes nothing: the file of the first run is not taken again.
  unsetenv("KVX_STANDIN_OUTPUT");
  setenv("KVX_STANDIN_EXIT", "3", 1);
  vUiExpectBox(IDOK, "The converter wrote no file");
  EXPECT_EQ(sMboDbx2LandXmlConvert(WinPath(dbx_).c_str()), nullptr);
  EXPECT_TRUE(std::filesystem::exists(tmp_.Path("data/survey.xml")));  // left alone
}

TEST_F(DbxImport, ConvertersNotRegisteredGiveNothingQuietly) {
  EXPECT_EQ(sMboHeXmlConvertDbx(WinPath(dbx_).c_str()), nullptr);
  EXPECT_EQ(sMboDbx2LandXmlConvert(WinPath(dbx_).c_str()), nullptr);
  EXPECT_TRUE(Logged().empty());
  EXPECT_TRUE(UiBoxLog().empty());
}

}  // namespace
