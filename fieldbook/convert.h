// Feature-code and point-number conversion through the converter tables,
// point identifiers (job.area.number) of the current-record builder, and the
// post-pass that removes an unused area level after an import.
#pragma once

#include "base/cnvtable.h"

struct MboSettings;

// Job and area names of the point-ID builder (Geodat control codes 67, 68),
// at most 8 and 6 characters, kept in the module state (g_mbo); cleared by
// init and by the field-book reset.
void vMboSetJobName(const char* name);
void vMboSetAreaName(const char* name);
const char* sMboGetJobName(void);
const char* sMboGetAreaName(void);
void vMboClearJobArea(void);

// Conversions with the settings' switches and tables. A switch that is off,
// or a table that is null, means no conversion.
// Import: the code (cut to 15 characters, trailing blanks cut), replaced by
// the from code of the first entry whose to code equals it. Scratch text.
const char* sMboConvertFeatureCode(const MboSettings* settings, const char* code);
// The same into the caller's buffer of 16 bytes, without scratch text (an
// import converts the code of every point).
void vMboConvertFeatureCodeInto(const MboSettings* settings, const char* code, char out[16]);
// Import: the first entry whose to text is a prefix of the number (leading
// blanks removed) gives its from text in place of that prefix. No match:
// the buffer is left as it is.
void vMboConvertPointNoPrefix(const MboSettings* settings, char* number, int size);
// Export: the letters before the first digit, when they equal a from code,
// are replaced by that entry's to code.
void vMboConvertPointNo(const MboSettings* settings, char* number, int size);

// The same on a given table (null: no conversion).
const char* sMboConvertFeatureCodeBy(const CnvTable* table, const char* code);
void vMboConvertPointNoPrefixBy(const CnvTable* table, char* number, int size);
void vMboConvertPointNoBy(const CnvTable* table, char* number, int size);

// The identifier of a name as the record builder stores it: leading and
// trailing blanks cut, at most 99 characters, the current job and area as
// parts 0 and 1; '.' and ' ' inside a part become '_'. An empty or blank
// name gives "". Scratch text.
const char* sMboRecMakePointId(const char* name);
// The same into a buffer of 100 bytes.
void vMboRecSetPid(char* buffer, const char* name);
// Part 2 (the point number) of an identifier, as scratch text.
const char* sMboPidPointNo(const char* id);

// After an import: when some name uses the job part and none the area part,
// every name's job part moves into the area part (job..1 becomes job.1).
// Visits each point ID, each line and polygon vertex ID (three-point arc
// middles once), the kind-1 station and target names, the kind-2 from and
// to names, and the kind-4 station and to-point names.
void vMboNormalizePidParts(void);
