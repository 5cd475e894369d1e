// Inside the layer: what its file calls share.
#pragma once

#include <sys/types.h>

#include "win32.h"

// Windows' error code for an errno of a file call.
DWORD uKvxErrorOf(int err);

// write(2) for every file write of the layer (the numeric calls and the
// streams of _fsopen), so that the test's disk budget (kvxtest_file.h)
// holds for all of them. Writes all it can, retrying interrupted and short
// writes; the bytes written, or -1 with errno when none could be.
ssize_t iKvxFileWrite(int fd, const void* data, size_t size);

// True when the host path names an entry of the folder for temporary files.
bool boKvxInTempFolder(const char* hostPath);
