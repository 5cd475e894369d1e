#include <gtest/gtest.h>

#include <cstring>

#include "kvxtest_registry.h"
#include "win32.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { KvxTestRegClear(); }
};

TEST_F(RegistryTest, OpenQueryClose) {
  KvxTestRegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker\\Tool", nullptr, "C:\\tool.exe");
  KvxTestRegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker\\Tool", "Version", "1.2");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\maker\\TOOL", 0, KEY_READ, &key), ERROR_SUCCESS);
  char buf[64];
  DWORD type = 0, size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, (LPBYTE)buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, (DWORD)REG_SZ);
  EXPECT_EQ(size, 12u);
  EXPECT_STREQ(buf, "C:\\tool.exe");
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, (LPBYTE)buf, &size), ERROR_SUCCESS);
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(key, "version", nullptr, nullptr, (LPBYTE)buf, &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, "1.2");
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(key, "Other", nullptr, nullptr, (LPBYTE)buf, &size), ERROR_FILE_NOT_FOUND);
  // Too small: the size needed, nothing written.
  size = 4;
  memset(buf, 'z', sizeof buf);
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, (LPBYTE)buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(buf[0], 'z');
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, MissingKeysAndSubkeys) {
  HKEY key = (HKEY)0x1;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\None", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  KvxTestRegSetString(HKEY_LOCAL_MACHINE, "A\\B\\C", "v", "x");
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "A\\B\\C", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  // A parent key exists, and keys open below an open key.
  HKEY parent = nullptr, child = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "a\\b", 0, KEY_READ, &parent), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\Bx", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExA(parent, "c", 0, KEY_READ, &child), ERROR_SUCCESS);
  char buf[8];
  DWORD size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(child, "V", nullptr, nullptr, (LPBYTE)buf, &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, "x");
  RegCloseKey(child);
  RegCloseKey(parent);
}

// A parent key is found by its sub-keys even when a sibling whose name
// sorts between "A" and "A\..." ("A-b", "A.c") holds values too.
TEST_F(RegistryTest, ParentFoundPastSiblingsThatSortBetween) {
  KvxTestRegSetString(HKEY_LOCAL_MACHINE, "Apps\\Conv.exe-old", nullptr, "x");
  KvxTestRegSetString(HKEY_LOCAL_MACHINE, "Apps\\Conv.exe.bak", nullptr, "y");
  KvxTestRegSetString(HKEY_LOCAL_MACHINE, "Apps\\Conv.exe\\Sub", nullptr, "z");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Apps\\Conv.exe", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Apps\\Conv", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ValuesKeepTheirBytes) {
  const char raw[3] = {'a', 'b', 'c'};  // no terminator
  KvxTestRegSetValue(HKEY_LOCAL_MACHINE, "K", nullptr, REG_SZ, raw, 3);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_READ, &key), ERROR_SUCCESS);
  char buf[8];
  memset(buf, 'z', sizeof buf);
  DWORD size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, (LPBYTE)buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(buf[3], 'z');
  RegCloseKey(key);
}

}  // namespace
