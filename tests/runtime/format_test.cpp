#include "runtime/format.h"

#include <gtest/gtest.h>

#include <limits>

namespace vexmoor {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Format, EscapedLineBreaksAndConversions) {
  EXPECT_EQ(format("\\nMatlab angle %3.2f", {23.296812}), "\nMatlab angle 23.30");
  EXPECT_EQ(format("File %s \\n %4.0f Samples", {"a.txt", 20.0}), "File a.txt \n   20 Samples");
  EXPECT_EQ(format("%i CPC", {3.0}), "3 CPC");
  EXPECT_EQ(format("100%%"), "100%");
  EXPECT_EQ(format("a\\tb\\\\c"), "a\tb\\c");
}

TEST(Format, NonFiniteValuesKeepTheFieldWidth) {
  EXPECT_EQ(format("%4.3f", {kInf}), " Inf");
  EXPECT_EQ(format("%4.3f", {-kInf}), "-Inf");
  EXPECT_EQ(format("%6.2f|", {kNaN}), "   NaN|");
  EXPECT_EQ(format("%-6.2f|", {kNaN}), "NaN   |");
  EXPECT_EQ(format("%i", {kInf}), "Inf");
}

TEST(Format, WholeNumberConversionOfAFractionSwitchesToExponent) {
  EXPECT_EQ(format("%i", {2.5}), "2.500000e+00");
  EXPECT_EQ(format("%d", {-7.0}), "-7");
}

TEST(Format, RecyclesTheFormatAndStopsWhereArgumentsRunOut) {
  EXPECT_EQ(format("%d,", {1.0, 2.0, 3.0}), "1,2,3,");
  EXPECT_EQ(format("%d and %d", {1.0}), "1 and ");
}

}  // namespace
}  // namespace vexmoor
