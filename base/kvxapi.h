// Marks the module's exported functions: C linkage and, since the module is
// built with hidden visibility, the only symbols its shared library exports.
#pragma once

#ifdef _WIN32
#define KVX_API extern "C" __declspec(dllexport)
#else
#define KVX_API extern "C" __attribute__((visibility("default")))
#endif
