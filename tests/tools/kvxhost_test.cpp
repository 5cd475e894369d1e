// The command-line host, run as a user runs it: its output and exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "testing/tempdir.h"

namespace fs = std::filesystem;

namespace {

class KvxHost : public ::testing::Test {
 protected:
  // Runs kvxhost with the arguments (its own ini and temp folder); gives
  // standard output and error together, and the exit status.
  std::string sRun(const std::string& args, int* status) {
    std::string cmd = "TMPDIR=" + m_dir + " " KVX_HOST_TOOL " --ini " + m_dir + "/host.ini " + args + " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    int rc = pclose(pipe);
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
  }
  kvxtest::TempDir tmp_;
  std::string m_dir = tmp_.Path();
};

const std::string kSample = KVX_SOURCE_DIR "/examples/site.are";

TEST_F(KvxHost, ListsTheInstrumentsFromTheModulesStringTable) {
  int rc;
  std::string out = sRun("instruments", &rc);
  EXPECT_EQ(0, rc);
  EXPECT_NE(std::string::npos, out.find(" 10  Geodat PCMCIA\n")) << out;
  EXPECT_NE(std::string::npos, out.find(" 95  Leica GSI\n")) << out;
}

TEST_F(KvxHost, ConvertsAndShowsTheSameContents) {
  int rc;
  std::string shown = sRun("show pcmcia " + kSample, &rc);
  EXPECT_EQ(0, rc) << shown;
  EXPECT_EQ(0u, shown.find("points 12, lines ")) << shown;
  EXPECT_NE(std::string::npos, shown.find("  101                  x=1000.000 y=5000.000 z=10.250 code=KUM\n")) << shown;
  std::string out = m_dir + "/copy.raw";
  std::string converted = sRun("convert 10 " + kSample + " 11 " + out, &rc);
  EXPECT_EQ(0, rc) << converted;
  EXPECT_NE(std::string::npos, converted.find("written " + out)) << converted;
  // The copy holds the same points, with their codes and heights.
  std::string again = sRun("show 11 " + out, &rc);
  EXPECT_EQ(0, rc);
  EXPECT_EQ(shown.substr(shown.find('\n')), again.substr(again.find('\n')));
}

TEST_F(KvxHost, ReportsWhatTheReaderDidNotTake) {
  int rc;
  std::string out = sRun("--report show 10 " KVX_TEST_DATA "/geodat/every_label.raw", &rc);
  EXPECT_EQ(0, rc);
  EXPECT_NE(std::string::npos, out.find("  UNKNOWN CODE : 42=mystery_value\n")) << out;
}

TEST_F(KvxHost, UnknownInstrumentsMissingFilesAndBadUsageFailClearly) {
  int rc;
  std::string out = sRun("show nosuch " + kSample, &rc);
  EXPECT_EQ(1, rc);
  EXPECT_NE(std::string::npos, out.find("no instrument matches \"nosuch\"")) << out;
  out = sRun("show geodat " + kSample, &rc);
  EXPECT_EQ(1, rc);
  EXPECT_NE(std::string::npos, out.find("matches more than one instrument")) << out;
  out = sRun("show 10 " + m_dir + "/missing.are", &rc);
  EXPECT_EQ(1, rc);
  EXPECT_NE(std::string::npos, out.find("cannot read " + m_dir + "/missing.are")) << out;
  out = sRun("convert 10 " + kSample + " 62 " + m_dir + "/x.raw", &rc);  // 62 writes nothing
  EXPECT_EQ(1, rc);
  EXPECT_NE(std::string::npos, out.find("writing")) << out;
  out = sRun("frobnicate", &rc);
  EXPECT_EQ(1, rc);
  EXPECT_NE(std::string::npos, out.find("usage: kvxhost")) << out;
  EXPECT_EQ(0, (sRun("--help", &rc), rc));
}

}  // namespace
