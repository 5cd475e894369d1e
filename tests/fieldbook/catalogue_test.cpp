// The instrument catalogue and the dispatch of every instrument's roles.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/rtdialog.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "instruments/dini10.h"
#include "instruments/gsi.h"
#include "instruments/rec500.h"
#include "instruments/sbg.h"
#include "instruments/sdr.h"
#include "testing/ui_driver.h"
#include "win32.h"

namespace {

// The catalogue's facts, stated from the instruments' side rather than as a
// second copy of the dispatch table.
const int g_aiOrder[] = {11, 12, 13, 14, 15, 16, 10, 22, 92, 95, 94, 93, 96, 62, 63, 72, 73, 21, 42, 67, 80,  81, 82,
                         98, 99, 24, 64, 65, 25, 97, 50, 51, 52, 53, 54, 55, 56, 27, 31, 26, 28, 29, 30, 100, 74, 101};
const std::set<int> g_write = {10, 11, 12, 13, 16, 21, 22, 24, 25, 26, 28, 29, 30,
                               42, 63, 64, 65, 67, 72, 73, 92, 93, 94, 95, 96, 98};
const std::set<int> g_xmlWrite = {25, 26, 28, 29, 30};
const std::set<int> g_noRead = {62, 28, 97};
const std::set<int> g_byPath = {30, 74, 101};
const std::set<int> g_receive = {11, 12, 13, 14, 15, 16, 21, 22, 42, 62, 63, 64,
                                 65, 67, 72, 73, 80, 81, 82, 92, 93, 94, 96};
const std::set<int> g_send = {11, 12, 13, 16, 21, 22, 42, 62, 63, 64, 65, 67, 72, 73, 92, 93, 94, 96, 98};

std::string sExtOf(int n) {
  switch (n) {
    case 10:
      return "are";
    case 95:
      return "gsi";
    case 98:
      return "kof";
    case 99:
      return "ptc";
    case 50:
    case 51:
      return "asc";
    case 52:
    case 53:
    case 55:
      return "*";
    case 54:
      return "G";
    case 56:
      return "ss?";
    case 25:
    case 26:
    case 28:
    case 29:
      return "xml";
    case 27:
    case 31:
      return "xcf";
    case 30:
      return "jxl";
    case 100:
      return "vml";
    case 74:
      return "mxl";
    case 101:
      return "plm";
    default:
      return "raw";
  }
}

TEST(Catalogue, ListsTheInstrumentsInResourceOrderWithTheirNames) {
  const int iCount = (int)(sizeof g_aiOrder / sizeof g_aiOrder[0]);
  ASSERT_EQ(46, iCount);
  EXPECT_EQ(46, iMboInstrumentCount());
  MboInstrument entry;
  for (int i = 0; i < iCount; i++) {
    ASSERT_TRUE(boMboGetInstrument(i, &entry)) << i;
    EXPECT_EQ(g_aiOrder[i], entry.iNumber) << i;
    char sName[300] = "";
    vMboInstrumentName(entry.iNumber, sName, (int)sizeof sName);
    EXPECT_STREQ(entry.sName, sName);
  }
  EXPECT_EQ('?', sDlgLoadString(5121 + iCount)[0]);
  EXPECT_FALSE(boMboGetInstrument(46, &entry));
  EXPECT_FALSE(boMboGetInstrument(-1, &entry));
  // The name is the text from its fourth character on, whatever the digits.
  struct Row {
    int iIndex;
    const char *sText, *sName;
  } rows[] = {{0, "11 Geodat 402,500,600", "Geodat 402,500,600"},
              {29, "97 ..", ".."},
              {43, "100 Leica VML", " Leica VML"},
              {45, "101SBG surveing format (beta)", "SBG surveing format (beta)"}};
  for (const Row& r : rows) {
    EXPECT_STREQ(r.sText, sDlgLoadString(5121 + r.iIndex));
    ASSERT_TRUE(boMboGetInstrument(r.iIndex, &entry));
    EXPECT_STREQ(r.sName, entry.sName);
  }
}

TEST(Catalogue, EveryInstrumentHasItsCapabilitiesAndExtension) {
  for (int n : g_aiOrder) {
    SCOPED_TRACE(n);
    EXPECT_EQ(g_write.count(n) == 1, boMboCanWrite(n));
    EXPECT_EQ(g_xmlWrite.count(n) == 1, pMboGetXmlWriter(n) != nullptr);
    // A writer writes either a created raw file or an XML file by path.
    EXPECT_FALSE(pMboGetXmlWriter(n) && pMboGetRawWriter(n));
    EXPECT_EQ(g_noRead.count(n) == 0, boMboCanRead(n));
    EXPECT_EQ(g_byPath.count(n) == 1, pMboGetFileReader(n) != nullptr);
    EXPECT_FALSE(pMboGetFileReader(n) && pMboGetRawReader(n));
    EXPECT_EQ(g_receive.count(n) == 1, boMboCanReceive(n));
    EXPECT_EQ(g_send.count(n) == 1, boMboCanSend(n));
    EXPECT_EQ(sExtOf(n), sMboRawFileExtension(n));
    EXPECT_EQ(n == 29, boMboNeedsVertexIds(n));
  }
}

TEST(Catalogue, DriversSharedAcrossFamilies) {
  // The NA3000 reads GSI, the DiNi10 is received by the REC 500 receiver,
  // the Trimble DC is moved by the SDR transfer.
  EXPECT_EQ(&boGsiReadRaw, pMboGetRawReader(80));
  EXPECT_EQ(&boGsiReceive, pMboGetReceiver(80));
  EXPECT_EQ(&boRec500Receive, pMboGetReceiver(81));
  EXPECT_EQ(&boMboReadDiNi10, pMboGetRawReader(81));
  for (int n : {62, 63, 64, 65}) {
    EXPECT_EQ(&boSdrReceive, pMboGetReceiver(n)) << n;
    EXPECT_EQ(&boSdrSend, pMboGetSender(n)) << n;
  }
  EXPECT_EQ(&boGsiTpsReceive, pMboGetReceiver(96));
  EXPECT_EQ(&boSbgReadFile, pMboGetFileReader(101));
}

TEST(Catalogue, BoundAdaptersAreSharedAsTheTableSays) {
  // (Named drivers are checked by the table above.) Geodat 11 and 12 pass the file mode, 13 to 16 always 0.
  EXPECT_EQ(pMboGetReceiver(11), pMboGetReceiver(12));
  EXPECT_EQ(pMboGetReceiver(13), pMboGetReceiver(15));
  EXPECT_NE(pMboGetReceiver(11), pMboGetReceiver(13));
  // LandXML dialects: the reader of 27 is that of 29, of 31 that of 26.
  EXPECT_EQ(pMboGetRawReader(27), pMboGetRawReader(29));
  EXPECT_EQ(pMboGetRawReader(31), pMboGetRawReader(26));
  EXPECT_NE(pMboGetRawReader(25), pMboGetRawReader(26));
  EXPECT_NE(pMboGetXmlWriter(25), pMboGetXmlWriter(28));
}

TEST(Catalogue, UnknownNumbersHaveNoRolesAndTheRawExtension) {
  for (int n : {0, 1, 9, 17, 23, 57, 102, 255, -1}) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(boMboCanWrite(n));
    EXPECT_FALSE(boMboCanRead(n));
    EXPECT_FALSE(boMboCanReceive(n));
    EXPECT_FALSE(boMboCanSend(n));
    EXPECT_STREQ("raw", sMboRawFileExtension(n));
  }
}

TEST(Catalogue, InstrumentNameIsBoundedAndEmptyForUnknownNumbers) {
  char sBuf[40] = "garbage";
  vMboInstrumentName(0, sBuf, (int)sizeof sBuf);
  EXPECT_STREQ("", sBuf);
  char sSmall[6];
  vMboInstrumentName(11, sSmall, (int)sizeof sSmall);
  EXPECT_STREQ("Geoda", sSmall);
}

TEST(Catalogue, GeodatInstrumentFollowsTheGlobalSettings) {
  vMboTransferStateClear();
  for (uint32_t u : {10u, 11u, 16u, 17u}) {
    g_mboTransfer.settings.uInstrument = u;
    EXPECT_EQ(u >= 11 && u <= 16, boMboIsGeodatInstrument()) << u;
  }
  vMboTransferStateClear();
}

std::string sFilter(const char* sLast, const char* sInstr, int iSize = 512) {
  char sBuf[512];
  vMboBuildFileFilter(sBuf, iSize, sLast, sInstr);
  return sBuf;
}

// The combo of the import (read) or export (write) dialog, as texts.
std::vector<std::string> ComboItems(bool boExport, int iCurrent, std::string* pSelected) {
  HWND hParent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND hCombo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, hParent,
                                (HMENU)(INT_PTR)203, nullptr, nullptr);
  std::vector<std::string> items;
  if (!hCombo) return items;
  vMboFillInstrumentCombo(hParent, iCurrent, boExport);
  int iCount = (int)SendMessageA(hCombo, CB_GETCOUNT, 0, 0);
  for (int i = 0; i < iCount; i++) {
    char sBuf[600];
    SendMessageA(hCombo, CB_GETLBTEXT, (WPARAM)i, (LPARAM)sBuf);
    items.push_back(sBuf);
  }
  int iSel = (int)SendMessageA(hCombo, CB_GETCURSEL, 0, 0);
  *pSelected = iSel >= 0 && iSel < iCount ? items[(size_t)iSel] : "";
  DestroyWindow(hParent);
  return items;
}

int iItemNumber(const std::string& s) { return atoi(s.c_str() + 75); }

TEST(InstrumentCombo, ImportListsEveryReaderWithItsNumberBehindThePaddedName) {
  std::string sSelected;
  std::vector<std::string> items = ComboItems(false, 95, &sSelected);
  ASSERT_EQ(43u, items.size());  // all but 62, 28 and 97
  for (const std::string& s : items)
    EXPECT_TRUE(iItemNumber(s) != 62 && iItemNumber(s) != 28 && iItemNumber(s) != 97) << s;
  EXPECT_EQ(std::string("Geodat 402,500,600") + std::string(75 - 18, ' ') + "11", items[0]);
  // Names are cut at 30 characters.
  EXPECT_EQ(std::string("Leica DBX (via LandXML)") + std::string(75 - 23, ' ') + "31", items[36]);
  EXPECT_EQ(95, iItemNumber(sSelected));
}

TEST(InstrumentCombo, ExportListsOnlyWriters) {
  std::string sSelected;
  std::vector<std::string> items = ComboItems(true, 29, &sSelected);
  std::vector<int> numbers;
  for (const std::string& s : items) numbers.push_back(iItemNumber(s));
  std::vector<int> expected = {11, 12, 13, 16, 10, 22, 92, 95, 94, 93, 96, 63, 72,
                               73, 21, 42, 67, 98, 24, 64, 65, 25, 26, 28, 29, 30};
  EXPECT_EQ(expected, numbers);
  EXPECT_EQ(29, iItemNumber(sSelected));
  ComboItems(true, 0, &sSelected);
  EXPECT_EQ("", sSelected);
}

TEST(FileFilter, CombinesBothExtensionsThenTheFixedOnes) {
  EXPECT_EQ("*.raw;*.raw|*.raw;*.raw|*.gsi|*.gsi|*.are|*.are|*.kof|*.kof|*.*|*.*|", sFilter("raw", "raw"));
  EXPECT_EQ("*.raw;*.gsi|*.raw;*.gsi|*.raw|*.raw|*.gsi|*.gsi|*.are|*.are|*.kof|*.kof|*.*|*.*|", sFilter("gsi", "raw"));
  EXPECT_EQ("*.raw|*.raw|*.raw|*.raw|*.gsi|*.gsi|*.are|*.are|*.kof|*.kof|*.*|*.*|", sFilter("", "raw"));
  EXPECT_EQ("*.kof|*.kof|*.raw|*.raw|*.gsi|*.gsi|*.are|*.are|*.kof|*.kof|*.*|*.*|", sFilter("kof", ""));
  EXPECT_EQ("*.raw|*.raw|*.gsi|*.gsi|*.are|*.are|*.kof|*.kof|*.*|*.*|", sFilter("", ""));
}

TEST(FileFilter, NeverWritesBeyondTheBuffer) {
  char sBuf[32];
  memset(sBuf, 'x', sizeof sBuf);
  vMboBuildFileFilter(sBuf, 20, "gsi", "raw");
  EXPECT_EQ(19u, strlen(sBuf));
  EXPECT_EQ('x', sBuf[20]);
}

TEST(PendingDrivers, AStandInWarnsThatTheRoleIsNotAvailableAndFails) {
  vUiExpectBox(IDOK, "ERROR! Receiving raw data is not available for this instrument");
  EXPECT_FALSE(boMboRoleUnavailable(MBO_ROLE_RECEIVER));
  ASSERT_EQ(1u, UiBoxLog().size());
  EXPECT_EQ(MB_ICONEXCLAMATION, UiBoxLog()[0].uStyle & MB_ICONMASK);
}

}  // namespace
