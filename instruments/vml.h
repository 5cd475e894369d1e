// Driver entries: Leica VML files (instrument 100).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

#include "kv2gr.h"

bool boVmlReadRaw(uint32_t hRaw, uint32_t hSide);
// Joins the points, each with the next, into two-point lines by their
// "H.Ref" and "Status" fields.
void vVmlBuildLines();
// The code and the non-fixed field values that both points share.
void vVmlLineTakeCommonFields(LiLine* line, PoPoint* a, PoPoint* b);
