// Module lifecycle: init, finish and the container getters.
#include "fieldbook/hostrec.h"
