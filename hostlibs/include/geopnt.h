// Plane and space points as the geometry library passes them. Kept in a
// header of their own so that the module's geometry helpers and kv2gr share
// one definition.
#pragma once

#include <cstddef>

#ifndef KVX_GEOPNT_DEFINED
#define KVX_GEOPNT_DEFINED
struct GeoPnt2 {
  double x;
  double y;
};

struct GeoPnt3 {
  double x;
  double y;
  double z;
};

static_assert(sizeof(GeoPnt2) == 16 && offsetof(GeoPnt2, y) == 8, "GeoPnt2 layout");
static_assert(sizeof(GeoPnt3) == 24 && offsetof(GeoPnt3, y) == 8 && offsetof(GeoPnt3, z) == 16, "GeoPnt3 layout");
#endif
