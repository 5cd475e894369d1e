// Driver entries: Kern AC 64/128 (instrument 42).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
//
// Fixed-column text lines; column 1 of a read line gives its type ('1'
// header, '2' station, '3'/'5' point and observation). The writer's
// coordinate lines leave column 1 blank, so they are not read back. The
// serial link starts with an ENQ handshake and acknowledges every line.
#pragma once

#include <cstdint>

bool boKernWriteRaw(uint32_t hRaw);
bool boKernReceive(const char* sName);
bool boKernReadRaw(uint32_t hRaw, uint32_t hSide);
bool boKernSend(const char* sName);

// The words of a comment into the side file: nothing when sText is blank;
// else "title : value" (when sValue is given), the first word titled
// "Comment" and every further word titled with six blanks.
void vKernReportComment(uint32_t hSide, const char* sText, const char* sTitle, const char* sValue);
