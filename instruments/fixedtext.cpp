#include "instruments/fixedtext.h"

#include <cmath>

bool boMboFixedTextValue(double v, int decimals, double* out) {
  static const double kScale[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (decimals < 0 || decimals > 15) return false;
  double scale = kScale[decimals];
  double p = v * scale;
  if (!(std::fabs(p) < 0x1p52)) return false;  // also NaN and infinities
  // v * scale is p + e exactly; p has a fraction part, so p - r is exact.
  double e = std::fma(v, scale, -p);
  double r = std::nearbyint(p);  // half to even in the default rounding mode
  double d = p - r;
  // p exactly halfway: the product's rounding error says on which side the
  // exact value lies. Elsewhere p and the exact value round alike.
  if ((d == 0.5 || d == -0.5) && e != 0) r = e > 0 ? p + 0.5 : p - 0.5;
  // printf keeps the sign of a value that rounds to zero ("-0.00").
  if (r == 0) r = std::copysign(0.0, v);
  // r and scale are exact, so the quotient is the double nearest to the
  // decimal text, as the parser rounds it.
  *out = r / scale;
  return true;
}
