// The LandXML 1.2 writer (boLxmlWriteFile, xml/landxml.h): the whole field
// book (points, lines, polygons, triangle nets and their attribute fields;
// no stations or observations) as one file, in the dialect the catalogue
// entry asks for: plain (25), Leica (26), Trimble (28), HeXML (29).
//
// The file declares "iso-8859-1" and holds the field book's ANSI text; the
// 32 characters that code page 1252 has at 0x80-0x9F (€, „, ‚, ...) are
// written as character references, so that the declared encoding holds and
// they read back unchanged.
//
// Every attribute value is escaped: the five markup characters as entities,
// characters below 0x20 other than tab, CR and LF dropped (XML cannot carry
// them), 0x80-0x9F as character references of what they are in code page
// 1252. Element texts are numbers only.
#pragma once

#include <string>
#include <unordered_map>

#include "kv2gr.h"

// The name in a written file of each unnamed line or polygon of the
// container (by its handle): "#k", its place k in the container, with one
// more '#' in front while an object of the container has that ID.
void vLxmlNameUnnamed(LiLines* container, std::unordered_map<const void*, std::string>* names);
