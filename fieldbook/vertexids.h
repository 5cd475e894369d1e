// Point look-ups by place and the vertex-ID step of a HeXML write.
// (Included by transfer.h.)
#pragma once

#include "kv2gr.h"

// The first point in container order that has XY and: with b3d, has Z and
// lies less than 0.0005 from (x, y, z); without, has no Z and lies less than
// 0.0005 from (x, y).
PoPoint* pMboFindPointAt(double x, double y, double z, bool b3d);
// Gives every line and polygon vertex without a point ID one (the point at
// its place, or a new point "L_<id>_<n>" / "A_<id>_<n>", then "_2", "_3",
// ... until no point has that ID), before a Leica HeXML write.
void vMboGiveVertexIds(void);
