// A field book loaded as a host loads it, with a folder of its own for the
// files a test writes and reads.
#pragma once

#include "tests/fieldbook/fb_module.h"

using LandXmlBook = FieldBookFiles;
