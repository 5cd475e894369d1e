// What the record builder calls of the transfer operations and the line
// builders, declared here until their own headers are on main; then this
// header goes and the builder includes theirs.
#pragma once

#include "fieldbook/transfer.h"  // boMboIsNumber, boMboIsInteger
#include "kv2gr.h"

// The open code-driven line's name, else its pending name; "" when inactive.
const char* sMboCodeLineCurrentName(void);
// Routes a flushed point into the coded or the code-driven lines.
int iMboLineAddPoint(const char* name, const char* code);
// Per-point extra fields are waiting for the next point.
bool boMboExtraPointFieldsPending(void);
// Applies the global and the per-point extra fields to the point.
void vMboExtraPointFieldsApply(PoPoints* points, PoPoint* point);
