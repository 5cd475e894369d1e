// The transfer context: version check, coordinate-system objects, settings
// load and the raw-file and side-file paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/cnvtable.h"
#include "base/paths.h"
#include "fieldbook/convert.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys_setup.h"
#include "kvxlib_setup.h"
#include "testing/ui_driver.h"
#include "host_ini.h"
#include "win32.h"

namespace {

class TransferContext : public HostIniTest {
 protected:
  void SetUp() override {
    HostIniTest::SetUp();
    m_host.uVersion = MBO_HOST_REC_VERSION;
    strcpy(m_host.sIniPath, m_ini.c_str());
    char sTemp[MBO_PATH_SIZE];
    sPathGetTempDir(sTemp, (int)sizeof sTemp);
    m_temp = sTemp;
  }
  void TearDown() override {
    vMboTeardownTransfer(&m_set);
    HostIniTest::TearDown();  // closes the co-sys objects too
    vKvxPoSetTranslator(nullptr);
    vCoSysSetupReset();
  }
  std::string sInTemp(const char* sName) {
    char sBuf[2 * MBO_PATH_SIZE];
    sPathJoin(m_temp.c_str(), sName, sBuf, (int)sizeof sBuf);
    return sBuf;
  }

  std::string m_temp;
  MboHostRec m_host{};
  MboSettings m_set{};
};

TEST_F(TransferContext, ABadVersionWarnsUntranslatedAndANullHostRecordFailsQuietly) {
  vKvxPoSetTranslator(sKvxPoMarkTranslator);
  m_host.uVersion = 1095;
  vUiExpectBox(IDOK, "Bad DLL version");
  EXPECT_FALSE(boMboSetupTransfer(&m_set, &m_host));
  ASSERT_EQ(1u, UiBoxLog().size());
  EXPECT_EQ("Bad DLL version: 1096\nExpected 1095", UiBoxLog()[0].sText);
  EXPECT_EQ(MB_ICONEXCLAMATION | MB_OK, UiBoxLog()[0].uStyle & (MB_ICONMASK | MB_TYPEMASK));
  // What the set-up made is freed again.
  EXPECT_EQ(nullptr, m_set.pFeatureTab);
  EXPECT_EQ(nullptr, m_set.pPointTab);
  // No host record: false without a box.
  EXPECT_FALSE(boMboSetupTransfer(&m_set, nullptr));
  EXPECT_EQ(nullptr, m_set.pFeatureTab);
  EXPECT_EQ(1u, UiBoxLog().size());
}

TEST_F(TransferContext, SetupGivesDefaultsTablesAndTheHostsIniPath) {
  vPut("MboType", "42");
  vPut("MboTypeIO42", "port:2 baud:4800  bits:7 parity:1 sbit:0");
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_EQ(42u, m_set.uInstrument);
  EXPECT_EQ(2u, m_set.com.uPort);
  EXPECT_EQ(4800u, m_set.com.uBaud);
  EXPECT_EQ(1u, m_set.uTheodoliteNo);
  ASSERT_NE(nullptr, m_set.pFeatureTab);
  ASSERT_NE(nullptr, m_set.pPointTab);
  EXPECT_EQ(9u, m_set.pFeatureTab->fromWidth);
  EXPECT_EQ(4u, m_set.pPointTab->toWidth);
  EXPECT_STREQ(m_ini.c_str(), m_set.sIniPath);
  EXPECT_NE((const char*)m_host.sIniPath, m_set.sIniPath);  // a copy, not the host's field
  EXPECT_EQ(&m_host, m_set.pHost);
  EXPECT_STREQ("%s : %s", g_mboTransfer.sReportFormat);
  vMboTeardownTransfer(&m_set);
  EXPECT_EQ(nullptr, m_set.pFeatureTab);
  EXPECT_EQ(nullptr, m_set.pPointTab);
}

TEST_F(TransferContext, TeardownLeavesNoTableReferenceInTheGlobalCopy) {
  vPut("MboType", "42");
  vPut("MboType42", "Fconv:1 Pconv:1");
  vPut("Item0", "f:\"HUS\" t:\"HOUSE\"", "MboCnvTheme");
  vPut("Item0", "f:\"A\" t:\"B\"", "MboCnvPnt");
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  g_mboTransfer.settings = m_set;  // as the transfer dialogs do
  EXPECT_STREQ("HUS", sMboConvertFeatureCode(&g_mboTransfer.settings, "HOUSE"));
  char sNo[16] = "A12";
  vMboConvertPointNo(&g_mboTransfer.settings, sNo, (int)sizeof sNo);
  EXPECT_STREQ("B12", sNo);
  vMboTeardownTransfer(&m_set);
  EXPECT_EQ(nullptr, g_mboTransfer.settings.pFeatureTab);
  EXPECT_EQ(nullptr, g_mboTransfer.settings.pPointTab);
  // A direct call after the context converts nothing rather than reading
  // freed tables.
  EXPECT_STREQ("HOUSE", sMboConvertFeatureCode(&g_mboTransfer.settings, "HOUSE"));
  strcpy(sNo, "A12");
  vMboConvertPointNo(&g_mboTransfer.settings, sNo, (int)sizeof sNo);
  EXPECT_STREQ("A12", sNo);
}

TEST_F(TransferContext, RawPathFromTheProjectFolderBaseNameAndInstrument) {
  const struct {
    const char *sType, *sOptions, *sBase, *sProject, *sRaw, *sSide;
  } aCases[] = {
      // In the project folder with the instrument's extension.
      {"95", "", "JOB1", "D:\\Data\\Proj\\p.prj", "D:\\Data\\Proj\\JOB1.gsi", "JOB1.ADM"},
      // A dot in the base name gives way to the extension.
      {"98", "", "JOB.1", "D:\\p.prj", "D:\\JOB.kof", nullptr},
      // A fixed raw name or no base name gives the bare TMP.
      {"95", "constraw:1", "JOB1", "D:\\Data\\Proj\\p.prj", "TMP", "TMP.ADM"},
      {"95", "constraw:0", "", "D:\\Data\\Proj\\p.prj", "TMP", nullptr},
  };
  for (const auto& c : aCases) {
    SCOPED_TRACE(c.sRaw);
    vPut("MboType", c.sType);
    if (*c.sOptions) vPut(("MboType" + std::string(c.sType)).c_str(), c.sOptions);
    strcpy(m_host.sRawBaseName, c.sBase);
    strcpy(m_host.sProjectPath, c.sProject);
    ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
    EXPECT_STREQ(c.sRaw, g_mboTransfer.sRawPath);
    if (c.sSide) {
      EXPECT_EQ(sInTemp(c.sSide), g_mboTransfer.sSidePath);
    }
    vMboTeardownTransfer(&m_set);
  }
}

TEST_F(TransferContext, HostTextFieldsAreReadNoFurtherThanTheirSize) {
  vPut("MboType", "95");
  memset(m_host.sRawBaseName, 'A', sizeof m_host.sRawBaseName);  // no terminator
  strcpy(m_host.sProjectPath, "D:\\p.prj");
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_STREQ("D:\\AAAAAAAA.gsi", g_mboTransfer.sRawPath);
  vMboTeardownTransfer(&m_set);

  // Full project and ini fields without terminators are cut at their size:
  // the ini field's leading separator never joins the project path.
  memset(m_host.sProjectPath, 'p', sizeof m_host.sProjectPath);
  memcpy(m_host.sProjectPath, "D:\\", 3);
  memset(m_host.sIniPath, 'i', sizeof m_host.sIniPath);
  m_host.sIniPath[0] = '\\';
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_EQ(sizeof m_host.sIniPath - 1, strlen(m_set.sIniPath));
  EXPECT_STREQ("D:\\AAAAAAAA.raw", g_mboTransfer.sRawPath);
}

TEST_F(TransferContext, ARawPathTooLongForItsBufferIsRefusedNotCut) {
  std::string sLong = "D:\\" + std::string(300, 'd') + "\\x.raw";
  ASSERT_TRUE(boMboSetRawFilePath("D:\\a.raw"));
  EXPECT_FALSE(boMboSetRawFilePath(sLong.c_str()));
  EXPECT_STREQ("D:\\a.raw", g_mboTransfer.sRawPath);
  EXPECT_EQ(sInTemp("a.ADM"), g_mboTransfer.sSidePath);
  EXPECT_FALSE(boMboSetRawFilePath(""));
  EXPECT_FALSE(boMboSetRawFilePath(nullptr));
  std::string sFits = "D:\\" + std::string(247, 'd') + "\\x.raw";  // 256 characters
  EXPECT_TRUE(boMboSetRawFilePath(sFits.c_str()));
  EXPECT_STREQ(sFits.c_str(), g_mboTransfer.sRawPath);
  EXPECT_EQ(sInTemp("x.ADM"), g_mboTransfer.sSidePath);
  // A name so long that the side path would not fit is refused too.
  std::string sLongName = "D:\\" + std::string(249, 'n') + ".raw";
  EXPECT_FALSE(boMboSetRawFilePath(sLongName.c_str()));
  EXPECT_STREQ(sFits.c_str(), g_mboTransfer.sRawPath);

  // A project folder so long that the raw path does not fit: no raw path at
  // all rather than another file's.
  vPut("MboType", "95");
  strcpy(m_host.sRawBaseName, "JOB1");
  std::string sProject = "D:\\" + std::string(248, 'p') + "\\p.prj";
  strcpy(m_host.sProjectPath, sProject.c_str());
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_STREQ("", g_mboTransfer.sRawPath);
  EXPECT_STREQ("", g_mboTransfer.sSidePath);
}

TEST_F(TransferContext, TheSideFileIsNeverTheRawFile) {
  std::string sRaw = sInTemp("JOB7.ADM");
  ASSERT_TRUE(boMboSetRawFilePath(sRaw.c_str()));
  EXPECT_EQ(sRaw, g_mboTransfer.sRawPath);
  EXPECT_EQ(sInTemp("JOB7_.ADM"), g_mboTransfer.sSidePath);
  sRaw = sInTemp("job7.adm");
  ASSERT_TRUE(boMboSetRawFilePath(sRaw.c_str()));
  EXPECT_EQ(sInTemp("job7_.ADM"), g_mboTransfer.sSidePath);
  // Elsewhere the name stays.
  ASSERT_TRUE(boMboSetRawFilePath("D:\\JOB7.ADM"));
  EXPECT_EQ(sInTemp("JOB7.ADM"), g_mboTransfer.sSidePath);
}

TEST_F(TransferContext, AnExtensionIsGivenOnlyToARawPathWithRoomForIt) {
  // After a refused path there is none: no ".gsi" in the current folder.
  EXPECT_FALSE(boMboSetRawFileExt("gsi"));
  EXPECT_STREQ("", g_mboTransfer.sRawPath);
  // 256 characters without extension: "x.gsi" would be cut to another name.
  std::string sFull = "D:\\" + std::string(251, 'd') + "\\x";
  ASSERT_EQ(256u, sFull.size());
  ASSERT_TRUE(boMboSetRawFilePath(sFull.c_str()));
  EXPECT_FALSE(boMboSetRawFileExt("gsi"));
  EXPECT_EQ(sFull, g_mboTransfer.sRawPath);
  std::string sRoom = "D:\\" + std::string(247, 'd') + "\\x";  // room for ".gsi"
  ASSERT_TRUE(boMboSetRawFilePath(sRoom.c_str()));
  EXPECT_TRUE(boMboSetRawFileExt("gsi"));
  EXPECT_EQ(sRoom + ".gsi", g_mboTransfer.sRawPath);
  // Replacing the extension leaves the side path.
  ASSERT_TRUE(boMboSetRawFilePath("TMP"));
  EXPECT_TRUE(boMboSetRawFileExt("gsi"));
  EXPECT_STREQ("TMP.gsi", g_mboTransfer.sRawPath);
  EXPECT_EQ(sInTemp("TMP.ADM"), g_mboTransfer.sSidePath);
}

class TransferCoSys : public TransferContext {
 protected:
  void SetUp() override {
    TransferContext::SetUp();
    CoSysSetupDef def{};
    def.name = "Test grid";
    def.datumId = "EUREF89";
    m_cs = CoSysSetupCreateSystem(&def);
    m_ver = CoSysSetupCreateVer("NN2000", "NN2000");
    vCoSysSetupAddRefSys(7, "EUREF89", "NN2000", "GEOID1", m_cs);
    vCoSysSetupAddGeoideConst("GEOID1", 40.0);
    m_host.uCoSys = m_cs;
  }
  // A transfer after a finish opens objects no field book will close.
  void vTransferAfterFinish(uint64_t* pRefSys, uint64_t* pGeoid) {
    vKvxMboInit(&m_host);
    vKvxMboFinish();
    g_mboTransfer.uCoSysVersion = m_ver;
    ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
    vMboTeardownTransfer(&m_set);
    *pRefSys = g_mboTransfer.uRefSys;
    *pGeoid = g_mboTransfer.uGeoid;
    ASSERT_NE(0u, *pGeoid);
  }
  uint64_t m_cs = 0, m_ver = 0;
};

TEST_F(TransferCoSys, WithTheVersionTheReferenceSystemAndGeoidAreOpened) {
  g_mboTransfer.uCoSysVersion = m_ver;
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_NE(0u, g_mboTransfer.uRefSys);
  ASSERT_NE(0u, g_mboTransfer.uGeoid);
  EXPECT_DOUBLE_EQ(40.0, dCoSysGeoideGetDefaultHeight(g_mboTransfer.uGeoid));
  // A second context replaces (and closes) the first one's objects.
  const uint64_t uFirstRefSys = g_mboTransfer.uRefSys, uFirstGeoid = g_mboTransfer.uGeoid;
  vMboTeardownTransfer(&m_set);
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_NE(0u, g_mboTransfer.uGeoid);
  EXPECT_NE(uFirstGeoid, g_mboTransfer.uGeoid);
  EXPECT_STREQ("", sCoSysRefSysGetGeoideID(uFirstRefSys));
  EXPECT_EQ(0.0, dCoSysGeoideGetDefaultHeight(uFirstGeoid));
}

TEST_F(TransferCoSys, InitClosesTheObjectsOfATransferAfterAFinish) {
  uint64_t uRefSys = 0, uGeoid = 0;
  ASSERT_NO_FATAL_FAILURE(vTransferAfterFinish(&uRefSys, &uGeoid));
  vKvxMboInit(&m_host);
  EXPECT_EQ(0u, g_mboTransfer.uGeoid);
  EXPECT_STREQ("", sCoSysRefSysGetGeoideID(uRefSys));
  EXPECT_EQ(0.0, dCoSysGeoideGetDefaultHeight(uGeoid));
  vKvxMboFinish();
}

TEST_F(TransferCoSys, FinishWithoutAFieldBookStillClosesTheObjects) {
  uint64_t uRefSys = 0, uGeoid = 0;
  ASSERT_NO_FATAL_FAILURE(vTransferAfterFinish(&uRefSys, &uGeoid));
  vKvxMboFinish();  // no field book: only the transfer's objects remain
  EXPECT_EQ(0u, g_mboTransfer.uGeoid);
  EXPECT_EQ(0u, g_mboTransfer.uRefSys);
  EXPECT_EQ(0.0, dCoSysGeoideGetDefaultHeight(uGeoid));
}

TEST_F(TransferCoSys, WhatCannotBeOpenedStaysClosed) {
  // Without the library's version no reference system is opened.
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_EQ(m_cs, g_mboTransfer.uCoSys);
  EXPECT_EQ(0u, g_mboTransfer.uRefSys);
  EXPECT_EQ(0u, g_mboTransfer.uGeoid);
  vMboTeardownTransfer(&m_set);
  // No reference system for the datums: none.
  g_mboTransfer.uCoSysVersion = CoSysSetupCreateVer("Other", "OTHER");
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_EQ(0u, g_mboTransfer.uRefSys);
  EXPECT_EQ(0u, g_mboTransfer.uGeoid);
  vMboTeardownTransfer(&m_set);
  // A geoid that cannot be read: no geoid.
  vCoSysSetupAddRefSys(8, "EUREF89", "H2", "MISSING", m_cs);
  g_mboTransfer.uCoSysVersion = CoSysSetupCreateVer("H2", "H2");
  ASSERT_TRUE(boMboSetupTransfer(&m_set, &m_host));
  EXPECT_NE(0u, g_mboTransfer.uRefSys);
  EXPECT_EQ(0u, g_mboTransfer.uGeoid);
}

}  // namespace
