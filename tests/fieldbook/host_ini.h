// A fresh folder with the host's ini file for each test, and the module's
// transfer state cleared before and after.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fieldbook/transfer_context.h"
#include "win32.h"

class HostIniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char sTemplate[] = "/tmp/kvx_hostini_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(sTemplate));
    m_dir = sTemplate;
    m_ini = m_dir + "/host.ini";
    vMboTransferStateClear();
  }
  void TearDown() override {
    vMboTransferStateClear();
    std::filesystem::remove_all(m_dir);
  }
  // Through the profile-string functions.
  void vPut(const char* sKey, const char* sValue, const char* sSection = "KvxMbo") {
    ASSERT_TRUE(WritePrivateProfileStringA(sSection, sKey, sValue, m_ini.c_str()));
  }

  std::string m_dir, m_ini;
};
