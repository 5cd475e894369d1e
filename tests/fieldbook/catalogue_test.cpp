// The instrument catalogue and the dispatch of every instrument's roles.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/rtdialog.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "testing/ui_driver.h"
#include "win32.h"

namespace {

// A driver entry as an address, to compare entries of different types.
template <class Fn>
const void* pAddr(Fn fn) {
  return reinterpret_cast<const void*>(fn);
}
#define D(fn) pAddr(&fn)
const void* const NONE = nullptr;
// An adapter that binds fixed arguments of a shared driver: present, but
// not the driver itself.
const char g_bound = 0;
const void* const BOUND = &g_bound;

enum { W, X, RX, R, P, TX };  // raw writer, XML writer, receiver, raw reader, reader by path, sender

struct Expected {
  int iNumber;
  const char* sName;
  const void* apRole[6];
  const char* sExt;
};

const Expected g_aCatalogue[] = {
    {11, "Geodat 402,500,600", {D(boGeodatWriteRaw), NONE, BOUND, D(boGeodatReadRaw), NONE, BOUND}, "raw"},
    {12, "Geodat 400", {D(boGeodatWriteRaw), NONE, BOUND, D(boGeodatReadRaw), NONE, BOUND}, "raw"},
    {13, "Geodat 126", {D(boGeodatWriteRaw), NONE, BOUND, D(boGeodatReadRaw), NONE, BOUND}, "raw"},
    {14, "Geodat 124", {NONE, NONE, BOUND, D(boGeodatReadRaw), NONE, NONE}, "raw"},
    {15, "Geodimeter A", {NONE, NONE, BOUND, D(boGeodatReadRaw), NONE, NONE}, "raw"},
    {16, "Geodimeter B", {D(boGeodatWriteRaw), NONE, BOUND, D(boGeodatReadRaw), NONE, BOUND}, "raw"},
    {10, "Geodat PCMCIA", {D(boGeodatWriteRaw), NONE, NONE, D(boGeodatReadRaw), NONE, NONE}, "are"},
    {22, "REC 500", {D(boRec500WriteRaw), NONE, D(boRec500Receive), D(boRec500ReadRaw), NONE, D(boRec500Send)}, "raw"},
    {92, "Leica GIF10", {D(boGsiWriteRaw), NONE, D(boGsiReceive), D(boGsiReadRaw), NONE, D(boGsiSend)}, "raw"},
    {95, "Leica GSI", {D(boGsiWriteRaw), NONE, NONE, D(boGsiReadRaw), NONE, NONE}, "gsi"},
    {94, "Leica GRE3/4", {D(boGsiWriteRaw), NONE, D(boGsiReceive), D(boGsiReadRaw), NONE, D(boGsiSend)}, "raw"},
    {93, "Leica TC600", {D(boGsiWriteRaw), NONE, D(boGsiReceive), D(boGsiReadRaw), NONE, D(boGsiSend)}, "raw"},
    {96, "Leica TC605/805/905", {D(boGsiWriteRaw), NONE, D(boGsiTpsReceive), D(boGsiReadRaw), NONE, D(boGsiTpsSend)}, "raw"},
    {62, "Sokkisha SDR24", {NONE, NONE, D(boSdrReceive), NONE, NONE, D(boSdrSend)}, "raw"},
    {63, "Sokkisha SDR33", {D(boSdr33WriteRaw), NONE, D(boSdrReceive), D(boSdr33ReadRaw), NONE, D(boSdrSend)}, "raw"},
    {72, "Topcon FC1/2", {D(boTopconFcWriteRaw), NONE, D(boTopconFcReceive), D(boTopconFcReadRaw), NONE, D(boTopconFcSend)}, "raw"},
    {73, "Topcon GTS-800", {D(boGts800WriteRaw), NONE, D(boGts800Receive), D(boGts800ReadRaw), NONE, D(boGts800Send)}, "raw"},
    {21, "Psion", {D(boPsionWriteRaw), NONE, D(boPsionReceive), D(boPsionReadRaw), NONE, D(boPsionSend)}, "raw"},
    {42, "Kern AC 64/128", {D(boKernWriteRaw), NONE, D(boKernReceive), D(boKernReadRaw), NONE, D(boKernSend)}, "raw"},
    {67, "Nikon DTM-400", {D(boNikonWriteRaw), NONE, D(boNikonReceive), D(boNikonReadRaw), NONE, D(boNikonSend)}, "raw"},
    {80, "Leica NA3000", {NONE, NONE, D(boGsiReceive), D(boGsiReadRaw), NONE, NONE}, "raw"},
    {81, "ZEISS DiNi10", {NONE, NONE, D(boRec500Receive), D(boMboReadDiNi10), NONE, NONE}, "raw"},
    {82, "Topcon DL101/102", {NONE, NONE, D(boDl101Receive), D(boDl101ReadRaw), NONE, NONE}, "raw"},
    {98, "KOF", {BOUND, NONE, NONE, D(boKofReadRaw), NONE, D(boKofSend)}, "kof"},
    {99, "Pumatec", {NONE, NONE, NONE, D(boPumatecReadRaw), NONE, NONE}, "ptc"},
    {24, "Trimble DiNi (M5 format)", {D(boM5WriteRaw), NONE, NONE, D(boM5ReadRaw), NONE, NONE}, "raw"},
    {64, "Trimble DC77", {D(boDc77WriteRaw), NONE, D(boSdrReceive), D(boTrimbleDcReadRaw), NONE, D(boSdrSend)}, "raw"},
    {65, "Trimble DC10", {D(boDc10WriteRaw), NONE, D(boSdrReceive), D(boTrimbleDcReadRaw), NONE, D(boSdrSend)}, "raw"},
    {25, "LANDXML", {NONE, BOUND, NONE, BOUND, NONE, NONE}, "xml"},
    {97, "..", {NONE, NONE, NONE, NONE, NONE, NONE}, "raw"},
    {50, "GPS Leica Ascii", {NONE, NONE, NONE, D(boGpsLeicaAsciiReadRaw), NONE, NONE}, "asc"},
    {51, "GPS Trimble TGO", {NONE, NONE, NONE, D(boGpsTrimbleTgoReadRaw), NONE, NONE}, "asc"},
    {52, "GPS Ashtech binary", {NONE, NONE, NONE, D(boGpsAshtechReadRaw), NONE, NONE}, "*"},
    {53, "GPS Geolab ascii", {NONE, NONE, NONE, D(boGpsGeolabReadRaw), NONE, NONE}, "*"},
    {54, "GPS NGS Bluebook", {NONE, NONE, NONE, D(boGpsBluebookReadRaw), NONE, NONE}, "G"},
    {55, "GPS Magellan", {NONE, NONE, NONE, D(boGpsMagellanReadRaw), NONE, NONE}, "*"},
    {56, "GPS Trimble Binary", {NONE, NONE, NONE, D(boGpsTrimbleBinReadRaw), NONE, NONE}, "ss?"},
    {27, "Leica DBX (via HeXML)", {NONE, NONE, NONE, BOUND, NONE, NONE}, "xcf"},
    {31, "Leica DBX (via LandXML)", {NONE, NONE, NONE, BOUND, NONE, NONE}, "xcf"},
    {26, "Leica LandXML", {NONE, BOUND, NONE, BOUND, NONE, NONE}, "xml"},
    {28, "Trimble LandXML", {NONE, BOUND, NONE, NONE, NONE, NONE}, "xml"},
    {29, "Leica HeXML", {NONE, BOUND, NONE, BOUND, NONE, NONE}, "xml"},
    {30, "Trimble JobX (beta)", {NONE, BOUND, NONE, NONE, BOUND, NONE}, "jxl"},
    {100, " Leica VML", {NONE, NONE, NONE, D(boVmlReadRaw), NONE, NONE}, "vml"},
    {74, "Topcon MAXML (beta)", {NONE, NONE, NONE, NONE, BOUND, NONE}, "mxl"},
    {101, "SBG surveing format (beta)", {NONE, NONE, NONE, NONE, D(boSbgReadFile), NONE}, "plm"},
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
    // The whole text, byte for byte: a two-digit number and a blank, or the
    // three digits right before the name.
    const Expected& e = g_aCatalogue[i];
    std::string sText = std::to_string(e.iNumber) + (e.iNumber < 100 ? " " : "") + e.sName;
    EXPECT_EQ(sText, sDlgLoadString(5121 + i));
    char sName[40] = "";
    vMboInstrumentName(e.iNumber, sName, (int)sizeof sName);
    EXPECT_STREQ(e.sName, sName);
  }
  EXPECT_EQ('?', sDlgLoadString(5121 + iCount)[0]);
  EXPECT_FALSE(boMboGetInstrument(46, &entry));
  EXPECT_FALSE(boMboGetInstrument(-1, &entry));
}

TEST(Catalogue, EveryInstrumentHasTheRolesAndExtensionOfTheTable) {
  for (const Expected& e : g_aCatalogue) {
    SCOPED_TRACE(e.iNumber);
    const void* apGot[6] = {pAddr(pMboGetRawWriter(e.iNumber)),  pAddr(pMboGetXmlWriter(e.iNumber)),
                            pAddr(pMboGetReceiver(e.iNumber)),   pAddr(pMboGetRawReader(e.iNumber)),
                            pAddr(pMboGetFileReader(e.iNumber)), pAddr(pMboGetSender(e.iNumber))};
    for (int iRole = W; iRole <= TX; iRole++) {
      SCOPED_TRACE(iRole);
      if (e.apRole[iRole] == BOUND)
        EXPECT_NE(nullptr, apGot[iRole]);
      else
        EXPECT_EQ(e.apRole[iRole], apGot[iRole]);
    }
    auto has = [&e](int iRole) { return e.apRole[iRole] != NONE; };
    EXPECT_EQ(has(W) || has(X), boMboCanWrite(e.iNumber));
    EXPECT_EQ(has(R) || has(P), boMboCanRead(e.iNumber));
    EXPECT_EQ(has(RX), boMboCanReceive(e.iNumber));
    EXPECT_EQ(has(TX), boMboCanSend(e.iNumber));
    EXPECT_STREQ(e.sExt, sMboRawFileExtension(e.iNumber));
    EXPECT_EQ(e.iNumber == 29, boMboNeedsVertexIds(e.iNumber));
  }
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
  for (const std::string& s : items) EXPECT_TRUE(iItemNumber(s) != 62 && iItemNumber(s) != 28 && iItemNumber(s) != 97) << s;
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
