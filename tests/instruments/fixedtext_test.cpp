// A fixed-point text's value computed without the text: the same double as
// printing "%.Nf" with printf and parsing the digits back, on random values,
// on exact halfway cases and at the edges of the short way.
#include "instruments/fixedtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

// The value through the text, as the readers did before.
double dThroughText(double v, int decimals) {
  char text[400];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return std::strtod(text, nullptr);
}

void vExpectSame(double v, int decimals) {
  double got;
  if (!boMboFixedTextValue(v, decimals, &got)) return;
  double want = dThroughText(v, decimals);
  // Bits, so that -0 and +0 differ.
  EXPECT_EQ(0, std::memcmp(&got, &want, sizeof got))
      << std::hexfloat << v << " to " << decimals << ": " << got << " instead of " << want;
}

TEST(FixedTextValue, IsThePrintedAndParsedValue) {
  std::mt19937_64 rng(20261207);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-30, 40), decimals(0, 15);
  for (int i = 0; i < 300000; i++) {
    int d = decimals(rng);
    double v = std::ldexp(unit(rng), exponent(rng));
    vExpectSame(v, d);
    // Values with few bits fall exactly halfway between two texts (k/2048
    // times 10^10 ends in .5), and near them.
    double half = (double)(int64_t)(rng() % 200001 - 100000) / 2048.0;
    vExpectSame(half, 10);
    vExpectSame(std::nextafter(half, 1e9), 10);
    vExpectSame(std::nextafter(half, -1e9), 10);
    vExpectSame(std::ldexp(half, -(int)(rng() % 8)), d);
  }
  // Zeros and values that round to them keep their sign, as printf does.
  for (int d = 0; d <= 15; d++)
    for (double half : {0.5, -0.5, 1.5, -2.5}) {
      double v = half / std::pow(10.0, d);
      for (double w : {0.0, -0.0, v, std::nextafter(v, 1.0), std::nextafter(v, -1.0), 0.8 * v, 1.2 * v})
        vExpectSame(w, d);
    }
}

TEST(FixedTextValue, LeavesTheRestToTheText) {
  double out = 7;
  EXPECT_FALSE(boMboFixedTextValue(NAN, 4, &out));
  EXPECT_FALSE(boMboFixedTextValue(INFINITY, 4, &out));
  EXPECT_FALSE(boMboFixedTextValue(1.0, 16, &out));
  EXPECT_FALSE(boMboFixedTextValue(1.0, -1, &out));
  EXPECT_FALSE(boMboFixedTextValue(0x1p52 / 1e10, 10, &out));
  EXPECT_EQ(7, out);
  EXPECT_TRUE(boMboFixedTextValue(std::nextafter(0x1p52, 0) / 1e10, 10, &out));
}

}  // namespace
