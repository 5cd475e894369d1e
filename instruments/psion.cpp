// Psion field computer (instrument 21): uploads of blank-separated
// coordinate lines, and downloads in the Geodat label=value format, which
// the Geodat reader takes.
#include "instruments/psion.h"

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/model.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/geodat.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "kvxlib.h"

// One line per point with XY: number, code ("x" without one), north and
// east less the offsets, and Z when there is one. The format separates by
// blanks, so a name or code holding blanks cannot be read back apart; the
// device takes it as it comes.
namespace {

// A line put together at a cursor, cut at 2047 characters as the
// concatenations it stands for would cut it, control bytes as blanks (as
// the line writer puts them) and the bytes the reader takes as
// code-page-865 letters as '?', then CR LF.
struct PsionLine {
  char buf[2048 + 2];
  char* at = buf;
  void vPut(const char* s) {
    char* lim = buf + 2047;
    for (; *s && at < lim; ++s) *at++ = cMboLineByte865(*s);
  }
  void vPutFixed(double value) {
    char digits[400];  // "%.3f" of the largest double
    iNumPrintFixedC(digits, (int)sizeof digits, value, 3);
    vPut(digits);
  }
};

}  // namespace

bool boPsionWriteRaw(uint32_t hRaw) {
  if (!g_pMboPoints) return false;
  const MboSettings& set = g_mboTransfer.settings;
  bool boOk = true;
  PsionLine line;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x, y, z;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    const char* sCode = sMboPointGetField(p);
    // Put together as "%s %s %.3lf %.3lf[ %.3lf]" would give it, without
    // the format parsing.
    line.at = line.buf;
    line.vPut(sMboGetPointNo(p));
    line.vPut(" ");
    line.vPut(sCode && *sCode ? sCode : "x");
    line.vPut(" ");
    line.vPutFixed(y - set.iEO);
    line.vPut(" ");
    line.vPutFixed(x - set.iNO);
    if (boMboGetPointZ(p, &z)) {
      line.vPut(" ");
      line.vPutFixed(z);
    }
    *line.at++ = '\r';
    *line.at++ = '\n';
    boOk = boMboWriteBytes(hRaw, line.buf, (uint32_t)(line.at - line.buf)) && boOk;
  }
  return boOk && boMboWriteOk();
}

namespace {

// The Geodat reader runs as a Geodat 400; the Psion number comes back
// whichever way it ends.
struct InstrumentAs {
  explicit InstrumentAs(uint32_t uAs) { g_mboTransfer.settings.uInstrument = uAs; }
  ~InstrumentAs() { g_mboTransfer.settings.uInstrument = MBO_INSTR_PSION; }
};

}  // namespace

bool boPsionReadRaw(uint32_t hRaw, uint32_t hSide) {
  InstrumentAs as(MBO_INSTR_GEODAT_400);
  return boGeodatReadRaw(hRaw, hSide);
}

bool boPsionReceive(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Choose data for transfer.\nPress ENTER on PC before transfer is started.")) ||
      !boBlkOpenPort(1))
    return false;
  vComSetLineChars('\r', '\n');
  vComSetReplyChar('#');
  return boBlkEnd(boBlkReceiveFile(g_mboTransfer.hRaw, "-9"));
}

bool boPsionSend(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Make fieldbook ready to receive\nand press ENTER on PC.")) || !boBlkOpenPort(0))
    return false;
  vComSetLineChars('\r', '\n');
  vComSetAbortChar(26);
  vMboShowStatusText(sKvxPoGetText("Waiting for data from fieldbook"));
  return boBlkEnd(boBlkSendFile(g_mboTransfer.hRaw, "\x1a"));
}
