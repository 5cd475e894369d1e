// The common file dialogs (Open, Save, several files) and the folder
// browser, in ANSI texts. The shell's dialog works in UTF-16; a name it
// returns that the ANSI code page cannot hold is refused with a warning.
//
// The entry functions take a NULL-terminated list of extensions without the
// point ("kof", "txt", nullptr), or as its only item a ready filter text
// with '|' ("KOF files|*.kof|All|*|", nullptr). The list must end in
// nullptr, not 0: a literal 0 passed through "..." is an int.
//
// Flags: 2 the file must exist, 4 prompt to create, 8 prompt to overwrite,
// 16 (Save only) insist on the chosen filter's extension; 1 has no effect.
// The start file's folder is where the dialog opens, its name the name
// offered; pass a folder with a trailing separator to offer no name.
#pragma once

#include "win32.h"

constexpr int kFileDlgPathSize = 257;

// Open: the chosen path in a process-wide buffer (overwritten by the next
// call), or NULL.
char* sFileDlgOpen(const char* caption, int flags, const char* startFile, ...);
// The same into the caller's buffer (at most size-1 characters); NULL, with
// the buffer untouched, on Cancel.
char* sFileDlgOpenBuf(char* buf, int size, const char* caption, int flags, const char* startFile, ...);
// Several files: one chosen file as itself; two or more as their folder,
// then each file's name; each text NUL-terminated, the block ended by one
// more NUL. Free it with free(). NULL when nothing was chosen.
char* pFileDlgOpenMulti(const char* caption, int flags, const char* startFile, ...);
char* sFileDlgSave(const char* caption, int flags, const char* startFile, ...);
char* sFileDlgSaveBuf(char* buf, int size, const char* caption, int flags, const char* startFile, ...);

// One filter pair as a scratch text: "<name> (*.a;*.b)|*.a;*.b|" with the
// patterns joined by the separator (';' as the dialogs expect); without a
// name just the patterns in brackets. NULL-terminated extension list; an
// extension without a point gets "*." in front. At most 999 characters.
char* sFileDlgFilterText(const char* const* extensions, char separator, const char* displayName);
// The dialog's filter text from an extension list into buf: a ready filter
// text as it is (NULL when it does not fit), else "*.e|*.e|" for each
// extension that fits whole.
char* sFileDlgBuildFilter(const char* const* extensions, char* buf, int size);

// The folder browser, starting at startFolder: the chosen folder in buf, or
// NULL and an empty buf. Flags: 1 the new dialog style, 2 an edit box for a
// typed folder (a folder that does not exist is refused there), 4 the
// button for a new folder. sFileDlgBrowseFolder uses 3. With a root folder
// the user cannot leave it.
char* sFileDlgBrowseFolder(const char* caption, const char* startFolder, char* buf, int size);
char* sFileDlgBrowseFolderFlags(const char* caption, int flags, const char* startFolder, char* buf, int size);
char* sFileDlgBrowseFolderRoot(const char* caption, int flags, const char* rootFolder, const char* startFolder,
                               char* buf, int size);
