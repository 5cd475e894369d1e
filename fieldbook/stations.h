// Stations and the observations made from them, in four kinds: 1 total
// station, 2 levelling, 4 GPS vector, 5 coordinate observation. Each kind has
// one list of stations; each station owns the list of its observations. The
// host and the readers and writers reach every field as text through an
// attribute number, so these layouts stay private to the module.
#pragma once

#include <cstdint>

#include "base/slink.h"
#include "fieldbook/api.h"

#define MBO_KIND_TS 1
#define MBO_KIND_LEV 2
#define MBO_KIND_GPS 4
#define MBO_KIND_COORD 5

// Validity flags of a total-station observation.
#define MBO_OBS_HZ_VALID 8u
#define MBO_OBS_V_VALID 16u
#define MBO_OBS_DIST_VALID 32u
#define MBO_OBS_TH_VALID 128u

// A name (a point ID) of at most MBO_NAME_SIZE - 1 characters. A short one
// (up to 15 characters, as nearly all are) lives in the record; a longer one
// beside it, sized to the text: an import keeps a million records, and each
// byte stored costs its first touch. Reached through sMboName and
// boMboSetName only.
#define MBO_NAME_SIZE 100
struct MboName {
  // The text, or with the last byte set: the address (first 8 bytes) and the
  // size (byte 8) of its buffer beside the record.
  char sIn[16];
};

// What every station starts with: the list link, then its observations.
struct MboStationHead {
  SLinkObj* pNext;
  SLinkList obsList;
};

struct MboStationTs {
  MboStationHead head;
  MboName name;
  int32_t iInstrNo;
  char sInstrHeight[16];
  char sPressure[10];  // mmHg
  char sTemperature[10];
  int32_t iCorrCode;
};

struct MboStationLev {
  MboStationHead head;
  int32_t iSetNo;
  int32_t iInstrNo;
};

struct MboStationGps {
  MboStationHead head;
  int32_t iInstrNo;
  MboName name;
  double dAntennaHeight;  // 0: unset
};

struct MboStationCoord {
  MboStationHead head;
  int32_t iInstrNo;
  MboName name;
};

// A total-station observation's remark holds at most 79 characters.
#define MBO_OBS_REMARK_SIZE 80

// Angles in the coordinate-system library's internal unit, lengths in metres.
struct MboObsTs {
  SLinkObj* pNext;
  MboName target;
  char sCode[16];
  // Null without a remark, else MBO_OBS_REMARK_SIZE bytes beside the record
  // (boMboSetObsRemark): most observations have none, and an import keeps a
  // million observations.
  char* pRemark;
  double dTargetHeight;
  double dHz;
  double dV;
  double dDist;
  uint8_t uFlags;    // MBO_OBS_*
  uint8_t uHorDist;  // 1: the distance is horizontal, 0: slope
};

struct MboObsLev {
  SLinkObj* pNext;
  MboName from;
  MboName to;
  char sCode[16];
  double dHeightDiff;
  double dDist;  // sum of the sight lengths
};

struct MboObsGps {
  SLinkObj* pNext;
  MboName to;
  char sCode[16];
  double dAntennaHeight;
  double dX, dY, dZ;
  double dSdX, dSdY, dSdZ;
  float r11, r12, r13, r22, r23, r33;  // correlations, upper triangle
};

struct MboObsCoord {
  SLinkObj* pNext;
  char sCode[16];
  double dAntennaHeight;
  double dQuality;
  char sEpoch[20];
  int32_t iQualityA;
  int32_t iQualityB;
  int32_t iBlockMark;
  double dX, dY, dZ;
  double dSdX, dSdY, dSdZ;
  float r11, r12, r13, r22, r23, r33;
};

// The exported station and observation functions are declared in
// fieldbook/api.h.

// ---- Module-internal ----
// The kind's station list; null for another kind.
SLinkList* pMboStationList(int kind);
void vMboInitStationLists(void);
// Frees every observation and station (the lists stay usable).
void vMboFreeStationLists(void);
// Makes the lists unusable (pMboAddSt gives null) until the next init.
void vMboForgetStationLists(void);
// True when a station's or observation's name holding a dot was stored
// since the lists were last emptied.
bool boMboDottedNameStored(void);
// False only while the kind's lists are known to hold nothing the clean-up
// after a read would delete: every station with an observation, every
// total-station target and GPS to-point named, every coordinate station
// named. Making a station or observation, or setting an attribute through
// the exported calls, counts as a change; the record builder, which names
// its total-station observations as it makes them, vouches for its own
// (vMboMarkSwept) when the kind was clean before.
bool boMboMaybeUnswept(int kind);
void vMboMarkSwept(int kind);
// A text that holds something other than blanks.
bool boMboIsNotBlank(const char* text);
// The name's text (never null).
const char* sMboName(const MboName* name);
// Stores the text (null: empty) cut to MBO_NAME_SIZE - 1 characters, as
// attribute 1 does; false when memory ran out (the name is then unchanged).
bool boMboSetName(MboName* name, const char* text);
// Stores the observation's remark (null: empty) as attribute 7 does; false
// when memory ran out.
bool boMboSetObsRemark(MboObsTs* obs, const char* text);
// A correlation coefficient as its single-precision field keeps it: a value
// outside [-1, 1] (rounding in a file's arithmetic, or a malformed file) is
// taken to the nearer bound, and NaN gives 0 as a text without a number
// does. A double beyond the float range must never reach a plain cast.
float fMboCorrelation(double value);
// The first station of the kind whose attribute, read as text, equals the
// text exactly; null when none.
void* pMboFindStationByAttr(int kind, int attr, const char* text);

// A new station with the settings' instrument number of its kind and,
// unless the settings hold -1, their correction code (kind 1 only).
void* pMboNewStation(int kind);
// Null when a station of the kind has that name (attribute 1) already;
// otherwise a new station (pMboNewStation) with the name.
void* pMboFindOrNewStation(int kind, const char* name);

int iMboCountStations(int kind);
// All observations of all stations of the kind.
int iMboCountObs(int kind);
int iMboCountTsObs(void);
int iMboCountLevObs(void);
int iMboCountGpsObs(void);
int iMboCountCoordObs(void);
