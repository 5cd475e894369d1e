// The line reader and writer every driver shares: raw-file lines read
// ahead through a buffer per handle, line ends, the UTF-8 and code-page-865
// conversions, and a raw writer's bytes gathered into large writes.
// (Included by transfer.h.)
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the text and CR LF, each control byte of the text (0x01-0x1F and
// 0x7F: a line break or TAB in a name or code) as a blank, so that one line
// stays one line; nothing else is converted. False when the line was not
// written whole (or for handle 0).
bool boMboWriteLine(uint32_t hFile, const char* sText);
// The same for a text of uLen bytes (no NUL needed).
bool boMboWriteLineN(uint32_t hFile, const char* pText, size_t uLen);
// The byte as boMboWriteLine writes it: a control byte as a blank. For
// writers that put their lines together themselves.
inline char cMboLineByte(char c) {
  unsigned char u = (unsigned char)c;
  return u < 0x20 || u == 0x7F ? ' ' : c;
}
// The bytes that readers of code page 865 take as the letters å Å æ Æ ø Ø
// (0x86, 0x8F, 0x91, 0x92, 0x9B, 0x9D: in code page 1252 † ‘ ’ › and two
// unused): a writer whose files are read so writes them as '?', or a name
// holding ’ would come back with Æ in its place.
inline bool boMboIs865Letter(char c) {
  switch ((unsigned char)c) {
    case 0x86:
    case 0x8F:
    case 0x91:
    case 0x92:
    case 0x9B:
    case 0x9D:
      return true;
    default:
      return false;
  }
}
// The byte as boMboWriteLine865 writes it.
inline char cMboLineByte865(char c) { return boMboIs865Letter(c) ? '?' : cMboLineByte(c); }
// boMboWriteLine for the writers of files read with the code-page-865
// conversion: also each of those six bytes as '?'.
bool boMboWriteLine865(uint32_t hFile, const char* sText);
// Writes the text and CR LF byte for byte: for lines received from an
// instrument, which the raw file keeps as they came.
bool boMboWriteLineAsIs(uint32_t hFile, const char* sText);
// Writes the bytes as they are. False when they were not written whole (or
// for handle 0). A failed write (here or in boMboWriteLine) is kept for the
// running write operation.
bool boMboWriteBytes(uint32_t hFile, const char* pData, uint32_t uCount);
// A line put together straight in the gathered bytes (below): where the
// next uMax bytes of hFile go, or pLocal when its bytes are not gathered or
// uMax is too large. boMboWriteEnd then writes the uCount bytes put there
// (nothing else may be written to hFile in between); a writer puts each
// line once instead of in a buffer of its own and again as it is written.
char* pMboWriteBegin(uint32_t hFile, uint32_t uMax, char* pLocal);
bool boMboWriteEnd(uint32_t hFile, const char* pLine, uint32_t uCount);
// While a raw writer runs, what it writes to the raw file through these
// calls is gathered in the module and handed to the system in large pieces
// (a failed write is noticed there, and kept as above). A writer that seeks
// its file or writes it directly calls this first: it hands the gathered
// bytes on and writes the rest of the run straight through. False when
// handing them on failed.
bool boMboFlushWrites(uint32_t hFile);
// What a raw writer returns at its end: true while no write of the running
// operation failed and the user did not stop it.
bool boMboWriteOk(void);
// Reads one line into the buffer: LF, or a run of CRs with or without an LF
// after it, ends it (not stored); at most iSize-1 characters are stored (a
// longer line continues as the next line). The file's coding is decided at
// its first line: it is UTF-8 when it starts with a UTF-8 byte-order mark
// (dropped), or when its first 64 KB hold a multi-byte UTF-8 character and
// no byte above 0x7F outside one. In a UTF-8 file a line written in UTF-8
// (well-formed) becomes code page 1252, one byte a character ('?' for one
// 1252 lacks and for the C1 controls U+0080 to U+009F); in any other line
// the code-page-865 letters become ANSI. A NUL byte is stored as it comes.
// False at the end of the file when no byte was stored (CRs just before the
// end make no line), on a read error, and for iSize below 2. The reader
// reads ahead: see vMboReleaseLineBuffer.
bool boMboReadLine(char* sBuf, int iSize, uint32_t hFile);
// What the reading calls below tell of a line besides its text (bits).
enum : unsigned {
  // The line was longer than the buffer: its rest has been skipped.
  MBO_READ_CUT = 1,
  // NUL bytes with only NULs and blanks after them were dropped from the
  // line (told of the file's first such line only): a padded file.
  MBO_READ_NUL_DROPPED = 2,
  // The line holds a NUL byte with other characters after it: it is
  // damaged and to be skipped. The buffer holds its text before the NUL, so
  // that a reader can tell what it skips (a KOF block number).
  MBO_READ_NUL = 4,
};
// The same for the readers of raw files: a longer line is cut (its rest
// skipped) and NUL bytes are dropped or make the line one to skip, all told
// in *puNotes. With puNotes null, boMboReadLine.
bool boMboReadLineCut(char* sBuf, int iSize, uint32_t hFile, unsigned* puNotes);
// The same for a reader whose records run on over line ends: a line
// longer than the buffer is not cut, its rest comes as the next line.
bool boMboReadLineOn(char* sBuf, int iSize, uint32_t hFile, unsigned* puNotes);
// Reports what the notes tell of line iLineNo in the side file: "LINE TOO
// LONG, CUT", "NUL BYTES DROPPED", "LINE WITH NUL BYTE", each with the line
// number. True when the line is to be skipped (MBO_READ_NUL).
bool boMboReportLine(uint32_t hSide, unsigned uNotes, int iLineNo);
// boMboReadLineCut, counting lines in *piLineNo and reporting each line's
// notes with boMboReportLine; a line to skip is counted and skipped.
bool boMboReadLineCounted(char* sBuf, int iSize, uint32_t hFile, uint32_t hSide, int* piLineNo);
// The same lines for files taken byte for byte: nothing is converted and
// no byte-order mark dropped. With puNotes null a longer line continues as
// the next line and NUL bytes are stored as they come.
bool boMboReadLineBytes(char* sBuf, int iSize, uint32_t hFile, unsigned* puNotes);
// Gives the bytes the line reader has read ahead of its lines back to the
// file (seeks back to the end of the last line taken) and drops its buffer.
// Call it before reading or seeking a handle directly that lines were read
// from; vMboCloseFile calls it.
void vMboReleaseLineBuffer(uint32_t hFile);
// Columns iFrom..iFrom+iCount-1 (from 0) of a line into sOut (iCount+1
// bytes), columns past the line's end read as blanks; terminated.
char* sMboLineColumns(const char* sLine, int iFrom, int iCount, char* sOut);
// The code-page-865 letters æøåÆØÅ of a byte as ANSI; others unchanged.
char cMboOemLetterToAnsi(char c);

// ---- Shared with the transfer operations ----
// Keeps the first failed write's reason (the last error) for the running
// write operation.
void vNoteWriteError(void);
// From now on the bytes written to hFile through the calls above are
// gathered (one file at a time); boMboFlushWrites hands them on.
void vGatherWrites(uint32_t hFile);
// The length of the UTF-8 character at p (1 for ASCII) and its code point
// in *puCode; 0 when the bytes before pEnd are no well-formed character.
int iUtf8Char(const unsigned char* p, const unsigned char* pEnd, uint32_t* puCode);
// The coding of a file by its first bytes [p, pEnd): true (UTF-8) when
// they hold a multi-byte UTF-8 character and no byte above 0x7F outside
// one. With boMore (the file goes on past pEnd) a character cut by pEnd
// tells nothing.
bool boMboUtf8Start(const unsigned char* p, const unsigned char* pEnd, bool boMore);
// A code point as its code-page-1252 byte; '?' for one 1252 lacks and for
// the C1 controls U+0080 to U+009F.
char cCodeTo1252(uint32_t u);
