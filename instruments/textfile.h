// A text file the reader opened itself, read line by line through a block
// buffer: a call per byte would cost more than the line's whole split.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct MboTextFile {
  FILE* fp;
  char buf[65536];
  size_t pos, len;
};

// The next line without its '\n' (a '\r' before it stays), at most max
// characters: a longer line is cut and its tail skipped. False when no byte
// is left.
bool boMboTextFileLine(MboTextFile* f, std::string* line, size_t max);

// The same line where it lies whole in the buffer, else copied into *spill:
// *text is its first byte, *len its length, and (*text)[*len] may be set to
// NUL (it is the line's end, a byte of its skipped tail or the copy's
// terminator). The bytes stay until the next read.
bool boMboTextFileLineInPlace(MboTextFile* f, std::string* spill, size_t max, char** text, size_t* len);
