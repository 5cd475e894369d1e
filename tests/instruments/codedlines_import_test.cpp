// Coded lines of a real Geodat file read through the exported direct read:
// the reader's line controls, the record builder and the read's finishing
// steps together.
#include <gtest/gtest.h>

#include "fb_dump.h"

TEST_F(InstrumentFiles, GeodatLineControlsGiveArcsSquaresAndParallels) {
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 10, KVX_TEST_DATA "/geodat/coded_lines.raw"));
  // Line 1: A starts the arc through B; the square's moved corner and its
  // closing corner name no points; the parallel lies 2 m right and 0.5 m up.
  EXPECT_EQ(DumpLines(), (std::vector<std::string>{"1|KANT|: A C D", "2||P: E F - -", "3|CURB|: H I", "|CURB|: - -"}));
  LiLine* first = LiLinesGetFirst(FB(pKvxMboLiLinesGet)());
  LiElm* a = LiElmGetFirst(first);
  ASSERT_EQ(LiElmGetType(first, a), KV2GR_ELM_ARC3P);
  char pid[100];
  FB(boMboGetElmPID)(first, LiElmGet3pArcElm2(first, a), pid, sizeof pid);
  EXPECT_STREQ(pid, "B");
  // Without Save the vertices have what the builder gave them: XY, and the
  // points' heights where squaring or a parallel needed them.
  EXPECT_EQ(LineCoords(), (std::vector<std::string>{
                              " 0.00,0.00,0.00 10.00,0.00,0.00 20.00,0.00,0.00",
                              " 0.00,100.00,0.00 10.00,100.00,0.00 10.00,105.00,0.00 0.00,105.00,0.00",
                              " 0.00,200.00,10.00 10.00,200.00,10.00",
                              " 0.00,198.00,10.50 10.00,198.00,10.50",
                          }));
}
