// Plane and space points as the geometry library passes them. Kept in a
// header of their own so that the module's geometry helpers and kv2gr share
// one definition.
#pragma once

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
#endif
