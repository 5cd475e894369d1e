// File paths in fixed buffers (the library's path buffers are 257 bytes),
// and external programs found through their registered application paths.
//
// Separators are '\' and '/'; a colon also ends a directory part (drive
// letters). The extension is the text after the last dot that follows the
// last '\' or '/'. Functions with a buffer never write beyond its size (at
// most size-1 characters and a terminator; nothing for a size of 0 or less);
// the `Temp` forms return a scratch-ring copy of a 257-byte result (valid
// until the ring wraps).
//
// On this platform the system layer gives paths back with '\' (see
// win32_file.h), so joins and splits work on them unchanged; the "long-name
// form" is the canonical absolute path, symbolic links resolved.
#pragma once

constexpr int kPathSize = 257;

// The path cut before its last separator. A colon stays, and so does a
// separator right after a colon or at the very start, so roots keep their
// form ("C:\", "C:", "\"). A bare name gives "".
char* sPathGetDir(const char* path, char* buf, int size);
char* sPathGetDirTemp(const char* path);
// The text after the last separator; of a longer name only its last size-1
// characters.
char* sPathGetName(const char* path, char* buf, int size);
char* sPathGetNameTemp(const char* path);
// The extension without its dot; "" when there is none.
char* sPathGetExt(const char* path, char* buf, int size);
char* sPathGetExtTemp(const char* path);
// The name without folder and extension.
char* sPathGetBaseName(const char* path, char* buf, int size);
char* sPathGetBaseNameTemp(const char* path);
// Removes the extension (with its dot); a non-empty ext (without dot) is then
// appended after a dot, cut to the size.
void vPathSetExtN(char* path, const char* ext, int size);
// The same for a path buffer of at least 256 bytes (ours have 257).
void vPathSetExt(char* path, const char* ext);
// The folder, a '\' unless the folder is empty or ends in '\' or ':', and the
// name, cut to the size. buf may be the folder's own buffer.
char* sPathJoin(const char* dir, const char* name, char* buf, int size);
char* sPathJoinTemp(const char* dir, const char* name);
// True when the full paths, each without one trailing separator, are equal
// ignoring case.
bool boPathSame(const char* a, const char* b);
// Compares the long-name forms of two folders ignoring case: 0 equal, -1 or
// 1 otherwise; -1 when either is not an existing folder. The current folder
// is never changed.
int iPathCompareDirs(const char* a, const char* b);
// A scratch copy of the path's file name when its folder is `folder` (by
// iPathCompareDirs), else of the whole path.
char* sPathStripDirIfSame(const char* folder, const char* path);
// The full path; NULL (and "" in the buffer) when it cannot be formed or
// does not fit.
char* sPathFull(const char* path, char* buf, int size);
char* sPathFullTemp(const char* path);
// The current folder in long-name form ("" when it does not fit).
char* sPathCurDir(char* buf, int size);
char* sPathCurDirTemp();
// The folder for temporary files, ending in a separator; "" when it does not
// fit.
char* sPathGetTempDir(char* buf, int size);
// True when a file or folder exists there; false for NULL.
bool boPathExists(const char* path);
bool boPathChDir(const char* path);
bool boPathMkDir(const char* path);
bool boPathIsSep(char c);
// The extension's dot, NULL when the name has none.
const char* pPathFindExtDot(const char* path);
inline char* pPathFindExtDot(char* path) { return const_cast<char*>(pPathFindExtDot(const_cast<const char*>(path))); }
// Removes one trailing '\' or '/' in place.
char* sPathCutTrailingSep(char* path);
// A file written whole or not at all: the writer writes a new file in the
// folder of the file it replaces, which takes that file's place only when
// everything was written; a failed write leaves the old file as it was. A
// symbolic link keeps pointing where it did: the file it points to is
// replaced. A device (anything neither a file nor a folder) is written
// directly.
struct PathOutFile {
  char sTarget[2 * kPathSize];  // the file to replace (a link's own file)
  char sWrite[2 * kPathSize];   // the file the writer writes
  bool boDirect;                // sWrite is the target itself (a device)
};
// Makes the new file for the path (empty). False, with the reason as the
// last error, when none can be made there; a symbolic link that points
// nowhere is refused with kPathErrLinkTarget.
bool boPathOutBegin(PathOutFile* out, const char* path);
// The module's own error code (bit 29, as Windows leaves to applications)
// for a symbolic link whose target does not exist; sPathErrorText knows it.
constexpr unsigned long kPathErrLinkTarget = 0x20000001UL;
// With boWritten the new file, flushed to the disk, takes the target's
// place; else, or when that fails, it is removed. True when the target now holds what was written;
// else false with the reason as the last error (a device: boWritten).
bool boPathOutEnd(PathOutFile* out, bool boWritten);
// The system's text for an error code, without its line end (a scratch
// string; "" when the system has none); the text of the module's own codes.
const char* sPathErrorText(unsigned long uError);
// The program's full path from its registered application path (the
// default value of the program's key below HKEY_LOCAL_MACHINE's
// SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths), as a scratch
// string; NULL when the key or its value is missing or no file exists
// there, with a warning when showErrors is set.
char* sPathFindAppPath(const char* program, bool boShowErrors);
