// Driver entries: Trimble DC77 (instrument 64) and DC10 (65) files; their
// transfer is the SDR one.
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boDc77WriteRaw(uint32_t hRaw);
bool boDc10WriteRaw(uint32_t hRaw);
bool boTrimbleDcReadRaw(uint32_t hRaw, uint32_t hSide);

// The record code of columns 1-2: a first character 0-9 counts its digit
// times 10, A-F (10 to 15) times 16, a second digit is added; without a
// second digit the first value alone is divided by 10 ("E0" 224, "D9" 217,
// "6 " 6). Any other first character gives 0.
int iTrimbleDcRecordCode(const char* sLine);
