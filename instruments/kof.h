// Driver entries: KOF files (instrument 98).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
//
// KOF is a line format of numbered blocks: " 05" points, " 02"/" 03"
// stations and observations, " 09" line control codes, " 11"/" 12" project
// and code parameter blocks, 41-47 satellite vectors and coordinate
// observations. The reader delivers everything through the current-record
// builder and applies the code parameter file (instruments/telepar.h).
#pragma once

#include <cstdint>

#include "kv2gr.h"

void vKofWriteRaw(uint32_t hRaw);
bool boKofReadRaw(uint32_t hRaw, uint32_t hSide);
bool boKofSend(const char* sName);

// The writer's parts: the line blocks (1 when written, 0 when there were no
// lines or the user declined) and the station and observation blocks.
int iKofWriteLines(uint32_t hRaw);
void vKofWriteObservations(uint32_t hRaw);
// A line the reader does not use into the side file; block 01 also gives
// the project report lines and attributes.
void vKofReadHeaderLine(uint32_t hSide, const char* sLine);
// The point nearest to the position within the tolerance (in the plane when
// flat is set), the first of equally near ones; null when none.
PoPoint* pKofFindNearestPoint(PoPoints* points, const GeoPnt3* position, double tolerance, bool flat);
// A generated point name ":%d" (counter from 1, never reset).
const char* sKofNextPointId(void);
