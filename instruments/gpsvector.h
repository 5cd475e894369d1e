// Driver entries: GPS vector files (instruments 50 to 55) and Trimble GPS
// binary records (56).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boGpsLeicaAsciiReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsTrimbleTgoReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsAshtechReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsGeolabReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsBluebookReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsMagellanReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsTrimbleBinReadRaw(uint32_t hRaw, uint32_t hSide);
