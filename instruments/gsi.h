// Driver entries: Leica GSI files and the Leica serial transfers (instruments
// 80 and 92 to 96).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boGsiWriteRaw(uint32_t hRaw);
bool boGsiReceive(const char* sName);
bool boGsiReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGsiSend(const char* sName);
// The command protocol of the TC605, TC805 and TC905 (96).
bool boGsiTpsReceive(const char* sName);
bool boGsiTpsSend(const char* sName);
