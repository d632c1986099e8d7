#include "runtime/display.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/host.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::RecordingHost;

TEST(Display, NamedValuesInTheRuntimeLayout) {
  EXPECT_EQ(displayText("i", 3.0), "i =\n\n         3\n\n");
  EXPECT_EQ(displayText("y3", 86.9213), "y3 =\n\n      86.9213\n\n");
  EXPECT_EQ(displayText("stempd", std::string_view("\nmetric:   0.894")),
            "stempd =\n\n\nmetric:   0.894\n\n");
  Matrix m(2, 2);
  m << 1, 2, 3, 4;
  EXPECT_EQ(displayText("m", m), "m =\n\n         1       2\n         3       4\n\n");
  EXPECT_EQ(displayText("e", Matrix()), "e =\n\n     []\n\n");
}

TEST(Display, WritesOnlyWhenTheConsoleIsOn) {
  RecordingHost off(false), on(true);
  display(off, "x", 1.5);
  display(on, "x", 1.5);
  EXPECT_EQ(off.console, "");
  EXPECT_EQ(on.console, displayText("x", 1.5));
}

}  // namespace
}  // namespace vexmoor
