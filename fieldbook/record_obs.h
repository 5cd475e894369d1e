// Pending observations: the total-station value setter of the current
// record and the reductions the flush applies (two-face mean, eccentric
// correction); GPS vectors and coordinate observations written directly into
// the current kind-4 and kind-5 records; the clean-up after a read; the angle
// parsers of the XML readers.
//
// Angles inside the field book are radians in the coordinate-system
// library's internal convention; the vertical angle is a zenith angle.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

struct MboObsTs;
struct MboRecPending;

// Items of vMboRecSetObsValue. 8, 16 and 32 equal the observation's flag
// bits; 64 and 128 are the heights (unlike flag 128, "target height valid").
#define MBO_OBS_ITEM_HORDIST 3   // the distance is horizontal (text ignored)
#define MBO_OBS_ITEM_CLEAR_IH 6  // instrument height := ""
#define MBO_OBS_ITEM_CLEAR_TH 7  // target height := ""
#define MBO_OBS_ITEM_HZ 8
#define MBO_OBS_ITEM_V 16
#define MBO_OBS_ITEM_DIST 32
#define MBO_OBS_ITEM_IH 64
#define MBO_OBS_ITEM_TH 128
#define MBO_OBS_ITEM_TH_OR_CLEAR 261  // blank clears, else as 128
#define MBO_OBS_ITEM_IH_OR_CLEAR 262  // blank clears, else as 64
#define MBO_OBS_ITEM_PRESSURE 512
#define MBO_OBS_ITEM_TEMPERATURE 1024
#define MBO_OBS_ITEM_HZ2 4081
#define MBO_OBS_ITEM_V2 4082
#define MBO_OBS_ITEM_HDIST 4083  // as 32, and the distance is horizontal
#define MBO_OBS_ITEM_REMARK 4084

// Eccentric target offsets (module globals, cleared with the record).
// Readers set them directly; they apply to the next total-station
// observation flushed and are then cleared, unless uKeep is set.
struct MboEccentric {
  double dCross;  // metres across the line of sight
  double dAlong;  // metres along it
  uint32_t uKeep;
};
extern MboEccentric g_mboEccentric;

// One total-station value of the pending record (items above). Angles are
// converted from the user's unit to the internal one here.
void vMboRecSetObsValue(int item, const char* text);
// An angle or distance item (8, 16, 32, 4081-4083) as its number, for a
// reader that has it without a text: the same as a text of that value. A
// value that is not finite counts as no number; other items take none.
void vMboRecSetObsNumber(int item, double value);

// The reductions of the flush, on one observation: the pending record's
// second face (which the observation does not keep) meant with the first.
void vMboRecTwoFaceReduce(MboObsTs* obs, const MboRecPending& pending);
void vMboRecEccentricCorrect(MboObsTs* obs);
// Two-face means: horizontal of two faces; vertical (zenith) of two faces.
double dMboMeanHorDir(double h1, double h2);
double dMboMeanVerDir(double w1, double w2);

// ---- GPS vectors (kind 4) ----
// Bits of vMboRecGpsSetField: 2 from-station, 4 to-point, 8/16/32 dX/dY/dZ,
// 64 station antenna height, 128 target antenna height, 512/1024/2048 the
// standard deviations of dX/dY/dZ (give them after the components), 4096
// code. Blank texts are ignored.
void vMboRecGpsSetField(int bit, const char* text);
// A numeric field (bits 8 to 2048) as its number, for a reader that has it
// without a text: the same as a text of that value. A value that is not
// finite counts as no number; other bits take none.
void vMboRecGpsSetNumber(int bit, double value);
// The six correlation values of the current vector, stored unchanged.
void vMboRecGpsSetSigmas(double r11, double r12, double r13, double r22, double r23, double r33);
// Standard deviations and correlations of the current vector from the upper
// triangle of its covariance matrix; a tiny (or undefined) deviation is 1.
void vMboRecGpsSetCovariance(double vxx, double cxy, double cxz, double vyy, double cyz, double vzz);
// Closes the current vector and station.
void vMboRecForgetGpsVector(void);

// ---- Coordinate observations (kind 5) ----
// Bits: 2 station name (always a new station when one is named already),
// 8/16/32 X/Y/Z, 64/128/256 their standard deviations, 512 antenna height,
// 1024 quality value, 2048/4096 quality counts, 8192 epoch, 16384 code,
// 32768 block mark. Blank texts are ignored.
void vMboRecCoordSetField(int bit, const char* text);
// The same fields of the current coordinate observation as scratch text; ""
// for another bit or when none is current.
const char* sMboRecCoordGetField(int bit);
void vMboRecCoordSetSigmas(double r11, double r12, double r13, double r22, double r23, double r33);
// As for GPS, but a tiny deviation zeroes all three and the correlations.
void vMboRecCoordSetCovariance(double vxx, double cxy, double cxz, double vyy, double cyz, double vzz);
// Makes sure a coordinate observation exists, then closes the station.
void vMboRecForgetCoordStation(void);

// After a read: the two-face reduction still pending, and observations,
// vectors and stations that received nothing are deleted.
void vMboRecAverageObservations(void);

// Hooks of the record layer that have nothing to do.
void vMboRecBeforeReader(void);
void vMboRecGeodatHook(void);
void vMboRecGpsRecordHook(int a, int b, int c, int d);

// ---- Angle parsers of the XML readers ----
// Non-empty and every character a digit, '-', '.' or 'e'.
bool boMboIsNumeric(std::string_view text);
// A numeric text as an internal direction or zenith angle (degrees: the text
// is in degrees, else radians, scaled into the user's unit first). No value
// for a text that is not numeric, gives no number, or is out of range.
std::optional<double> dMboStodHorDir(std::string_view text, bool degrees);
std::optional<double> dMboStodVerDir(std::string_view text, bool degrees);
// The same for a C text; a null text (a missing attribute) gives no value.
bool boMboIsNumeric(const char* text);
std::optional<double> dMboStodHorDir(const char* text, bool degrees);
std::optional<double> dMboStodVerDir(const char* text, bool degrees);
