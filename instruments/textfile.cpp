#include "instruments/textfile.h"

#include <algorithm>
#include <cstring>

bool boMboTextFileLine(MboTextFile* f, std::string* line, size_t max) {
  line->clear();
  bool boAny = false;
  for (;;) {
    if (f->pos == f->len) {
      f->len = fread(f->buf, 1, sizeof f->buf, f->fp);
      f->pos = 0;
      if (!f->len) break;
    }
    boAny = true;
    const char* start = f->buf + f->pos;
    size_t avail = f->len - f->pos;
    const char* nl = (const char*)memchr(start, '\n', avail);
    size_t take = nl ? (size_t)(nl - start) : avail;
    if (line->size() < max) line->append(start, std::min(take, max - line->size()));
    f->pos += nl ? take + 1 : take;
    if (nl) break;
  }
  return boAny;
}

bool boMboTextFileLineInPlace(MboTextFile* f, std::string* spill, size_t max, char** text, size_t* len) {
  char* start = f->buf + f->pos;
  char* nl = (char*)memchr(start, '\n', f->len - f->pos);
  if (nl) {
    size_t take = (size_t)(nl - start);
    *text = start;
    *len = std::min(take, max);
    f->pos += take + 1;
    return true;
  }
  if (!boMboTextFileLine(f, spill, max)) return false;
  *text = spill->data();
  *len = spill->size();
  return true;
}
