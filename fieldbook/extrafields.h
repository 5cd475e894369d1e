// Extra attribute fields: free name/value attributes that some raw formats
// carry for the next point or line, or for every point or line of the file.
// Readers collect them here; they are written into the objects' attribute
// columns when a point is flushed or a line is made. "S_FCODE" sets the
// object's code instead, and "PNAME" is never kept as a per-point field.
#pragma once

#include "base/slink.h"
#include "kv2gr.h"

struct MboExtraField {
  SLinkObj* pNext;
  char sName[40];
  char sValue[60];
};

// Four lists are kept: global line fields, per-line fields, global point
// fields, per-point fields. Per-object lists are emptied once applied.

// Before a reader: the lists are made ready (and emptied).
void vMboExtraFieldsInitAll(void);
// After a read: every list is emptied.
void vMboExtraFieldsFreeAll(void);

// Puts a field into a list: leading blanks skipped, name cut to 39 and value
// to 59 characters, both right-trimmed; a field of the same name (exact) is
// replaced in place. A null name does nothing; a null value is empty.
void vMboExtraFieldListPut(SLinkList* list, const char* name, const char* value);
void vMboExtraLineFieldAdd(const char* name, const char* value);
void vMboExtraLineFieldAddGlobal(const char* name, const char* value);
void vMboExtraPointFieldAddGlobal(const char* name, const char* value);
// Per-point; "PNAME" is dropped.
void vMboExtraPointFieldAdd(const char* name, const char* value);

bool boMboExtraPointFieldsPending(void);
bool boMboExtraLineFieldsPending(void);

// The global list, then the per-object list, onto the object; then the
// per-object list is emptied. A per-object value so overrides a global one.
void vMboExtraPointFieldsApply(PoPoints* points, PoPoint* point);
// For a line, "S_FCODE" gives the line's code (feature-code converted).
void vMboExtraLineFieldsApply(LiLines* lines, LiLine* line);
// For a line a builder is making: "S_FCODE" becomes the builder's name of
// that line (the buffer, `size` bytes), from which the builder sets the code.
void vMboExtraLineFieldsApplyNamed(LiLines* lines, LiLine* line, char* name, int size);
