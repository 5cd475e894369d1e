// KvxLib: the host's ini files, text translation and date strings, as the
// module imports them.
//
// Ini files share one engine with the profile-string functions of the
// platform layer (Windows semantics: section and key names ignore case, the
// written case is kept, other content is preserved). Nothing is cached: every
// read looks at the file and every write reaches the disk at once, so the two
// interfaces can be interleaved on one file.
#pragma once

#ifdef _WIN32
#ifdef KVXLIB_BUILD
#define KVXLIB_API extern "C" __declspec(dllexport)
#else
#define KVXLIB_API extern "C" __declspec(dllimport)
#endif
#else
#define KVXLIB_API extern "C" __attribute__((visibility("default")))
#endif

struct KvxInif;

// The text to show for an English text. Identity unless a translator is set
// (kvxlib_setup.h). The result is never freed and stays valid.
KVXLIB_API const char* sKvxPoGetText(const char* english);

// Opens an ini file (write non-zero to write). A missing file gives a usable
// empty handle in read mode. Null only for a null path or no memory.
KVXLIB_API KvxInif* pKvxInifOpen(const char* path, int write);
// Selects the section for the entry calls (made on the first write).
KVXLIB_API bool boKvxInifSetSection(KvxInif* h, const char* section);
// Copies the key's value, at most size-1 characters; "" and false when absent.
KVXLIB_API bool boKvxInifGetEntry(KvxInif* h, const char* key, char* buf, int size);
// Writes the key into the current section (ignored in read mode).
KVXLIB_API void vKvxInifPutEntry(KvxInif* h, const char* key, const char* value);
// The current section's entries in file order, cut to the buffer sizes;
// false at the end.
KVXLIB_API bool boKvxInifGetFirstEntry(KvxInif* h, char* key, int keySize, char* value, int valueSize);
KVXLIB_API bool boKvxInifGetNextEntry(KvxInif* h, char* key, int keySize, char* value, int valueSize);
KVXLIB_API void vKvxInifClose(KvxInif* h);

// One key in one call.
KVXLIB_API bool boKvxInifGet(const char* path, const char* section, const char* key, char* buf, int size);
KVXLIB_API void vKvxInifPut(const char* path, const char* section, const char* key, const char* value);

// A date text into the host's form "yyyy.mm.dd". Accepted: "yyyy.mm.dd" (also
// with '-' or '/', and with a time part after '_', 'T' or a blank) and
// "dd.mm.yyyy". False, with out emptied, when the text is no valid date.
KVXLIB_API bool boStrToKvxDateStr(const char* in, char* out, int size);
