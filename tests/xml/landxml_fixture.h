// A field book loaded as a host loads it, with a folder of its own for the
// files a test writes and reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/fieldbook/fb_module.h"

class LandXmlBook : public FieldBook {
 protected:
  void SetUp() override {
    FieldBook::SetUp();
    char tmpl[] = "/tmp/kvx_landxml_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    m_dir = tmpl;
    strcpy(host_.sIniPath, (m_dir + "/host.ini").c_str());
  }
  void TearDown() override {
    FieldBook::TearDown();
    std::filesystem::remove_all(m_dir);
  }
  std::string m_dir;
};
