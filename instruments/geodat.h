// Driver entries: Geodat raw files and the serial transfer of the Geodat and
// Geodimeter models (instruments 10 to 16).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
//
// Raw files are label=value records ("5=100 37=1200.123"). The writer puts
// the field book's points into such a file; the reader interprets stations,
// observations, points, line commands, drill-hole pairs and header texts into
// the field book and reports the rest in the side file.
#pragma once

#include <cstdint>

// Points with XY, in container order: 5 (point number), 4 (code, when
// there is one), 37 north less EO, 38 east less NO, 39 height (when set).
bool boGeodatWriteRaw(uint32_t hRaw);
// The result is false whatever happened (the read operation ignores it).
bool boGeodatReadRaw(uint32_t hRaw, uint32_t hSide);
// Receive (iDirection 0) or send (1) over the port; iMode is the Geodat file
// mode of the Geodat IO dialog, sName the job or area, or null.
bool boGeodatTransfer(int iDirection, int iMode, const char* sName);
