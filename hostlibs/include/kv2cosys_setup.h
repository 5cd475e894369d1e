// Set-up of kv2cosys for hosts and tests (the module never calls these):
// define coordinate systems, height systems, reference systems and geoid
// models, and choose the user's angle unit.
//
// Geoid grid file (our own text format; '#' starts a comment line):
//   KVXGEOID 1
//   coords grid|geo      grid: x east, y north in metres; geo: x longitude,
//                        y latitude in decimal degrees (positions are turned
//                        into them through the coordinate system)
//   origin <x0> <y0>     the south-west node
//   step <dx> <dy>
//   size <nx> <ny>
//   default <N>          the model's default separation
//   then ny rows of nx values, south row first; "x" marks a node without value.
// Values are interpolated bilinearly inside a cell whose four nodes all hold
// one; elsewhere the model has no value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kv2cosys.h"

struct CoSysSetupDef {
  const char* name;               // "" or null: none
  const char* datumId;            // horizontal datum
  const char* projectionName;     // "" or null: none
  int epsg;                       // < 1: none
  double aMajor;                  // semi-major axis (m); 0 takes GRS80
  double invFlattening;           // reciprocal flattening; 0 takes GRS80
  double refLatitude;             // radians
  double refLongitude;            // radians: the central meridian
  double scale;                   // 0 takes 1
  double shiftX, shiftY, shiftZ;  // false easting, false northing, height shift
  int angleSystem;                // COSYS_ANG_*
  int mathHorizontal;             // non-zero: user directions are counter-clockwise from east
};
static_assert(sizeof(CoSysSetupDef) == 104 && offsetof(CoSysSetupDef, aMajor) == 32 &&
                  offsetof(CoSysSetupDef, angleSystem) == 96,
              "CoSysSetupDef layout");

// Forgets every definition and sets the default system back to gon.
KV2COSYS_API void vCoSysSetupReset(void);
// A new coordinate system handle (never 0).
KV2COSYS_API uint64_t CoSysSetupCreateSystem(const CoSysSetupDef* def);
// Angle unit of a system; cs 0 sets the default system's unit.
KV2COSYS_API void vCoSysSetupSetAngleSystem(uint64_t cs, int angleSystem);
// A new height system handle (never 0).
KV2COSYS_API uint64_t CoSysSetupCreateVer(const char* name, const char* datumId);
// Defines reference system `id` (> 0) for a datum pair, with its geoid model
// ID and the coordinate system whose grid its positions use.
KV2COSYS_API void vCoSysSetupAddRefSys(uint64_t id, const char* horDatum, const char* verDatum, const char* geoideId,
                                       uint64_t cs);
// A geoid model by ID: read from a grid file (above) at CoSysGeoideRead time.
KV2COSYS_API void vCoSysSetupAddGeoideFile(const char* id, const char* path);
// A geoid model by ID with a constant separation everywhere.
KV2COSYS_API void vCoSysSetupAddGeoideConst(const char* id, double n);
