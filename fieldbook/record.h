// The current-record builder: readers never build field-book objects
// themselves. They feed one raw record at a time into the pending record
// (point name, station name, code, coordinates, total-station values) and
// call vMboFlushPending when the record is complete; the flush merges the
// point by name, turns the pending values into a total-station observation
// of the current station, converts codes and routes the point into the
// coded-line builders.
//
// Stickiness: outside KOF mode the pending code, instrument height, target
// height, air pressure and temperature carry over from record to record
// until a reader changes them; in KOF mode invalid values clear them and the
// code is cleared after every point and observation.
//
// The pending observations of the other kinds, the total-station value
// setter and the reductions are in record_obs.h.
#pragma once

#include <cstdint>

#include "kv2gr.h"

// Buffer sizes, terminator included. Readers that write into the buffers of
// sMboRecGetPointName and sMboRecGetCode stay within these.
#define MBO_REC_NAME_SIZE 100
#define MBO_REC_CODE_SIZE 16
#define MBO_REC_REMARK_SIZE 80
#define MBO_REC_HEIGHT_SIZE 16  // instrument and target height texts
#define MBO_REC_METEO_SIZE 10   // air pressure and temperature texts
// A coordinate text holds "%.4lf" of any double (up to 309 digits before the
// point), so that no value in a file can overrun it.
#define MBO_REC_COORD_SIZE 330

// Items of vMboRecSetCoord.
#define MBO_REC_NORTH 1  // north: becomes Y, with the settings' EO added
#define MBO_REC_EAST 2   // east: becomes X, with NO added
#define MBO_REC_Z 4
#define MBO_REC_XY_PRECALC 64  // the XY given is precalculated, not measured
#define MBO_REC_Z_PRECALC 128

// The pending record (module globals; cleared by the field book's init and
// reset). Readers go through the functions below; the record is visible for
// the tests and for the few readers that look at what is pending.
struct MboRecPending {
  char sStation[MBO_REC_NAME_SIZE];  // pending station name (a point ID)
  uint32_t uStationFlag;             // 1: the last name set was a station name
  char sPoint[MBO_REC_NAME_SIZE];    // pending point name (a point ID)
  char sCode[MBO_REC_CODE_SIZE];
  uint32_t uRouted;                 // the point name was handed to the coded lines
  uint32_t uNewStation;             // the next flushed point is not routed into lines
  char sNorth[MBO_REC_COORD_SIZE];  // "%.4lf" texts, "" when not given
  char sEast[MBO_REC_COORD_SIZE];
  char sZ[MBO_REC_COORD_SIZE];
  double dNorth, dEast, dZ;  // the values of those texts, set with them
  uint32_t uPointDirty;      // a coordinate item was set since the last flush
  uint8_t uXYPrecalc;
  uint8_t uZPrecalc;
  // Pending total-station values (record_obs.h), angles already internal.
  double dHz;
  double dV;  // zenith angle
  double dHz2;
  double dV2;
  double dDist;
  uint32_t uObsFlags;  // MBO_OBS_HZ_VALID, MBO_OBS_V_VALID, MBO_OBS_DIST_VALID
  uint32_t uHz2Present;
  uint32_t uV2Present;
  char sRemark[MBO_REC_REMARK_SIZE];
  uint32_t uHorDist;     // the distance is horizontal
  uint32_t uObsPending;  // a value of the observation was given
  // Beside the record, cleared with it.
  char sTargetHeight[MBO_REC_HEIGHT_SIZE];
  char sInstrHeight[MBO_REC_HEIGHT_SIZE];
  char sPressure[MBO_REC_METEO_SIZE];
  char sTemperature[MBO_REC_METEO_SIZE];
};

extern MboRecPending g_mboRec;

// Clears the pending record, the current objects, the eccentric offsets and
// KOF mode (the field book's init and reset).
void vMboRecClear(void);

// KOF mode: cleared by the read operation before every reader, set only by
// the KOF reader.
void vMboRecSetKofMode(int on);
bool boMboRecKofMode(void);

// ---- Setters ----
// Names pass through sMboRecMakePointId (trimmed, job and area added); a
// null or blank name gives an empty ID.
void vMboRecSetPointName(const char* name);
void vMboRecSetStationName(const char* name);
// A null code counts as empty; a code whose first eight characters are
// "-9999999" clears the pending code; otherwise 15 characters are kept.
void vMboRecSetCode(const char* code);
// item: MBO_REC_*. North, east and Z take a text that starts like a number
// (other texts leave the value empty); the precalculated items take none.
void vMboRecSetCoord(int item, const char* text);
// The next flushed point is not routed into coded lines (KOF parameters).
void vMboRecMarkNewStation(void);

// The live buffers (MBO_REC_NAME_SIZE and MBO_REC_CODE_SIZE bytes): readers
// read and change them in place.
char* sMboRecGetPointName(void);
char* sMboRecGetCode(void);

// Stores what is pending: 1 when a point or an observation was stored, else
// 0 (an int, whatever its prefix says: the readers call it by this name).
int vMboFlushPending(void);

// The code rule for a point: in KOF mode the feature-code conversion of the
// code; otherwise an all-nines code ("9999...") becomes the current
// code-driven line's name and any other code its feature-code conversion.
void vMboSetPointCode(PoPoint* point, const char* code);

// ---- Current objects ----
// Each maker is idempotent: it makes the station (kind 1, 2, 4, 5) when none
// is current, and the *Obs makers an observation of it when none is current.
void vMboRecBeginTsStation(void);
void vMboRecBeginTsObs(void);
void vMboRecBeginLevStation(void);
void vMboRecBeginLevObs(void);
void vMboRecBeginGpsStation(void);
void vMboRecBeginGpsObs(void);
void vMboRecBeginCoordStation(void);
void vMboRecBeginCoordObs(void);

// The current station and observation of a kind (null when none).
void* pMboRecCurrentStation(int kind);
void* pMboRecCurrentObs(int kind);
// No observation of the kind is current any more.
void vMboRecForgetObs(int kind);
// No station (and so no observation) of the kind is current any more.
void vMboRecForgetStation(int kind);

// The point number (part 2) of the current total-station observation's
// target name, at most 29 characters; "" when none is current. Scratch text.
const char* sMboRecTargetPointNo(void);
