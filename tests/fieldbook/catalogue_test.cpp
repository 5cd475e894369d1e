// The instrument catalogue and the dispatch of every instrument's roles.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "testing/ui_driver.h"
#include "win32.h"

namespace {

struct Expected {
  int iNumber;
  const char* sName;
  // Roles: W raw writer, X XML writer, Rx receiver, R raw reader, P reader
  // by path, Tx sender.
  bool boW, boX, boRx, boR, boP, boTx;
  const char* sExt;
};

const Expected g_aCatalogue[] = {
    {11, "Geodat 402,500,600", 1, 0, 1, 1, 0, 1, "raw"},
    {12, "Geodat 400", 1, 0, 1, 1, 0, 1, "raw"},
    {13, "Geodat 126", 1, 0, 1, 1, 0, 1, "raw"},
    {14, "Geodat 124", 0, 0, 1, 1, 0, 0, "raw"},
    {15, "Geodimeter A", 0, 0, 1, 1, 0, 0, "raw"},
    {16, "Geodimeter B", 1, 0, 1, 1, 0, 1, "raw"},
    {10, "Geodat PCMCIA", 1, 0, 0, 1, 0, 0, "are"},
    {22, "REC 500", 1, 0, 1, 1, 0, 1, "raw"},
    {92, "Leica GIF10", 1, 0, 1, 1, 0, 1, "raw"},
    {95, "Leica GSI", 1, 0, 0, 1, 0, 0, "gsi"},
    {94, "Leica GRE3/4", 1, 0, 1, 1, 0, 1, "raw"},
    {93, "Leica TC600", 1, 0, 1, 1, 0, 1, "raw"},
    {96, "Leica TC605/805/905", 1, 0, 1, 1, 0, 1, "raw"},
    {62, "Sokkisha SDR24", 0, 0, 1, 0, 0, 1, "raw"},
    {63, "Sokkisha SDR33", 1, 0, 1, 1, 0, 1, "raw"},
    {72, "Topcon FC1/2", 1, 0, 1, 1, 0, 1, "raw"},
    {73, "Topcon GTS-800", 1, 0, 1, 1, 0, 1, "raw"},
    {21, "Psion", 1, 0, 1, 1, 0, 1, "raw"},
    {42, "Kern AC 64/128", 1, 0, 1, 1, 0, 1, "raw"},
    {67, "Nikon DTM-400", 1, 0, 1, 1, 0, 1, "raw"},
    {80, "Leica NA3000", 0, 0, 1, 1, 0, 0, "raw"},
    {81, "ZEISS DiNi10", 0, 0, 1, 1, 0, 0, "raw"},
    {82, "Topcon DL101/102", 0, 0, 1, 1, 0, 0, "raw"},
    {98, "KOF", 1, 0, 0, 1, 0, 1, "kof"},
    {99, "Pumatec", 0, 0, 0, 1, 0, 0, "ptc"},
    {24, "Trimble DiNi (M5 format)", 1, 0, 0, 1, 0, 0, "raw"},
    {64, "Trimble DC77", 1, 0, 1, 1, 0, 1, "raw"},
    {65, "Trimble DC10", 1, 0, 1, 1, 0, 1, "raw"},
    {25, "LANDXML", 0, 1, 0, 1, 0, 0, "xml"},
    {97, "..", 0, 0, 0, 0, 0, 0, "raw"},
    {50, "GPS Leica Ascii", 0, 0, 0, 1, 0, 0, "asc"},
    {51, "GPS Trimble TGO", 0, 0, 0, 1, 0, 0, "asc"},
    {52, "GPS Ashtech binary", 0, 0, 0, 1, 0, 0, "*"},
    {53, "GPS Geolab ascii", 0, 0, 0, 1, 0, 0, "*"},
    {54, "GPS NGS Bluebook", 0, 0, 0, 1, 0, 0, "G"},
    {55, "GPS Magellan", 0, 0, 0, 1, 0, 0, "*"},
    {56, "GPS Trimble Binary", 0, 0, 0, 1, 0, 0, "ss?"},
    {27, "Leica DBX (via HeXML)", 0, 0, 0, 1, 0, 0, "xcf"},
    {31, "Leica DBX (via LandXML)", 0, 0, 0, 1, 0, 0, "xcf"},
    {26, "Leica LandXML", 0, 1, 0, 1, 0, 0, "xml"},
    {28, "Trimble LandXML", 0, 1, 0, 0, 0, 0, "xml"},
    {29, "Leica HeXML", 0, 1, 0, 1, 0, 0, "xml"},
    {30, "Trimble JobX (beta)", 0, 1, 0, 0, 1, 0, "jxl"},
    {100, " Leica VML", 0, 0, 0, 1, 0, 0, "vml"},
    {74, "Topcon MAXML (beta)", 0, 0, 0, 0, 1, 0, "mxl"},
    {101, "SBG surveing format (beta)", 0, 0, 0, 0, 1, 0, "plm"},
};

TEST(Catalogue, ListsTheInstrumentsInResourceOrderWithTheirNames) {
  const int iCount = (int)(sizeof g_aCatalogue / sizeof g_aCatalogue[0]);
  ASSERT_EQ(46, iCount);
  EXPECT_EQ(46, iMboInstrumentCount());
  MboInstrument entry;
  for (int i = 0; i < iCount; i++) {
    ASSERT_TRUE(boMboGetInstrument(i, &entry)) << i;
    EXPECT_EQ(g_aCatalogue[i].iNumber, entry.iNumber) << i;
    EXPECT_STREQ(g_aCatalogue[i].sName, entry.sName) << i;
  }
  EXPECT_FALSE(boMboGetInstrument(46, &entry));
  EXPECT_FALSE(boMboGetInstrument(-1, &entry));
}

TEST(Catalogue, EveryInstrumentHasTheRolesAndExtensionOfTheTable) {
  for (const Expected& e : g_aCatalogue) {
    SCOPED_TRACE(e.iNumber);
    EXPECT_EQ(e.boW, pMboGetRawWriter(e.iNumber) != nullptr);
    EXPECT_EQ(e.boX, pMboGetXmlWriter(e.iNumber) != nullptr);
    EXPECT_EQ(e.boRx, pMboGetReceiver(e.iNumber) != nullptr);
    EXPECT_EQ(e.boR, pMboGetRawReader(e.iNumber) != nullptr);
    EXPECT_EQ(e.boP, pMboGetFileReader(e.iNumber) != nullptr);
    EXPECT_EQ(e.boTx, pMboGetSender(e.iNumber) != nullptr);
    EXPECT_EQ(e.boW || e.boX, boMboCanWrite(e.iNumber));
    EXPECT_EQ(e.boR || e.boP, boMboCanRead(e.iNumber));
    EXPECT_EQ(e.boRx, boMboCanReceive(e.iNumber));
    EXPECT_EQ(e.boTx, boMboCanSend(e.iNumber));
    EXPECT_STREQ(e.sExt, sMboRawFileExtension(e.iNumber));
    EXPECT_EQ(e.iNumber == 29, boMboNeedsVertexIds(e.iNumber));
  }
}

TEST(Catalogue, SharedDriversAndBoundArgumentsAreDispatchedAsTheTableSays) {
  // One GSI reader for all Leica total stations and the level.
  EXPECT_EQ(pMboGetRawReader(92), pMboGetRawReader(80));
  EXPECT_EQ(pMboGetRawReader(95), pMboGetRawReader(96));
  // The TPS models have their own transfer.
  EXPECT_NE(pMboGetReceiver(92), pMboGetReceiver(96));
  // The DiNi10 receives with the REC 500 routine.
  EXPECT_EQ(pMboGetReceiver(22), pMboGetReceiver(81));
  // Geodat 11 and 12 pass the file mode, 13 to 16 always 0.
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
  EXPECT_TRUE(boMboCanReceive(14));
  EXPECT_FALSE(boMboCanSend(14));
}

TEST(Catalogue, InstrumentNameIsBoundedAndEmptyForUnknownNumbers) {
  char sBuf[40];
  vMboInstrumentName(95, sBuf, (int)sizeof sBuf);
  EXPECT_STREQ("Leica GSI", sBuf);
  vMboInstrumentName(100, sBuf, (int)sizeof sBuf);
  EXPECT_STREQ(" Leica VML", sBuf);
  strcpy(sBuf, "garbage");
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
  for (const std::string& s : items) {
    int n = iItemNumber(s);
    EXPECT_NE(62, n);
    EXPECT_NE(28, n);
    EXPECT_NE(97, n);
  }
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
  std::vector<int> expected = {11, 12, 13, 16, 10, 22, 92, 95, 94, 93, 96, 63, 72, 73, 21, 42, 67,
                               98, 24, 64, 65, 25, 26, 28, 29, 30};
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

TEST(PendingDrivers, EveryDriverStillToComeIsStoodInFor) {
  // Each driver that lands removes its stand-in; at the end there are none.
  std::string sNames;
  for (int i = 0; i < iMboPendingDriverCount(); i++) sNames += std::string(sMboPendingDriverName(i)) + " ";
  EXPECT_EQ(63, iMboPendingDriverCount()) << sNames;
  EXPECT_EQ(nullptr, sMboPendingDriverName(iMboPendingDriverCount()));
}

TEST(PendingDrivers, AStandInWarnsThatTheRoleIsNotAvailableAndFails) {
  vUiExpectBox(IDOK, "ERROR! Receiving raw data is not available for this instrument");
  EXPECT_FALSE(boMboRoleUnavailable(2));
  ASSERT_EQ(1u, UiBoxLog().size());
  EXPECT_EQ(MB_ICONEXCLAMATION, UiBoxLog()[0].uStyle & MB_ICONMASK);
}

}  // namespace
