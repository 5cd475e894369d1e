// Inside the layer: the table of kernel handles (processes, threads, and
// whatever else a part of the layer hands out as a HANDLE). CloseHandle
// finds the kind of a handle here and lets its part close it.
#pragma once

#include "win32.h"

// One kind of handle: its close routine gets the object (called once, when
// the handle is closed).
struct KvxHandleKind {
  const char* name;
  void (*close)(void* object);
};

// A new handle for the object; NULL when the table is full.
HANDLE hKvxHandleNew(const KvxHandleKind* kind, void* object);
// The object of a handle of this kind; NULL (and ERROR_INVALID_HANDLE) for
// another kind or a closed handle.
void* pKvxHandleObject(HANDLE handle, const KvxHandleKind* kind);
