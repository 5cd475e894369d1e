// Numbers that readers pass on as fixed-point texts ("%.10f"), computed
// without the text where that is exact.
#pragma once

// The value the text "%.<decimals>f" of v reads back as: printf's digits
// (the exact value rounded half to even), then the nearest double, as the
// number parser gives. False when there is no exact short way (decimals
// outside 0..15, v not finite, or |v| * 10^decimals at 2^52 or beyond): the
// caller goes through the text.
bool boMboFixedTextValue(double v, int decimals, double* out);
