// Driver entries: Geodat raw files and the serial transfer of the Geodat and
// Geodimeter models (instruments 10 to 16).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boGeodatWriteRaw(uint32_t hRaw);
bool boGeodatReadRaw(uint32_t hRaw, uint32_t hSide);
// Receive (iDirection 0) or send (1) over the port; iMode is the Geodat file
// mode of the Geodat IO dialog, sName the job or area, or null.
bool boGeodatTransfer(int iDirection, int iMode, const char* sName);
