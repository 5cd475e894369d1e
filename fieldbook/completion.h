// Finishing an accepted import: heights above the ellipsoid turned into
// heights above the geoid, and line vertices that name a point given that
// point's coordinates.
#pragma once

// The geoid height N at (x, y) for the object named id, from the transfer's
// geoid model, or the model's default height where it has none. While
// *messageFlag is non-zero the first call tells the user which of the two
// is used and clears it.
double dMboGeoidHeight(const char* id, double x, double y, int* messageFlag);
// Points with XY and Z, line vertices with XY and Z (as "L<line>_<vertex>",
// vertices counted across all lines) and coordinate observations: Z less N.
// Polygons are left alone.
void vMboConvertHeightsByGeoid(void);
// Every line vertex that names an existing point takes that point's XY and
// Z (what the point has); three-point-arc middles included, polygons not.
void vMboResolveElmCoords(void);
