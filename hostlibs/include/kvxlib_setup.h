// Set-up of KvxLib for hosts and tests (the module never calls these).
#pragma once

#include "kvxlib.h"

// A translator gets the English text and gives the text to show, which must
// stay valid. Null restores the identity.
typedef const char* (*KvxPoTranslator)(const char* english);
KVXLIB_API void vKvxPoSetTranslator(KvxPoTranslator fn);
// The marking translator: "[T]" before the English text.
KVXLIB_API const char* sKvxPoMarkTranslator(const char* english);
