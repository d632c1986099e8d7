#include "io/landmark_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/io_operations.h"
#include "runtime/operation_table.h"
#include "support/error_message.h"
#include "support/plain_text.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::parseLandmarkText;

// Lines of `cols` numbers, row i holding i.01, i.02, ...; `sep` between them.
std::string numberLines(int rows, int cols, const std::string& sep = " ",
                        const std::string& eol = "\n") {
  std::string text;
  for (int i = 1; i <= rows; ++i) {
    for (int j = 1; j <= cols; ++j) {
      text += std::to_string(i) + "." + (j < 10 ? "0" : "") + std::to_string(j);
      text += j < cols ? sep : eol;
    }
  }
  return text;
}

class TempFile {
 public:
  explicit TempFile(const std::string& text) {
    static int counter = 0;
    m_path =
        (std::filesystem::temp_directory_path() / ("vexmoor_io_test_" + std::to_string(::getpid()) +
                                                   "_" + std::to_string(++counter) + ".txt"))
            .string();
    std::ofstream(m_path, std::ios::binary) << text;
  }
  ~TempFile() { std::filesystem::remove(m_path); }
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

TEST(LandmarkFile, ReadsEveryLineOfAFileEndingWithALineBreak) {
  Matrix x = parseLandmarkText(numberLines(20, 25), "a.txt");
  ASSERT_EQ(x.rows(), 20);
  ASSERT_EQ(x.cols(), 25);
  EXPECT_EQ(x(0, 0), 1.01);
  EXPECT_EQ(x(19, 24), 20.25);
}

TEST(LandmarkFile, AnEmptyLineEndsTheData) {
  std::string first = numberLines(10, 25);
  std::string rest = numberLines(10, 25);
  Matrix x = parseLandmarkText(first + "\n" + rest, "a.txt");
  EXPECT_EQ(x.rows(), 10);
  EXPECT_EQ(x.cols(), 25);
  // Whatever follows the empty line is ignored, even text that is no number.
  EXPECT_EQ(parseLandmarkText(first + "\nnotes: measured twice\n", "a.txt").rows(), 10);
}

TEST(LandmarkFile, ALineOfWhiteSpaceAlsoEndsTheData) {
  std::string first = numberLines(3, 5);
  for (const char* blank : {"   \n", "\t\n", "\r\n", " \r\n"}) {
    Matrix x = parseLandmarkText(first + blank + numberLines(2, 5), "a.txt");
    EXPECT_EQ(x.rows(), 3) << "blank line of " << std::string(blank).size() << " characters";
  }
}

TEST(LandmarkFile, TheLastLineNeedsNoLineBreak) {
  std::string text = numberLines(20, 25);
  Matrix with = parseLandmarkText(text, "a.txt");
  text.pop_back();
  Matrix without = parseLandmarkText(text, "a.txt");
  EXPECT_EQ(without, with);
}

TEST(LandmarkFile, AFinalLineOfOneCharacterIsIgnored) {
  std::string text = numberLines(3, 3);
  EXPECT_EQ(parseLandmarkText(text + "7", "a.txt").rows(), 3);
  EXPECT_EQ(parseLandmarkText(text + "\x1a", "a.txt").rows(), 3);
  // Two characters make a line that is read, and here it is too short.
  EXPECT_EQ(errorMessage([&] { parseLandmarkText(text + "7 ", "a.txt"); }),
            "file \"a.txt\", line 4: 1 numbers where line 1 has 3");
}

TEST(LandmarkFile, TheFirstLineIsAlwaysRead) {
  Matrix one = parseLandmarkText("1 2 3", "a.txt");
  EXPECT_EQ(one.rows(), 1);
  EXPECT_EQ(parseLandmarkText("5", "a.txt").size(), 1);
  EXPECT_EQ(errorMessage([&] { parseLandmarkText("\n1 2 3\n", "a.txt"); }),
            "file \"a.txt\", line 1: the line holds no numbers");
}

TEST(LandmarkFile, SeparatorsAndLineEndsGiveTheSameRows) {
  Matrix blanks = parseLandmarkText(numberLines(4, 7, " "), "a.txt");
  EXPECT_EQ(parseLandmarkText(numberLines(4, 7, ","), "a.txt"), blanks);
  EXPECT_EQ(parseLandmarkText(numberLines(4, 7, "\t"), "a.txt"), blanks);
  EXPECT_EQ(parseLandmarkText(numberLines(4, 7, ", "), "a.txt"), blanks);
  EXPECT_EQ(parseLandmarkText(numberLines(4, 7, " ", "\r\n"), "a.txt"), blanks);
  EXPECT_EQ(parseLandmarkText("  " + numberLines(4, 7, "  ", "  \n"), "a.txt"), blanks);
  EXPECT_EQ(parseLandmarkText("\xEF\xBB\xBF" + numberLines(4, 7), "a.txt"), blanks);
}

TEST(LandmarkFile, ATokenThatIsNotANumberNamesFileLineAndToken) {
  std::string text = numberLines(2, 3) + "3.01 3.02x 3.03\n" + numberLines(1, 3);
  EXPECT_EQ(errorMessage([&] { parseLandmarkText(text, "g1.txt"); }),
            "file \"g1.txt\", line 3: \"3.02x\" is not a number");
  EXPECT_EQ(errorMessage([&] { parseLandmarkText("x1 y1 x2\n1 2 3\n", "g1.txt"); }),
            "file \"g1.txt\", line 1: \"x1\" is not a number");
  std::string longToken(500, 'z');
  EXPECT_EQ(errorMessage([&] { parseLandmarkText("1 " + longToken, "g1.txt"); }),
            "file \"g1.txt\", line 1: \"" + std::string(40, 'z') + "...\" is not a number");
}

TEST(LandmarkFile, NonFiniteValuesAreRejected) {
  EXPECT_EQ(errorMessage([&] { parseLandmarkText("1 2 3\n4 inf 6\n", "g.txt"); }),
            "file \"g.txt\", line 2: \"inf\" is not a finite number");
  EXPECT_EQ(errorMessage([&] { parseLandmarkText("1,NaN,3\n", "g.txt"); }),
            "file \"g.txt\", line 1: \"NaN\" is not a finite number");
}

TEST(LandmarkFile, ALineWithAnotherCountNamesItsLine) {
  std::string text = numberLines(5, 17) + numberLines(1, 16) + numberLines(3, 17);
  EXPECT_EQ(errorMessage([&] { parseLandmarkText(text, "g2.txt"); }),
            "file \"g2.txt\", line 6: 16 numbers where line 1 has 17");
}

TEST(LandmarkFile, EmptyMissingAndFolderPathsAreErrors) {
  EXPECT_EQ(errorMessage([] { parseLandmarkText("", "e.txt"); }), "file \"e.txt\" is empty");
  TempFile empty("");
  EXPECT_EQ(errorMessage([&] { readLandmarkFile(empty.path()); }),
            "file \"" + empty.path() + "\" is empty");
  std::string missing = "/nonexistent/folder/g.txt";
  EXPECT_EQ(errorMessage([&] { readLandmarkFile(missing); }),
            "cannot open file \"" + missing + "\": No such file or directory");
  std::string folder = std::filesystem::temp_directory_path().string();
  EXPECT_EQ(errorMessage([&] { readLandmarkFile(folder); }),
            "cannot read file \"" + folder + "\": it is a folder");
}

TEST(LandmarkFile, ReadsAFileFromDisk) {
  TempFile f(numberLines(3, 5) + "\n" + "garbage\n");
  Matrix x = readLandmarkFile(f.path());
  EXPECT_EQ(x.rows(), 3);
  EXPECT_EQ(x(2, 4), 3.05);
}

TEST(LandmarkFile, TheBundledGroupsReadBackExactly) {
  Matrix gorf = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  Matrix gorm = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
  EXPECT_EQ(gorf.rows(), 30);
  EXPECT_EQ(gorm.rows(), 29);
  EXPECT_EQ(gorf.cols(), 17);
  EXPECT_EQ(gorm.cols(), 17);
}

TEST(LandmarkColumns, TheDimensionDecidesTheCountThatFits) {
  EXPECT_NO_THROW(checkLandmarkColumns(Matrix::Zero(2, 17), false, "g"));
  EXPECT_NO_THROW(checkLandmarkColumns(Matrix::Zero(2, 22), true, "g"));
  EXPECT_NO_THROW(checkLandmarkColumns(Matrix::Zero(2, 3), false, "g"));
  EXPECT_EQ(errorMessage([] { checkLandmarkColumns(Matrix::Zero(2, 16), false, "g.txt"); }),
            "file \"g.txt\" has 16 values per line; two-dimensional data need 2k + 1 (k "
            "landmarks, then a trailing value)");
  EXPECT_NE(errorMessage([] { checkLandmarkColumns(Matrix::Zero(2, 17), true, "g.txt"); }),
            "<no error>");
  EXPECT_NE(errorMessage([] { checkLandmarkColumns(Matrix::Zero(2, 1), false, "g.txt"); }),
            "<no error>");
}

TEST(LandmarkFile, FileNameDropsTheFolders) {
  EXPECT_EQ(fileNameOf("/data/apes/gorf.txt"), "gorf.txt");
  EXPECT_EQ(fileNameOf("C:\\data\\gorm.txt"), "gorm.txt");
  EXPECT_EQ(fileNameOf("plain.txt"), "plain.txt");
}

TEST(Dload, ReadsByNameAndReportsFailures) {
  OperationTable table;
  bindIoOperations(table);
  TempFile f(numberLines(2, 3));
  std::vector<Value> args{textValue(f.path())};
  std::vector<Value> out = table.call("dload", args, 1);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(std::get<Matrix>(out[0]).rows(), 2);
  std::vector<Value> missing{textValue("/nonexistent/x.txt")};
  EXPECT_NE(errorMessage([&] { table.call("dload", missing, 1); }).find("cannot open file"),
            std::string::npos);
  std::vector<Value> number{scalarValue(1)};
  EXPECT_NE(errorMessage([&] { table.call("dload", number, 1); }), "<no error>");
}

}  // namespace
}  // namespace vexmoor
