// Stand-ins for the drivers that are not built yet: each warns that this
// role of the instrument is not available and returns false, so that the
// dispatch and the capabilities are already those of the finished module.
// When a driver lands, delete its line here and its name in the list below.
#include <cstdint>

#include "fieldbook/catalogue.h"

bool boGeodatWriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boGeodatReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGeodatTransfer(int iDirection, int, const char*) { return boMboRoleUnavailable(iDirection ? 5 : 2); }
bool boRec500WriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boRec500Receive(const char*) { return boMboRoleUnavailable(2); }
bool boRec500ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boRec500Send(const char*) { return boMboRoleUnavailable(5); }
bool boGsiWriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boGsiReceive(const char*) { return boMboRoleUnavailable(2); }
bool boGsiReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGsiSend(const char*) { return boMboRoleUnavailable(5); }
bool boGsiTpsReceive(const char*) { return boMboRoleUnavailable(2); }
bool boGsiTpsSend(const char*) { return boMboRoleUnavailable(5); }
bool boSdrReceive(const char*) { return boMboRoleUnavailable(2); }
bool boSdrSend(const char*) { return boMboRoleUnavailable(5); }
bool boSdr33WriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boSdr33ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boTopconFcWriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boTopconFcReceive(const char*) { return boMboRoleUnavailable(2); }
bool boTopconFcReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boTopconFcSend(const char*) { return boMboRoleUnavailable(5); }
bool boGts800WriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boGts800Receive(const char*) { return boMboRoleUnavailable(2); }
bool boGts800ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGts800Send(const char*) { return boMboRoleUnavailable(5); }
bool boPsionWriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boPsionReceive(const char*) { return boMboRoleUnavailable(2); }
bool boPsionReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boPsionSend(const char*) { return boMboRoleUnavailable(5); }
bool boKernWriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boKernReceive(const char*) { return boMboRoleUnavailable(2); }
bool boKernReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boKernSend(const char*) { return boMboRoleUnavailable(5); }
bool boNikonWriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boNikonReceive(const char*) { return boMboRoleUnavailable(2); }
bool boNikonReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boNikonSend(const char*) { return boMboRoleUnavailable(5); }
bool boMboReadDiNi10(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boDl101Receive(const char*) { return boMboRoleUnavailable(2); }
bool boDl101ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
void vKofWriteRaw(uint32_t) { boMboRoleUnavailable(0); }
bool boKofReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boKofSend(const char*) { return boMboRoleUnavailable(5); }
bool boPumatecReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boM5WriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boM5ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boDc77WriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boDc10WriteRaw(uint32_t) { return boMboRoleUnavailable(0); }
bool boTrimbleDcReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boLxmlWriteFile(const char*, int) { return boMboRoleUnavailable(1); }
int iLxmlReadRaw(uint32_t, uint32_t, int) { return boMboRoleUnavailable(3) ? 1 : 0; }
bool boGpsLeicaAsciiReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGpsTrimbleTgoReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGpsAshtechReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGpsGeolabReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGpsBluebookReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGpsMagellanReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
bool boGpsTrimbleBinReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
int iJxlWriteFile(const char*) { return boMboRoleUnavailable(1) ? 1 : 0; }
bool boJxlReadFile(const char*) { return boMboRoleUnavailable(4); }
bool boVmlReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(3); }
int iMaxmlReadFile(const char*) { return boMboRoleUnavailable(4) ? 1 : 0; }
bool boSbgReadFile(const char*, uint32_t) { return boMboRoleUnavailable(4); }

namespace {

const char* const g_apszPending[] = {
    "boGeodatWriteRaw",
    "boGeodatReadRaw",
    "boGeodatTransfer",
    "boRec500WriteRaw",
    "boRec500Receive",
    "boRec500ReadRaw",
    "boRec500Send",
    "boGsiWriteRaw",
    "boGsiReceive",
    "boGsiReadRaw",
    "boGsiSend",
    "boGsiTpsReceive",
    "boGsiTpsSend",
    "boSdrReceive",
    "boSdrSend",
    "boSdr33WriteRaw",
    "boSdr33ReadRaw",
    "boTopconFcWriteRaw",
    "boTopconFcReceive",
    "boTopconFcReadRaw",
    "boTopconFcSend",
    "boGts800WriteRaw",
    "boGts800Receive",
    "boGts800ReadRaw",
    "boGts800Send",
    "boPsionWriteRaw",
    "boPsionReceive",
    "boPsionReadRaw",
    "boPsionSend",
    "boKernWriteRaw",
    "boKernReceive",
    "boKernReadRaw",
    "boKernSend",
    "boNikonWriteRaw",
    "boNikonReceive",
    "boNikonReadRaw",
    "boNikonSend",
    "boMboReadDiNi10",
    "boDl101Receive",
    "boDl101ReadRaw",
    "vKofWriteRaw",
    "boKofReadRaw",
    "boKofSend",
    "boPumatecReadRaw",
    "boM5WriteRaw",
    "boM5ReadRaw",
    "boDc77WriteRaw",
    "boDc10WriteRaw",
    "boTrimbleDcReadRaw",
    "boLxmlWriteFile",
    "iLxmlReadRaw",
    "boGpsLeicaAsciiReadRaw",
    "boGpsTrimbleTgoReadRaw",
    "boGpsAshtechReadRaw",
    "boGpsGeolabReadRaw",
    "boGpsBluebookReadRaw",
    "boGpsMagellanReadRaw",
    "boGpsTrimbleBinReadRaw",
    "iJxlWriteFile",
    "boJxlReadFile",
    "boVmlReadRaw",
    "iMaxmlReadFile",
    "boSbgReadFile",
};

}  // namespace

int iMboPendingDriverCount(void) { return (int)(sizeof g_apszPending / sizeof g_apszPending[0]); }

const char* sMboPendingDriverName(int iIndex) {
  return iIndex >= 0 && iIndex < iMboPendingDriverCount() ? g_apszPending[iIndex] : nullptr;
}
