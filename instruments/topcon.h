// Driver entries: Topcon FC1/2 (instrument 72) and GTS-800 (73).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boTopconFcWriteRaw(uint32_t hRaw);
bool boTopconFcReceive(const char* sName);
bool boTopconFcReadRaw(uint32_t hRaw, uint32_t hSide);
bool boTopconFcSend(const char* sName);
bool boGts800WriteRaw(uint32_t hRaw);
bool boGts800Receive(const char* sName);
bool boGts800ReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGts800Send(const char* sName);
