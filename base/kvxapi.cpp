// The exported functions are marked with KVX_API (kvxapi.h).
#include "base/kvxapi.h"
