// Driver entries: Nikon DTM-400 (instrument 67).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boNikonWriteRaw(uint32_t hRaw);
bool boNikonReceive(const char* sName);
bool boNikonReadRaw(uint32_t hRaw, uint32_t hSide);
bool boNikonSend(const char* sName);

// The checksum character of a line: the sum of its bytes from 32 to 127,
// modulo 64, plus 32 (an empty line gives a blank).
uint16_t iNikonLineChecksum(const char* sLine);
