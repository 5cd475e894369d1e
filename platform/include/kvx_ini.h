// The one ini engine of the layer, used by the profile-string functions and
// by the host's ini library. Every call reads the file afresh and every write
// goes to the disk before it returns: nothing is cached.
//
// Syntax: "[section]" lines and "key=value" lines; blanks around names and
// values are dropped; a value wholly enclosed in one pair of double quotes
// loses them on reading. Names are compared without regard to ASCII case and
// keep the case they were written with. Lines of any other kind (comments,
// blank lines, text the engine does not own) are kept as they are. Paths are
// Windows paths: '\' becomes '/'.
#pragma once

#include "win32_base.h"

extern "C" {
// Copies the value of key in section (at most size-1 characters, always
// terminated when size > 0). True when the key exists.
KVX_PLATFORM_API bool boKvxIniRead(const char* path, const char* section, const char* key, char* buf, int size);
// Sets a key (made, with its section, when missing). A null key deletes the
// section, a null value the key. False when the file cannot be written.
KVX_PLATFORM_API bool boKvxIniWrite(const char* path, const char* section, const char* key, const char* value);
// Entry `index` (0-based, file order) of the section: key and value cut to
// their buffers. False past the end.
KVX_PLATFORM_API bool boKvxIniEntryAt(const char* path, const char* section, int index, char* key, int keySize,
                                      char* value, int valueSize);
// Name `index` of the file's sections; false past the end.
KVX_PLATFORM_API bool boKvxIniSectionAt(const char* path, int index, char* name, int size);
// True when the file holds the section.
KVX_PLATFORM_API bool boKvxIniHasSection(const char* path, const char* section);
}
