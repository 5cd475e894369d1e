// The tests' temporary folder goes away however the test ends.
#include "testing/tempdir.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::string g_lastFolder;

// A test body that fails an assertion with files and a folder that cannot
// be written inside its temporary folder.
void FailingTestBody() {
  kvxtest::TempDir dir;
  g_lastFolder = dir.Path();
  dir.Write("sub/locked/raw.gsi", "110001+0000000A ");
  std::filesystem::permissions(dir.Path("sub/locked"), std::filesystem::perms::owner_read);
  std::filesystem::permissions(dir.Path("sub"), std::filesystem::perms::owner_exec);
  ASSERT_TRUE(false) << "the test fails here";
}

}  // namespace

TEST(TempDir, RemovedWhenAnAssertionFailsAndFoldersWereLocked) {
  EXPECT_FATAL_FAILURE(FailingTestBody(), "the test fails here");
  ASSERT_FALSE(g_lastFolder.empty());
  EXPECT_FALSE(std::filesystem::exists(g_lastFolder));
}
