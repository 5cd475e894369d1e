// Driver entries: Topcon DL101/102 digital levels (instrument 82).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
//
// The level sends comma-separated lines, each ending "text,C," where C is
// the checksum character of the text (up to and with its last comma); every
// line is answered with ACK or NAK in the same form.
#pragma once

#include <cstdint>

bool boDl101Receive(const char* sName);
bool boDl101ReadRaw(uint32_t hRaw, uint32_t hSide);

// The bytes added as signed 8-bit values; the remainder by 64 (negative for
// a negative sum) plus 32.
int iDl101Checksum(const char* sText);
// True when the line holds at least 2 characters and the character before
// the last is the checksum of the text before it; the line is then cut
// there (it ends with its comma).
bool boDl101CheckLine(char* sLine);
