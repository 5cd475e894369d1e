// The host interface record: filled and owned by the host, shared in memory
// with the module, so its layout is part of the interface (1096 bytes).
#pragma once

#include <cstddef>
#include <cstdint>

#define MBO_HOST_REC_VERSION 1096

// Enumerates the host's instruments: first call with first != 0, then 0;
// non-zero while it delivers one, 0 at the end. Kinds: 1 total station,
// 7 levelling instrument, 8 coordinate instrument, 9 satellite receiver.
// The result is a 32-bit int on the interface (a C++ bool has no fixed width
// across compilers).
typedef int32_t (*MboInstrumentEnumFn)(int first, int* kind, int* number, char* name, int size);
// Enumerates the host's correction codes in the same way.
typedef int32_t (*MboCorrCodeEnumFn)(int first, int* number, char* name, int size);

struct MboHostRec {
  uint32_t uVersion;       // must be MBO_HOST_REC_VERSION
  uint32_t uReserved;      // alignment of the handle below
  uint64_t uCoSys;         // coordinate-system handle of the project (kv2cosys)
  char sUnused[257];       // text the module does not read
  char sTeleparDir[257];   // folder that holds "Telepar.ini"
  char sRawBaseName[9];    // raw-file base name, up to 8 characters, may be empty
  char sProjectPath[257];  // project path; its folder is the raw file's folder
  char sIniPath[260];      // the host's ini file
  MboInstrumentEnumFn pfnInstrumentEnum;
  MboCorrCodeEnumFn pfnCorrCodeEnum;
  uint64_t uPointsOut;    // written by vKvxMboInit: point container
  uint64_t uLinesOut;     // line container
  uint64_t uPolygonsOut;  // polygon container
};

static_assert(sizeof(MboHostRec) == 1096);
static_assert(offsetof(MboHostRec, uVersion) == 0);
static_assert(offsetof(MboHostRec, uCoSys) == 8);
static_assert(offsetof(MboHostRec, sUnused) == 16);
static_assert(offsetof(MboHostRec, sTeleparDir) == 273);
static_assert(offsetof(MboHostRec, sRawBaseName) == 530);
static_assert(offsetof(MboHostRec, sProjectPath) == 539);
static_assert(offsetof(MboHostRec, sIniPath) == 796);
static_assert(offsetof(MboHostRec, pfnInstrumentEnum) == 1056);
static_assert(offsetof(MboHostRec, pfnCorrCodeEnum) == 1064);
static_assert(offsetof(MboHostRec, uPointsOut) == 1072);
static_assert(offsetof(MboHostRec, uLinesOut) == 1080);
static_assert(offsetof(MboHostRec, uPolygonsOut) == 1088);
