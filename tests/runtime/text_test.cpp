#include "runtime/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vexmoor {
namespace {

TEST(JoinTrimmed, RemovesTrailingWhiteSpaceOfEachPieceOnly) {
  EXPECT_EQ(joinTrimmed({"Title", "\nline one  ", "\nline two \t", "\n  end"}),
            "Title\nline one\nline two\n  end");
  // A piece that ends in line breaks loses them; leading breaks stay.
  EXPECT_EQ(joinTrimmed({"a\n\n", "\n\nb\r\n"}), "a\n\nb");
  EXPECT_EQ(joinTrimmed({"   ", "x"}), "x");
  EXPECT_EQ(joinTrimmed(std::vector<std::string>{"a ", " b ", ""}), "a b");
  EXPECT_EQ(joinTrimmed({}), "");
}

TEST(TextPieces, TrimSplitAndExtensionShareOneSetOfRules) {
  EXPECT_EQ(trimWhiteSpace(" \t a b\r\n\v"), "a b");
  EXPECT_EQ(trimWhiteSpace(" \t\r\n"), "");
  EXPECT_EQ(trimTrailingWhiteSpace("  a \t"), "  a");
  EXPECT_EQ(splitTokens(" 1,2\t 3 \r\n", kNumberSeparators),
            (std::vector<std::string_view>{"1", "2", "3"}));
  EXPECT_EQ(splitTokens("1,2 x\ty"), (std::vector<std::string_view>{"1,2", "x", "y"}));
  EXPECT_TRUE(splitTokens(" \t").empty());
  EXPECT_EQ(lowerCaseExtension("out/Plot.SVG"), ".svg");
  EXPECT_EQ(lowerCaseExtension("a.b/plot"), "");
  EXPECT_EQ(lowerCaseExtension("dir/.hidden"), "");
}

TEST(ParseNumbers, BlanksTabsAndCommasSeparate) {
  auto blanks = parseNumbers("1 2.5  -3");
  auto commas = parseNumbers("1,2.5,-3");
  auto mixed = parseNumbers("\t1 ,\t2.5,   -3\r\n");
  ASSERT_TRUE(blanks && commas && mixed);
  EXPECT_EQ(*blanks, (std::vector<double>{1, 2.5, -3}));
  EXPECT_EQ(*commas, *blanks);
  EXPECT_EQ(*mixed, *blanks);
}

TEST(ParseNumbers, AcceptsTheUsualNumberForms) {
  auto v = parseNumbers("+.5e-3 1E2 -0.25 7. 1e+1 inf -Inf NaN");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->size(), 8u);
  EXPECT_DOUBLE_EQ((*v)[0], 0.0005);
  EXPECT_DOUBLE_EQ((*v)[1], 100);
  EXPECT_DOUBLE_EQ((*v)[2], -0.25);
  EXPECT_DOUBLE_EQ((*v)[3], 7);
  EXPECT_DOUBLE_EQ((*v)[4], 10);
  EXPECT_TRUE(std::isinf((*v)[5]) && (*v)[5] > 0);
  EXPECT_TRUE(std::isinf((*v)[6]) && (*v)[6] < 0);
  EXPECT_TRUE(std::isnan((*v)[7]));
}

TEST(ParseNumbers, ReadsDigitsExactly) {
  // The files are written so that they read back to the identical doubles.
  auto v = parseNumbers("0.1 -53.204002380371094 1e-320");
  ASSERT_TRUE(v);
  EXPECT_EQ((*v)[0], 0.1);
  EXPECT_EQ((*v)[1], -53.204002380371094);
  EXPECT_EQ((*v)[2], 1e-320);
}

TEST(ParseNumbers, NamesTheFirstTokenThatIsNotANumber) {
  std::string bad;
  EXPECT_FALSE(parseNumbers("1 2 x3 4", &bad));
  EXPECT_EQ(bad, "x3");
  for (const char* text :
       {"1.2.3", "--1", "+-1", "0x10", "1e", "e5", "-", "+", ".", "1;2", "3i", "1-2"}) {
    bad.clear();
    EXPECT_FALSE(parseNumbers(text, &bad)) << text;
    EXPECT_FALSE(bad.empty()) << text;
  }
}

TEST(ParseNumbers, EmptyAndBlankTextsGiveAnEmptyRow) {
  for (const char* text : {"", "   ", "\t\r\n", ",,,"}) {
    auto v = parseNumbers(text);
    ASSERT_TRUE(v) << text;
    EXPECT_TRUE(v->empty()) << text;
  }
}

TEST(EscapeNonPrintable, EscapesControlAndMalformedBytesOnly) {
  using namespace std::string_literals;
  EXPECT_EQ(escapeNonPrintable("1.5e3 -x,y"), "1.5e3 -x,y");
  EXPECT_EQ(escapeNonPrintable("a\0b\x0b\x1c\x7f"s), "a\\x00b\\x0b\\x1c\\x7f");
  EXPECT_EQ(escapeNonPrintable("C:\\data"), "C:\\\\data");  // a backslash stays unambiguous
  EXPECT_EQ(escapeNonPrintable("Gorilla_\xc3\xa9 \xe2\x80\x93"), "Gorilla_\xc3\xa9 \xe2\x80\x93");
  // A lone continuation byte, a cut character, an overlong slash, a surrogate.
  EXPECT_EQ(escapeNonPrintable("\x80\xc3 \xc0\xaf \xed\xa0\x80"),
            "\\x80\\xc3 \\xc0\\xaf \\xed\\xa0\\x80");
}

TEST(RoundHalfAway, HalvesGoAwayFromZero) {
  EXPECT_EQ(roundHalfAway(2.5), 3);
  EXPECT_EQ(roundHalfAway(-2.5), -3);
  EXPECT_EQ(roundHalfAway(0.5), 1);
  EXPECT_EQ(roundHalfAway(-0.5), -1);
  EXPECT_EQ(roundHalfAway(1.4999999999999998), 1);
  EXPECT_EQ(roundHalfAway(3.6), 4);
  EXPECT_EQ(roundHalfAway(-3.6), -4);
  // Four-decimal rounding of the consensus: round(10000 x) / 10000.
  EXPECT_EQ(roundHalfAway(0.00005 * 10000) / 10000, 0.0001);
  EXPECT_EQ(roundHalfAway(999 * 10000.0) / 10000, 999);
}

}  // namespace
}  // namespace vexmoor
