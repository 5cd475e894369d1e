// Driver entries: Leica GSI files and the Leica serial transfers (instruments
// 80 and 92 to 96).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
//
// A GSI record is one line of words. A GSI8 word has 16 characters: the word
// identifier (WI, 2 digits), 4 information characters (the sixth character
// of the word is the unit), the sign, 8 data characters and a blank. A
// GSI16 word has 16 data characters (24 in all), and a GSI16 line begins
// with "*".
#pragma once

#include <cstdint>

bool boGsiWriteRaw(uint32_t hRaw);
bool boGsiReceive(const char* sName);
bool boGsiReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGsiSend(const char* sName);
// The command protocol of the TC605, TC805 and TC905 (96).
bool boGsiTpsReceive(const char* sName);
bool boGsiTpsSend(const char* sName);

// The writer's coordinate records; false when the user cancelled a number
// that does not fit its word.
bool boGsiWriteCoordinates(uint32_t hRaw);
// One job of the file; 1 when it stopped at the header of a further job,
// 0 at the end of the file.
int iGsiReadJob(uint32_t hRaw, uint32_t hSide, bool boInclude);
// The report text of a job header: "OPERATOR", "JOB NUMBER", "DATE" and
// "INSTRUMENT NO:" with header words 1 to 4, each line ending in CR LF.
const char* sGsiHeaderText(const char* sHeaderLine);

// ---- Word access (at most 20 words per line; scratch texts) ----
// Word n exists when the line (without "*") holds at least (n + 1) word
// lengths less one characters.
bool boGsiWordExists(int n, const char* sLine);
// The WI: two digits for word 0, three characters for the others (the third
// is a '.' or an information digit); -1 when the word does not exist.
int iGsiWordId(int n, const char* sLine);
// The word without its blank, trailing blanks cut.
const char* sGsiWordText(int n, const char* sLine);
// The data characters after the sign, leading zeros removed, "-" in front
// for a negative sign.
const char* sGsiWordData(int n, const char* sLine);
// The value as "%-.5lf": metres, or an angle in the user's angle unit; ""
// when the word does not exist or its data is not a number (digits and at
// most one '.' or ',').
const char* sGsiWordValue(int n, const char* sLine);
// The value as a number: metres, or an angle in gon. False when the word
// does not exist or its data is not a number.
bool boGsiWordNumber(int n, const char* sLine, double* pValue, bool* pboAngle);
bool boGsiLineHasWi(const char* sLine, int iWi);
// The number of the first word with that WI; 0 when absent (search only
// for WIs that word 0 cannot have).
int iGsiFindWi(const char* sLine, int iWi);
// The text after "+" without leading zeros.
const char* sGsiStripValue(const char* sText);
// Writes n mod 10000 as four digits after the WI of the line's first word;
// a line too short for them is left as it is.
void vGsiSetLineNo(char* sLine, int n);
// A gon value in the user's angle unit (degrees, d.mmss, radians or gon),
// and as the text the reader passes on ("%-.5lf"; radians with 10
// decimals).
double dGsiGonToUser(double dGon);
void vGsiFormatUserAngle(char* sBuf, int iSize, double dGon);
// Gon in one degree, for the readers of angles written in degrees.
inline constexpr double kGonPerDegree = 400.0 / 360.0;
