// kv2cosys: the host's coordinate reference systems, geoid models and angle
// conventions, as the module imports them.
//
// Handles are opaque 64-bit values; 0 is "none". Failures give 0, false, ""
// (never null texts) or the documented default.
// - Coordinate system (`cs`, the host record's handle): handle 0 is valid and
//   means the default system: no datum, no projection, angles in gon with
//   the geodetic convention.
// - Height system (`ver`, the value the host passes to vKvxMboInitCoSysVer):
//   an opaque handle of a vertical datum, not a library version.
// - Reference system (`rs`) and geoid model (`g`): objects made with their
//   Create call and freed with their Close call; closing 0 or an already
//   closed handle does nothing. A null geoid gives false and a default height
//   of 0.
//
// Angles
// - Internal (what observations hold): radians. Horizontal directions in the
//   mathematical convention (counter-clockwise from the x axis, east);
//   the vertical angle is the ZENITH angle in radians.
// - User side: the system's angle unit (iCoSysGetUserSysAngleSystem:
//   0 gon, 1 degrees, 2 d.mmss, 3 radians) and convention (horizontal
//   directions clockwise from north, the geodetic one, by default).
// - dCoSysHorDir2Math(cs, u) = pi/2 - u in radians, brought into [0, 2 pi);
//   dCoSysHorDir2User is its exact inverse, giving [0, full circle).
// - dCoSysVerDir2Math takes a zenith angle in the user's unit and only
//   converts the unit; dCoSysVerDir2User converts back.
// - dCoSysScaleAng2User turns radians into the user's unit (no convention).
//
// Coordinates: x (r1) east, y (r2) north, in metres on the system's
// transverse Mercator grid.
#pragma once

#include <cstdint>

#ifdef _WIN32
#ifdef KV2COSYS_BUILD
#define KV2COSYS_API extern "C" __declspec(dllexport)
#else
#define KV2COSYS_API extern "C" __declspec(dllimport)
#endif
#else
#define KV2COSYS_API extern "C" __attribute__((visibility("default")))
#endif

// User angle systems.
#define COSYS_ANG_GON 0
#define COSYS_ANG_DEG 1
#define COSYS_ANG_DMS 2
#define COSYS_ANG_RAD 3

// ---- Reference system of a transfer ----
KV2COSYS_API const char* sCoSysGetDatumID(uint64_t cs);
KV2COSYS_API const char* sCoSysVerGetDatumID(uint64_t ver);
// The id of a reference system for the pair of datums; 0 when none.
KV2COSYS_API uint64_t CoSysRefSysFindId(const char* horDatum, const char* verDatum);
KV2COSYS_API uint64_t CoSysRefSysCreate(void);
KV2COSYS_API void vCoSysRefSysSetID(uint64_t rs, uint64_t id);
// Non-zero on success.
KV2COSYS_API int CoSysRefSysRead(uint64_t rs);
KV2COSYS_API void CoSysRefSysClose(uint64_t rs);
KV2COSYS_API const char* sCoSysRefSysGetGeoideID(uint64_t rs);

// ---- Geoid models ----
KV2COSYS_API uint64_t CoSysGeoideCreate(void);
KV2COSYS_API void vCoSysGeoideSetID(uint64_t g, const char* id);
// Non-zero on success.
KV2COSYS_API int CoSysGeoideRead(uint64_t g);
KV2COSYS_API void CoSysGeoideClose(uint64_t g);
// Geoid separation N at grid x (east), y (north): ellipsoidal height =
// orthometric height + N. False where the model has none, or for g = 0.
KV2COSYS_API bool boCoSysGeoideCalculateHeight(uint64_t g, uint64_t cs, const char* id, double x, double y, double* n);
KV2COSYS_API double dCoSysGeoideGetDefaultHeight(uint64_t g);
// Earth-centred X, Y, Z (metres) on the reference system's datum to grid east
// (r1), north (r2) and height (r3): the ellipsoidal height less the geoid
// separation where g has one there, else the ellipsoidal height.
KV2COSYS_API bool boCoSysGeoideFromEarthCentric(uint64_t rs, uint64_t g, const char* name, double x, double y, double z,
                                                double* r1, double* r2, double* r3);
KV2COSYS_API bool boCoSysFromDecimalLatitudeLongitude(uint64_t cs, double latDeg, double lonDeg, double* east,
                                                      double* north);
// Height correction of the named model at a grid position: h = -N, so that
// adding h to an ellipsoidal height gives the orthometric one.
KV2COSYS_API bool boCoSysCalcGeoideH(uint64_t cs, const char* model, double east, double north, double* h);
// Fallback of the above: minus the model's default separation (0 when none).
KV2COSYS_API double dCoSysGetDefaultGeoideH(uint64_t cs, const char* model);

// ---- Angles ----
KV2COSYS_API double dCoSysScaleAng2User(uint64_t cs, double rad);
KV2COSYS_API double dCoSysHorDir2Math(uint64_t cs, double user);
KV2COSYS_API double dCoSysVerDir2Math(uint64_t cs, double userZenith);
KV2COSYS_API double dCoSysHorDir2User(uint64_t cs, double internal);
KV2COSYS_API double dCoSysVerDir2User(uint64_t cs, double internalZenith);
KV2COSYS_API int iCoSysGetUserSysAngleSystem(uint64_t cs);

// ---- Description for export ----
// "" when the system has none.
KV2COSYS_API const char* sCoSysGetName(uint64_t cs);
KV2COSYS_API const char* sCoSysVerGetName(uint64_t ver);
// Below 1 when none.
KV2COSYS_API int iCoSysGetEPSG(uint64_t cs);
KV2COSYS_API const char* sCoSysGetProjectionName(uint64_t cs);
// Semi-major axis (m).
KV2COSYS_API double dCoSysGetDatumAMajor(uint64_t cs);
// Reciprocal flattening.
KV2COSYS_API double dCoSysGetDatumACompr(uint64_t cs);
// Radians.
KV2COSYS_API double dCoSysGetRefLatitude(uint64_t cs);
KV2COSYS_API double dCoSysGetRefLongitude(uint64_t cs);
// Scale at the central meridian.
KV2COSYS_API double dCoSysGetScale(uint64_t cs);
// x = false easting, y = false northing, z = height shift.
KV2COSYS_API void vCoSysGetShiftXYZ(uint64_t cs, double* x, double* y, double* z);
