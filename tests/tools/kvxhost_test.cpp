// The command-line host, run as a user runs it: its output and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "testing/tempdir.h"

namespace fs = std::filesystem;

namespace {

class KvxHost : public ::testing::Test {
 protected:
  // Runs kvxhost with the arguments (its own ini and temp folder); gives
  // standard output and error together, and the exit status.
  std::string sRun(const std::string& args, int* status) {
    return sRunAs("TMPDIR=" + m_dir + " " KVX_HOST_TOOL " --ini " + m_dir + "/host.ini " + args, status);
  }
  std::string sRunAs(const std::string& line, int* status) {
    std::string cmd = line + " 2>&1";
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
  EXPECT_NE(std::string::npos, shown.find("  101  N=5000.000 E=1000.000 z=10.250 code=KUM\n")) << shown;
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
  EXPECT_NE(std::string::npos, out.find("instrument 62 has no writer")) << out;
  // A number with leading zeros is the same number.
  std::string shown = sRun("show 010 " + kSample, &rc);
  EXPECT_EQ(0, rc) << shown;
  EXPECT_EQ(sRun("show 10 " + kSample, &rc), shown);
  out = sRun("frobnicate", &rc);
  EXPECT_EQ(1, rc);
  EXPECT_NE(std::string::npos, out.find("usage: kvxhost")) << out;
  EXPECT_EQ(0, (sRun("--help", &rc), rc));
}

// Folders and files named with letters beyond ASCII, in and out: the module
// gets them in its code page, the user sees them as typed.
TEST_F(KvxHost, NamesWithNorwegianLettersInAndOut) {
  std::string dir = m_dir + "/Målinger é";  // UTF-8, as the terminal gives it
  fs::create_directory(dir);
  fs::copy_file(kSample, dir + "/Innmålt.are");
  std::string in = "'" + dir + "/Innmålt.are'", out = dir + "/ut ø.xml";
  int rc;
  std::string converted = sRun("convert 10 " + in + " 25 '" + out + "'", &rc);
  EXPECT_EQ(0, rc) << converted;
  EXPECT_NE(std::string::npos, converted.find("written " + out)) << converted;
  EXPECT_TRUE(fs::is_regular_file(out));
  std::string shown = sRun("--report show 25 '" + out + "'", &rc);
  EXPECT_EQ(0, rc) << shown;
  EXPECT_NE(std::string::npos, shown.find("points 12, lines 2")) << shown;
  // GRØFT, a code of the sample, is shown as UTF-8; a name 1252 lacks is refused.
  EXPECT_NE(std::string::npos, (shown = sRun("show 10 " + in, &rc))
                                   .find("code=GR\xC3\x98"
                                         "FT\n"))
      << shown;
  shown = sRun("show 10 '" + m_dir + "/\xCE\xA9.are'", &rc);  // omega: not in 1252
  EXPECT_EQ(1, rc);
  EXPECT_NE(std::string::npos, shown.find("code page 1252 cannot hold it")) << shown;
  // Nothing is left in the temporary folder after a run.
  for (const fs::directory_entry& e : fs::directory_iterator(m_dir))
    EXPECT_NE(0u, e.path().filename().string().rfind("kvxhost-", 0)) << e.path();
}

// Questions: the default answer, or Yes with --yes; each printed with the
// answer taken. A KOF copy keeps its lines only when asked to.
TEST_F(KvxHost, QuestionsAreAnsweredAndShown) {
  int rc;
  std::string kof = m_dir + "/a.kof";
  std::string out = sRun("convert 10 " + kSample + " 98 " + kof, &rc);
  EXPECT_EQ(0, rc) << out;
  EXPECT_NE(std::string::npos, out.find("kvxhost: message: Skriv linjer til KOF? [answer: No]")) << out;
  EXPECT_NE(std::string::npos, sRun("show 98 " + kof, &rc).find("lines 0,"));
  out = sRun("--yes convert 10 " + kSample + " 98 " + kof, &rc);
  EXPECT_EQ(0, rc) << out;
  EXPECT_NE(std::string::npos, out.find("Skriv linjer til KOF? [answer: Yes]")) << out;
  EXPECT_NE(std::string::npos, sRun("show 98 " + kof, &rc).find("lines 2,"));
  // An exact name wins over names that only contain it.
  std::string xml = m_dir + "/a.xml";
  EXPECT_EQ(0, (sRun("convert 10 " + kSample + " landxml " + xml, &rc), rc));
}

// Every job that did not run whole fails with its reason, and leaves the
// target as it was.
TEST_F(KvxHost, AJobThatCannotRunWholeSaysWhyAndExitsOne) {
  std::string target = m_dir + "/keep.are";
  kvxtest::WriteFile(target, "5=KEEP\r\n");
  fs::create_directory(m_dir + "/folder");
  std::string empty = m_dir + "/empty.xml";
  kvxtest::WriteFile(empty, "<LandXML/>");
  struct Case {
    std::string args, says;
  } cases[] = {
      {"convert 10 " + kSample + " 24 " + m_dir + "/x.m5", "needs the dialog \"Trimble DiNi (M5 format)\""},
      {"convert 25 " + kSample + " 10 " + target, "reading " + kSample + " as instrument 25 failed"},
      {"convert 25 " + empty + " 10 " + target, "nothing read from " + empty + " as instrument 25"},
      {"convert 10 " + target + " 11 " + target, target + " is the input file"},
      {"convert 10 " + kSample + " 11 " + m_dir + "/folder", "cannot write " + m_dir + "/folder: is a directory"},
      {"convert 10 " + kSample + " 11 " + m_dir + "/none/x.raw", "no such folder " + m_dir + "/none"},
      {"show 10 " + m_dir + "/folder", "cannot read " + m_dir + "/folder: is a directory"},
      {"show 10 " + m_dir + "/none.are", "cannot read " + m_dir + "/none.are: no such file or directory"},
      {"show 4294967306 " + kSample, "no instrument number 4294967306"},
      {"show 28 " + kSample, "instrument 28 has no reader"},
      {"convert 28 " + kSample + " 10 " + target, "instrument 28 has no reader"},
      {"convert 10 " + kSample + " 11 ''", "the output file's name is empty"},
      {"convert 10 " + kSample + " 11 " + m_dir + "/dangling.are",
       "cannot write " + m_dir + "/dangling.are: the link's target does not exist"},
      {"--ini " + m_dir + "/none/k.ini show 10 " + kSample, "cannot create the settings file " + m_dir + "/none/k.ini"},
      {"--ini " + m_dir + "/folder show 10 " + kSample, "is a directory"},
      {"show 10 " + kSample + " --ini", "--ini needs a file name"},
  };
  fs::create_symlink(m_dir + "/none/target.are", m_dir + "/dangling.are");
  for (const Case& c : cases) {
    int rc;
    std::string out = sRun(c.args, &rc);
    EXPECT_EQ(1, rc) << c.args;
    EXPECT_NE(std::string::npos, out.find(c.says)) << c.args << "\n" << out;
    // A name that cannot be written to is refused before anything is read.
    if (c.says.find("cannot write") != std::string::npos || c.says.find("name is empty") != std::string::npos) {
      EXPECT_EQ(std::string::npos, out.find("points ")) << c.args << "\n" << out;
    }
  }
  EXPECT_TRUE(fs::is_symlink(m_dir + "/dangling.are"));
  EXPECT_FALSE(fs::exists(m_dir + "/none"));
  EXPECT_EQ("5=KEEP\r\n", kvxtest::ReadFile(target));
  int rc;
  std::string out = sRunAs("env -u HOME -u XDG_CONFIG_HOME " KVX_HOST_TOOL " show 10 " + kSample, &rc);
  EXPECT_EQ(1, rc);
  EXPECT_NE(std::string::npos, out.find("name a settings file with --ini FILE")) << out;
}

// A name or code cannot move the terminal's cursor or colour its text:
// control characters are shown as '?'.
TEST_F(KvxHost, ShowsControlCharactersOfNamesAndCodesAsQuestionMarks) {
  std::string raw = m_dir + "/control.are";
  kvxtest::WriteFile(raw, "5=E\x1b[2J\r\n4=K\x07\x7F\x81\tX\r\n37=1.000\r\n38=2.000\r\n");
  int rc;
  std::string shown = sRun("show 10 " + raw, &rc);
  EXPECT_EQ(0, rc) << shown;
  EXPECT_NE(std::string::npos, shown.find("\n  E?[2J  N=1.000 E=2.000 code=K????X\n")) << shown;
}

// A file dialog of the module is shown as a question is, with a title even
// when the module gives none, and answered Cancel: the reader goes on
// without the file.
TEST_F(KvxHost, FileDialogsArePrintedWithTheAnswerTaken) {
  int rc;
  std::string out = sRun("--yes show 30 " KVX_TEST_DATA "/jobxml/absent_numbers.jxl", &rc);
  EXPECT_EQ(0, rc) << out;
  EXPECT_NE(std::string::npos, out.find("Do you want to specify a Fxl file? [answer: Yes]\n"
                                        "kvxhost: file dialog: Choose a file (*.fxl) [answer: Cancel]\n"))
      << out;
  EXPECT_EQ(std::string::npos, out.find("hook")) << out;
  EXPECT_NE(std::string::npos, out.find("points 4,")) << out;
}

// Stopped by INT, TERM or HUP while the new file is being written: the
// half-written file beside the target and the private temporary folder go,
// and the exit status shows the signal. kvxhost is held in the middle of
// the write by a full pipe for its messages: the KOF writer's question
// comes after the new file was made.
TEST_F(KvxHost, AStopSignalLeavesNothingBehind) {
  std::string tmp = m_dir + "/tmp", target = m_dir + "/out.kof";
  fs::create_directory(tmp);
  std::string tool = KVX_HOST_TOOL, ini = m_dir + "/host.ini", env = "TMPDIR=" + tmp;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    int err[2];
    ASSERT_EQ(0, pipe2(err, O_CLOEXEC));
    fcntl(err[1], F_SETPIPE_SZ, 4096);
    fcntl(err[1], F_SETFL, O_NONBLOCK);
    std::string fill(4096, '.');
    while (write(err[1], fill.data(), fill.size()) > 0) {
    }
    fcntl(err[1], F_SETFL, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    const char* argv[] = {tool.c_str(),    "--ini", ini.c_str(),    "convert", "10",
                          kSample.c_str(), "98",    target.c_str(), nullptr};
    const char* envp[] = {env.c_str(), nullptr};
    pid_t pid;
    ASSERT_EQ(0,
              posix_spawn(&pid, tool.c_str(), &actions, nullptr, const_cast<char**>(argv), const_cast<char**>(envp)));
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    auto stray = [&] {
      for (const fs::directory_entry& e : fs::directory_iterator(m_dir))
        if (e.path().extension() == ".TMP") return true;
      return false;
    };
    for (int i = 0; i < 5000 && !stray(); i++) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(stray()) << "the write did not start";
    EXPECT_FALSE(fs::is_empty(tmp));
    kill(pid, sig);
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    close(err[0]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_FALSE(stray());
    EXPECT_TRUE(fs::is_empty(tmp));
    EXPECT_FALSE(fs::exists(target));
  }
}

}  // namespace
