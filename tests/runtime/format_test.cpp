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

TEST(Format, WidthPrecisionAndFlags) {
  // Widths narrower than the number never cut it.
  EXPECT_EQ(format("%3.2f", {127.27922061357856}), "127.28");
  EXPECT_EQ(format("%3.3f", {0.8944}), "0.894");
  EXPECT_EQ(format("%4.2f", {5.0}), "5.00");
  EXPECT_EQ(format("%8.3f|", {-1.5}), "  -1.500|");
  EXPECT_EQ(format("%-8.3f|", {1.5}), "1.500   |");
  EXPECT_EQ(format("%+.1f", {2.0}), "+2.0");
  EXPECT_EQ(format("%06.2f", {3.14159}), "003.14");
  EXPECT_EQ(format("%1.6f", {0.25}), "0.250000");
  EXPECT_EQ(format("%4.4f", {-20.0}), "-20.0000");
  EXPECT_EQ(format("%5i|%-5i|", {42.0, 42.0}), "   42|42   |");
}

TEST(Format, TextConversions) {
  EXPECT_EQ(format("%s", {"abc"}), "abc");
  EXPECT_EQ(format("[%5s][%-5s]", {"ab", "ab"}), "[   ab][ab   ]");
  EXPECT_EQ(format("%.2s", {"abcdef"}), "ab");
  EXPECT_EQ(format("%s", {7.0}), "7");
  EXPECT_EQ(format("%s|%5s", {kNaN, -kInf}), "NaN| -Inf");
}

TEST(Format, LargeAndTinyValues) {
  EXPECT_EQ(format("%i", {1e15}), "1000000000000000");
  EXPECT_EQ(format("%3.2f", {1e-9}), "0.00");
}

TEST(Format, TheTitleAloneIsCopied) {
  EXPECT_EQ(format("Results of the Angle between Planes Calculation"),
            "Results of the Angle between Planes Calculation");
  EXPECT_EQ(format("\\n \\n \\n \\n"), "\n \n \n \n");
  // A lone backslash that starts no escape stays as it is.
  EXPECT_EQ(format("a\\qb\\"), "a\\qb\\");
}

}  // namespace
}  // namespace vexmoor
