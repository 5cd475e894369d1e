// A fresh folder with the host's ini file for each test, and the module's
// transfer state cleared before and after.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fieldbook/transfer_context.h"
#include "testing/tempdir.h"
#include "win32.h"

class HostIniTest : public ::testing::Test {
 protected:
  void SetUp() override { vMboTransferStateClear(); }
  void TearDown() override { vMboTransferStateClear(); }
  // Through the profile-string functions.
  void vPut(const char* sKey, const char* sValue, const char* sSection = "KvxMbo") {
    ASSERT_TRUE(WritePrivateProfileStringA(sSection, sKey, sValue, m_ini.c_str()));
  }

  kvxtest::TempDir tmp_;
  std::string m_dir = tmp_.Path(), m_ini = tmp_.Path("host.ini");
};
