// Settings on a real ini file, written and read through KvxLib and the
// profile-string functions (one engine, one file).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/cnvtable.h"
#include "fieldbook/settings.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"
#include "host_ini.h"
#include "win32.h"

namespace {

class SettingsIni : public HostIniTest {
 protected:
  void SetUp() override {
    HostIniTest::SetUp();
    memset(&m_set, 0, sizeof m_set);
    vMboSettingsDefaults(&m_set);
    m_set.sIniPath = m_ini.c_str();
  }
  void TearDown() override {
    m_set.pFeatureTab = pCnvTabFree(m_set.pFeatureTab);
    m_set.pPointTab = pCnvTabFree(m_set.pPointTab);
    HostIniTest::TearDown();
  }
  std::string sProfile(const char* sKey, const char* sSection = "KvxMbo") {
    char sBuf[2048];
    GetPrivateProfileStringA(sSection, sKey, "<none>", sBuf, sizeof sBuf, m_ini.c_str());
    return sBuf;
  }
  // Through KvxLib.
  std::string sKvx(const char* sKey) {
    char sBuf[2048];
    if (!boKvxInifGet(m_ini.c_str(), "KvxMbo", sKey, sBuf, (int)sizeof sBuf)) return "<none>";
    return sBuf;
  }
  void vLoad(uint32_t uInstrument) {
    m_set.uInstrument = uInstrument;
    vMboSettingsLoad(&m_set, false);
  }

  MboSettings m_set;
};

// The numbers of the option string and of the serial key, in their order.
std::vector<int64_t> Options(const MboSettings& s) {
  return {s.uTheodoliteNo, s.uLevellerNo, s.uSatelliteNo, s.uCoordinateNo, s.uCorrCode, s.uFconv,
          s.uPconv,        s.uConstRaw,   s.uEllH,        s.iEO,           s.iNO};
}
std::vector<uint32_t> Serial(const MboSettings& s) {
  return {s.com.uPort, s.com.uBaud, s.com.uBits, s.com.uParity, s.com.uStop};
}

TEST_F(SettingsIni, SavingDefaultsWritesTheThirteenItemsAndTheSerialKey) {
  m_set.uInstrument = 42;
  vMboSettingsSave(&m_set);
  const char* sOptions =
      "convinstrno:1 levinstrno:1 satinstrno:1 coordinstrno:1 corrcode:0 Fconv:0 Pconv:0 constraw:0 EO:0 NO:0 EllH:0 "
      "file:\"*.raw\" geoide:\"\"";
  EXPECT_EQ(sOptions, sKvx("MboType42"));
  EXPECT_EQ(sOptions, sProfile("MboType42"));
  EXPECT_EQ("port:1 baud:9600  bits:8 parity:0 sbit:0", sKvx("MboTypeIO42"));
  EXPECT_EQ("port:1 baud:9600  bits:8 parity:0 sbit:0", sProfile("mbotypeio42"));
  EXPECT_EQ("42", sProfile("MboType"));
}

TEST_F(SettingsIni, SavedValuesComeBackOnLoad) {
  m_set.uInstrument = 98;
  m_set.uTheodoliteNo = 2, m_set.uLevellerNo = 3, m_set.uSatelliteNo = 4, m_set.uCoordinateNo = 5;
  m_set.uCorrCode = 6, m_set.uFconv = 1, m_set.uPconv = 1, m_set.uEllH = 1, m_set.iEO = -6500000, m_set.iNO = 100000;
  m_set.com = {3, 4800, 7, 1, 2};  // parity and stop bits differ: a swap shows
  strcpy(g_mboTransfer.sRawFileName, "C:\\My Data\\job 1");
  vMboSettingsSave(&m_set);
  EXPECT_STREQ("C:\\My Data\\job 1.kof", g_mboTransfer.sRawFileName);

  MboSettings loaded;
  memset(&loaded, 0, sizeof loaded);
  vMboSettingsDefaults(&loaded);
  loaded.sIniPath = m_ini.c_str();
  g_mboTransfer.sRawFileName[0] = 0;
  vMboSettingsLoad(&loaded, true);
  EXPECT_EQ(98u, loaded.uInstrument);
  EXPECT_EQ((std::vector<int64_t>{2, 3, 4, 5, 6, 1, 1, 0, 1, -6500000, 100000}), Options(loaded));
  EXPECT_EQ((std::vector<uint32_t>{3, 4800, 7, 1, 2}), Serial(loaded));
  EXPECT_STREQ("C:\\My Data\\job 1.kof", g_mboTransfer.sRawFileName);
}

TEST_F(SettingsIni, OptionStringRules) {
  // Theodolite, leveller, satellite, coordinate numbers, correction code,
  // Fconv, Pconv, constraw, EllH, EO, NO.
  const std::pair<const char*, std::vector<int64_t>> aCases[] = {
      // "instrno" sets all four numbers; a later item overrides one.
      {"instrno:3 levinstrno:5", {3, 5, 3, 3, 0, 0, 0, 0, 0, 0, 0}},
      // An item without a colon ends the parsing.
      {"convinstrno:4 corrcode:2 bogus levinstrno:5 EO:7", {4, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0}},
      // "EllH" stores 1; offsets keep their sign; unknown items are passed over.
      {"EllH:7 EO:-100 geoide:\"x y\" unknown:1 NO:250", {1, 1, 1, 1, 0, 0, 0, 0, 1, -100, 250}},
      // Keys compare exactly.
      {"CONVINSTRNO:9 Levinstrno:9 corrcode:4", {1, 1, 1, 1, 4, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& [sOptions, expected] : aCases) {
    vPut("MboType42", sOptions);
    vLoad(42);
    EXPECT_EQ(expected, Options(m_set)) << sOptions;
  }
}

TEST_F(SettingsIni, LoadResetsTheOptionsButNotTheSerialFields) {
  m_set.uCorrCode = 9;
  m_set.uTheodoliteNo = 7;
  m_set.com.uBaud = 2400;
  vLoad(42);
  EXPECT_EQ(0u, m_set.uCorrCode);
  EXPECT_EQ(1u, m_set.uTheodoliteNo);
  EXPECT_EQ(2400u, m_set.com.uBaud);
  EXPECT_STREQ("*.raw", g_mboTransfer.sRawFileName);
}

TEST_F(SettingsIni, RememberedNameDefaultsToTheInstrumentExtension) {
  vLoad(95);
  EXPECT_STREQ("*.gsi", g_mboTransfer.sRawFileName);
  vPut("MboType95", "file:\"D:\\Data\\a b.gsi\"");
  vLoad(95);
  EXPECT_STREQ("D:\\Data\\a b.gsi", g_mboTransfer.sRawFileName);
  vPut("MboType95", "file:\"\"");
  vLoad(95);
  EXPECT_STREQ("*.gsi", g_mboTransfer.sRawFileName);
}

TEST_F(SettingsIni, LoadWithTheFlagReadsTheCurrentInstrument) {
  vPut("MboType", "63");
  vPut("MboType63", "corrcode:3");
  m_set.uInstrument = 11;
  vMboSettingsLoad(&m_set, true);
  EXPECT_EQ(63u, m_set.uInstrument);
  EXPECT_EQ(3u, m_set.uCorrCode);
}

TEST_F(SettingsIni, AMissingCurrentInstrumentLoadsNothing) {
  m_set.uInstrument = 42;
  m_set.uTheodoliteNo = 0;
  m_set.uCorrCode = 5;
  vMboSettingsLoad(&m_set, true);
  EXPECT_EQ(0u, m_set.uInstrument);
  EXPECT_EQ(1u, m_set.uTheodoliteNo);
  EXPECT_EQ(5u, m_set.uCorrCode);
  EXPECT_EQ(0u, m_set.com.uPort);  // instrument 0 has no serial role
}

TEST_F(SettingsIni, SerialKeyRules) {
  const struct {
    uint32_t uInstrument;
    const char* sSerial;
    std::vector<uint32_t> expected;  // port, baud, bits, parity, stop
  } aCases[] = {
      // Instrument 95 has no serial role: port 0 whatever the key holds.
      {95, "port:3 baud:4800  bits:7 parity:1 sbit:1", {0, 4800, 7, 1, 1}},
      {98, "port:3 baud:4800  bits:7 parity:1 sbit:1", {3, 4800, 7, 1, 1}},
      // Ports 0 to 9 are kept as read (COM5 to COM9 exist on real machines).
      // Values no port or control can take become the defaults.
      {42, "port:9 baud:0  bits:6 parity:5 sbit:3", {9, 9600, 8, 0, 0}},
      {42, "port:0", {0, 9600, 8, 0, 0}},
      {42, "port:10", {1, 9600, 8, 0, 0}},
      {42, "port:-1", {1, 9600, 8, 0, 0}},
      {95, "port:10", {0, 9600, 8, 0, 0}},
  };
  for (const auto& c : aCases) {
    vPut(("MboTypeIO" + std::to_string(c.uInstrument)).c_str(), c.sSerial);
    vLoad(c.uInstrument);
    EXPECT_EQ(c.expected, Serial(m_set)) << c.sSerial;
  }
}

TEST_F(SettingsIni, SavingInstrumentZeroWritesNothing) {
  m_set.uInstrument = 0;
  vMboSettingsSave(&m_set);
  EXPECT_FALSE(std::filesystem::exists(m_ini));
  vPut("Other", "1");
  vMboSettingsSave(&m_set);
  EXPECT_EQ("<none>", sProfile("MboType"));
}

TEST_F(SettingsIni, ConverterTablesAreLoadedFromTheirSections) {
  m_set.pFeatureTab = pCnvTabNew(9, 9);
  m_set.pPointTab = pCnvTabNew(4, 4);
  vPut("Item0", "f:\"HUS\" t:\"HOUSE\"", "MboCnvTheme");
  vPut("Item0", "f:\"12\" t:\"3\"", "MboCnvPnt");
  vLoad(42);
  char sBuf[21];
  EXPECT_TRUE(boCnvTabLookup(m_set.pFeatureTab, "HUS", sBuf, (int)sizeof sBuf));
  EXPECT_STREQ("HOUSE", sBuf);
  EXPECT_TRUE(boCnvTabLookup(m_set.pPointTab, "12", sBuf, (int)sizeof sBuf));
  EXPECT_STREQ("3", sBuf);
}

TEST_F(SettingsIni, GeodatEndCharacterFromTheGlobalSettings) {
  g_mboTransfer.settings.sIniPath = m_ini.c_str();
  EXPECT_EQ('>', cMboGeodatEofChar());  // missing
  const struct {
    const char* sValue;
    char cExpected;
  } aCases[] = {{"0", '>'}, {"127", '>'}, {"62", '>'}, {"35", '#'}, {"1", '\x01'}, {"126", '~'}, {"x", '>'}};
  for (const auto& c : aCases) {
    vPut("402EOF", c.sValue);
    EXPECT_EQ(c.cExpected, cMboGeodatEofChar()) << c.sValue;
  }
  g_mboTransfer.settings.sIniPath = nullptr;
  EXPECT_EQ('>', cMboGeodatEofChar());
}

}  // namespace
