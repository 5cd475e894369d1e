// Code-driven lines: the line builder of the data loggers' numeric control
// codes 37 to 99. A code opens one line or a set of 2 to 9 lines that the
// following points fill in turn (cyclic or back and forth), names them,
// marks arcs and closes them. Points are collected first and become
// field-book lines when the set is finished; their vertices carry point IDs
// and get coordinates only from the vertex completion on Save.
#pragma once

#include "kv2gr.h"

// Lines of one set are numbered 1 to this.
#define MBO_CODE_LINE_MAX 100

// How a set fills its lines.
enum MboCodeSetKind {
  MBO_CODE_SET_SINGLE = 1,   // one line (codes 91, 92)
  MBO_CODE_SET_CYCLIC = 2,   // codes 72-79: 1, 2, 3, 1, 2, 3
  MBO_CODE_SET_BACK = 3,     // codes 82-89: 1, 2, 3, 3, 2, 1
  MBO_CODE_SET_INDEXED = 4,  // code 60: one line, chosen by code 61
};

// What a collected point becomes on its line.
enum MboCodeVertexKind {
  MBO_CODE_VERTEX_NORMAL = -1,  // argument only: the builder decides
  MBO_CODE_VERTEX_FIRST = 0,
  MBO_CODE_VERTEX_PLAIN = 1,
  MBO_CODE_VERTEX_TYPED = 2,   // while the line's type flag is set (50, 51)
  MBO_CODE_VERTEX_ARC = 3,     // three-point arc chain (93)
  MBO_CODE_VERTEX_RADIUS = 5,  // the previous vertex is a two-point arc (54)
};

// One control code with its two texts (null counts as empty). False for a
// code without a meaning, or when a set cannot be started.
bool boMboApplyControlCode(int code, const char* a, const char* b);
// Collects a point for the current line of the open set (kind: the vertex
// kind to use, MBO_CODE_VERTEX_NORMAL to let the builder decide). False when
// no set is open or the point was withheld by code 37.
bool boMboCodeLineAddPoint(const char* name, const char* code, int kind);
// Makes the open set's lines (at least two points each) and closes the set.
void vMboCodeLineFinish(void);
// Closes any set without making lines and clears every flag and name.
void vMboCodeLineReset(void);

// Names line n of the open set (1 to the line count).
void vMboCodeLineSetName(int n, const char* name);
// Names (code 62) or identifies (code 63) line n = atoi(indexText), or the
// current line when the text is blank; see the source for the index rules.
void vMboCodeLineNameByIndex(const char* name, const char* indexText);
void vMboCodeLineIdByIndex(const char* id, const char* indexText);
// The pending line name: the name of lines that get none of their own.
void vMboCodeLineSetPendingName(const char* name);
// The pending name when none is pending yet and the name is not empty.
void vMboCodeLineDefaultName(const char* name);

// The current line's name, else the pending name; "" when no set is open.
// For the all-nines codes of the record builder.
const char* sMboCodeLineCurrentName(void);
// After code 37: copies its name and gives 1; else 0.
int iMboCodeLineGetName(char* buffer, int size);

// Line n's field-book line (made at its first point), null when none.
LiLine* pMboCodeLineGet(int n);
// The set's line count and current line; 0 when no set is open.
int iMboCodeLineCount(void);
int iMboCodeLineCurrentIndex(void);
bool boMboCodeLineActive(void);
// A set is open and its current line has points.
bool boMboCodeLineHasPoints(void);

// Frees the set's memory and clears the state without touching the field
// book (its lines are gone or going).
void vMboCodeLineStateClear(void);
