// Coded lines: the builder that turns point codes and line commands of the
// raw formats into field-book lines while a reader delivers points.
//
// Every point the record builder flushes is routed through iMboLineAddPoint:
// with automatic lines on it joins a coded line here, otherwise it goes to
// the code-driven builder (codelines.h). Readers translate their own line
// codes into the commands below. Lines are only made final at the flush:
// lines with fewer than two vertices go, squaring, closing, parallels, codes
// and IDs are applied.
//
// The builder is disabled after init and after every flush: points make no
// lines until command 18 comes with arguments other than "-9", "-9". Readers
// whose formats carry coded lines give it themselves.
#pragma once

#include "kv2gr.h"

// Line commands (the first argument of vMboLineCommand).
enum MboLineCmd {
  MBO_LINE_TYPE_A = 1,        // the next vertex's line gets type flag 1
  MBO_LINE_CLEAR_A = 2,       // the next vertex's line gets type flag 0
  MBO_LINE_ARC = 3,           // the next vertex is an arc point
  MBO_LINE_GROUP_CYCLIC = 4,  // a: group size; lines filled 0,1,2,0,1,2
  MBO_LINE_GROUP_BACK = 5,    // a: group size; lines filled 0,1,2,2,1,0
  MBO_LINE_GROUP_END = 6,
  MBO_LINE_AUTO_OFF = 7,        // flush; points go to the code-driven builder
  MBO_LINE_AUTO_BY_NO = 8,      // flush; automatic lines by line number
  MBO_LINE_AUTO_NO_NUMBER = 9,  // flush; automatic lines, numbers ignored
  MBO_LINE_NOTHING = 10,
  MBO_LINE_SKIP = 11,        // the next point joins no line
  MBO_LINE_ADD_NAMED = 12,   // a: point name, b: code; added without look-up
  MBO_LINE_SQUARE = 13,      // the current line is squared at the flush
  MBO_LINE_PARALLEL = 14,    // a: horizontal offset, b: height offset
  MBO_LINE_HEIGHT_EXT = 15,  // a: extension distance
  MBO_LINE_CLOSE_NEXT = 16,  // the line of the next vertex is closed
  MBO_LINE_CLOSE = 17,       // the line of the pending number, else the current one, is closed
  MBO_LINE_ENABLE = 18,      // "-9", "-9" disables, anything else enables
};

// Clears the builder (disabled, no lines under construction) and sets the
// line-by-number mode. Always true.
bool boMboLineInit(int byNumber);
// One command; null arguments count as empty.
void vMboLineCommand(int cmd, const char* a, const char* b);
// For formats where a point without a line number continues the line the
// point before it joined (line instructions per point, or line controls
// between the points). So in this mode the commands that only mark the next
// vertex or add to the line (1 to 3, 10 to 17) and command 18 that enables
// the builder keep the current line; a pending number never takes over an
// unnumbered line; a closed line gives up its number, so that a later point
// of that number starts a new line; and a line that ends on a point does not
// take it again. Off after boMboLineInit; a flush keeps it.
void vMboLineSetPerPointMode(int on);
// Ends the current line: the next point starts a new line, and a later point
// of its number too.
void vMboLineEnd(void);
// A pending square (command 13) and pending parallel offsets (command 14)
// go to the current line, as the next point joining it would take them; for
// a square or parallel given after a line's last point when the line ends
// there. Without a current line they stay pending.
void vMboLineTakePendingShapes(void);
// The line number of the next point. In line-by-number mode any text but "0"
// selects the line of that number; otherwise a non-zero number only clears
// the pending number. A null text, "0" in line-by-number mode or a zero
// number outside it starts a new line at the next point.
void vMboLineSetLineNo(const char* text);
// The code (name) of the line of the next point, trimmed, 15 characters.
void vMboLineSetCode(const char* text);
// The next vertex goes after the vertex of this point ID (99 characters).
void vMboLineSetText(const char* text);

// The router the record builder's flush calls for every flushed point: with
// automatic lines on the point joins a coded line, else it is offered to the
// code-driven builder. 1 when the point was taken. point: the point of that
// ID when the caller has it at hand (it was just flushed), else null.
int iMboLineAddPoint(const char* name, const char* code, PoPoint* point);
// Adds the point of this ID (made when missing, with the code) to the coded
// line the pending commands choose. Gives the line, or null when the point
// joined none.
LiLine* pMboLineAddCodedPoint(const char* name, const char* code);

// Makes the lines under construction final (see above) and clears the
// builder; it stays in its line-by-number mode and is disabled again.
void vMboLineFlush(void);
// Flush, then also drops pending parallel offsets (end of a read).
void vMboLineFinish(void);

// The field-book line the last point joined; null when none, after a
// command outside a group, and after a flush or a field-book reset.
LiLine* pMboLineCurrent(void);

// Frees the state of both line builders and the extra-field lists without
// touching the field book (its lines are being deleted, or were). Called by
// the field-book init and reset.
void vMboLineStateClear(void);
