#include "io/group_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "io/landmark_file.h"
#include "support/error_message.h"
#include "support/plain_text.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::parseLandmarkText;

TEST(GroupFile, EveryFormatOfABundledGroupGivesThePlainMatrix) {
  for (const char* stem : {"gorf", "macf"}) {
    std::string folder = std::string(stem) == "gorf" ? "gorilla" : "macaque";
    Matrix plain = readLandmarkFile(VEXMOOR_EXAMPLES "/" + folder + "/" + stem + ".txt");
    Index coordinates = plain.cols() - 1;
    for (const char* suffix : {".tps", ".nts", ".csv", "_morphologika.txt"}) {
      std::string path = VEXMOOR_TEST_DATA "/formats/" + std::string(stem) + suffix;
      LandmarkGroup g = readGroupFile(path);
      ASSERT_EQ(g.data.rows(), plain.rows()) << path;
      ASSERT_EQ(g.data.cols(), plain.cols()) << path;
      EXPECT_EQ(g.data.leftCols(coordinates), plain.leftCols(coordinates)) << path;
      // The centroid size the reader appends is the plain file's, to
      // rounding in its last bits.
      EXPECT_LT((g.data.col(coordinates) - plain.col(coordinates)).cwiseAbs().maxCoeff(), 1e-12)
          << path;
      EXPECT_EQ(g.info.identifiers.front(), std::string(stem) + "01") << path;
    }
  }
}

TEST(GroupFile, PlainFilesKeepTheirReader) {
  std::string text = "1 2 3\n4 5 6\n\n7 8\n";
  LandmarkGroup g = parseGroupText(text, "p.txt", "p.txt");
  EXPECT_EQ(g.info.format, GroupFormat::kPlain);
  EXPECT_EQ(g.data, parseLandmarkText(text, "p.txt"));
  EXPECT_EQ(g.info.identifiers, (std::vector<std::string>{"1", "2"}));
  // A row that mixes numbers and text is a bad number, as it always was.
  EXPECT_EQ(errorMessage([] { parseGroupText("1 2x 3\n4 5 6\n", "p.txt", ""); }),
            "file \"p.txt\", line 1: \"2x\" is not a number");
  EXPECT_EQ(errorMessage([] { parseGroupText("", "p.txt", ""); }), "file \"p.txt\" is empty");
}

TEST(GroupFile, BinaryFilesAndFilesInNoFormat) {
  EXPECT_EQ(errorMessage([] { parseGroupText(std::string("1 2\n3\0 4\n", 8), "b.bin", ""); }),
            "file \"b.bin\" is a binary file, not a text file of landmark data (a NUL byte in "
            "line 2)");
  EXPECT_EQ(errorMessage([] { readGroupFile("/dev/zero"); }),
            "file \"/dev/zero\" is a binary file, not a text file of landmark data (a NUL byte "
            "in line 1)");
  for (const char* text : {"Dear colleague,\nthe skulls are in the post.\n", "notes\n"}) {
    EXPECT_EQ(errorMessage([&] { parseGroupText(text, "n.txt", ""); }),
              "file \"n.txt\" is in none of the landmark file formats (plain numbers, TPS, NTS, "
              "CSV/TSV table with a header, Morphologika): its first lines hold no numbers");
  }
}

TEST(GroupFile, AnEndlessLineIsCutOffWithAnError) {
  // The plain reader on its own, without the front door's look at the
  // first bytes.
  EXPECT_EQ(errorMessage([] { readLandmarkFile("/dev/zero"); }),
            "file \"/dev/zero\", line 1 is longer than 64 MiB: not a text file of landmark data");
}

TEST(GroupFile, SpreadsheetLineEndsReadAsTheNumbersBefore) {
  std::string plain = "5 193 53 -27 0 0 235.17\n51 191 55 -31 0 0 238.96\n";
  Matrix expected = parseLandmarkText(plain, "p.txt");
  for (const char* tail : {"\t", " ", "\t\r", "  \t"}) {
    std::string text =
        "5 193 53 -27 0 0 235.17" + std::string(tail) + "\n51 191 55 -31 0 0 238.96" + tail + "\n";
    LandmarkGroup g = parseGroupText(text, "p.txt", "");
    EXPECT_EQ(g.info.format, GroupFormat::kPlain);
    EXPECT_EQ(g.data, expected);
  }
  // A separator after every field, the header's included, is no column.
  std::string table = "id,x1,y1,x2,y2,x3,y3,cs\na,0,0,1,0,0,1,7\nb,0,0,2,0,0,1,8\n";
  std::string trailing = "id,x1,y1,x2,y2,x3,y3,cs,\na,0,0,1,0,0,1,7,\nb,0,0,2,0,0,1,8,\n";
  EXPECT_EQ(parseGroupText(trailing, "t.csv", "").data, parseGroupText(table, "t.csv", "").data);
  std::string tabs = "id\tx1\ty1\tx2\ty2\tx3\ty3\tcs\t\na\t0\t0\t1\t0\t0\t1\t7\t\n";
  EXPECT_EQ(parseGroupText(tabs, "t.tsv", "").data.cols(), 7);
  EXPECT_EQ(errorMessage([] { parseGroupText("id,a,b,\nA,1,2,\nB,3,4,5\n", "t.csv", ""); }),
            "file \"t.csv\", line 3: \"5\" stands in the last column, which the header and the "
            "rows before leave empty");
}

TEST(GroupFile, MessagesNameTheTokenOrTheRuleAtFault) {
  auto message = [](const std::string& text, const char* name = "p.txt") {
    return errorMessage([&] { parseGroupText(text, name, name); });
  };
  std::string rest = " 193 53 -27 0 0 235.17\n51 191 55 -31 0 0 238.96\n";
  EXPECT_EQ(message("abc" + rest), "file \"p.txt\", line 1: \"abc\" is not a number");
  EXPECT_EQ(message("1e400" + rest),
            "file \"p.txt\", line 1: \"1e400\" is out of range: numbers must lie between "
            "-1.8e308 and 1.8e308");
  EXPECT_EQ(message("1" + std::string(400, '0') + rest).rfind("file \"p.txt\", line 1: \"1000"),
            0u);
  EXPECT_NE(message("1" + std::string(400, '0') + rest).find("is out of range"), std::string::npos);
  EXPECT_EQ(message("0.5 1e-400 2\n1 2 3\n"),
            "file \"p.txt\", line 1: \"1e-400\" is out of range: it is closer to zero than the "
            "smallest number, about 4.9e-324");
  // Identifiers without a header still make a table.
  EXPECT_EQ(parseGroupText("a 1 2 3\nb 4 5 6\n", "p.txt", "").info.identifiers,
            (std::vector<std::string>{"a", "b"}));

  std::string decimal =
      "the separator looks like a decimal comma (\"235,17\"); write numbers with a decimal "
      "point, or separate them with semicolons";
  EXPECT_EQ(message("5 193 53 -27 0 0 235,17\n51 191 55 -31 0 0 238,96\n"),
            "file \"p.txt\", line 1: " + decimal);
  EXPECT_EQ(message("5\t193\t53\t-27\t0\t0\t235,17\n"), "file \"p.txt\", line 1: " + decimal);
  // Commas between blanks may be pairs of whole numbers: read, and the
  // column count's message says what they may be.
  LandmarkGroup pairs = parseGroupText("1,5 2,25 3,75\n1,5 2,5 3,5\n", "p.txt", "");
  EXPECT_EQ(pairs.data.cols(), 6);
  EXPECT_EQ(errorMessage([&] { checkGroupColumns(pairs.data, pairs.info, false, "p.txt"); }),
            "file \"p.txt\" has 6 values per line; two-dimensional data need 2k + 1 (k "
            "landmarks, then a trailing value); the separator looks like a decimal comma "
            "(\"1,5\"): write numbers with a decimal point, or separate them with semicolons");

  std::string nts = "1 2L 4 0 DIM=2\na b\n0 0 1 0\n0 0 2 1\n";
  EXPECT_EQ(message("1 2L 4 0 DIM=4\na b\n0 0 1 0\n0 0 2 1\n", "a.nts"),
            "file \"a.nts\", line 1: \"DIM=4\" gives no dimension: DIM= takes 2 or 3");
  EXPECT_EQ(message("\" a comment\n1 2L 4 0 DIM=abc\na b\n0 0 1 0\n", "a.nts"),
            "file \"a.nts\", line 2: \"DIM=abc\" gives no dimension: DIM= takes 2 or 3");
  EXPECT_EQ(message("2 2L 4 0\na b\n0 0 1 0\n0 0 2 1\n", "a.txt"),
            "file \"a.txt\", line 1: matrix type \"2\" is not 1, the rectangular data matrix "
            "this reader takes");

  EXPECT_EQ(message("id,a,b\n\"x\n1\",1,2\n", "t.csv"),
            "file \"t.csv\", line 2: a quoted field holds a line break; each field must end on "
            "its line");
  // One line beyond the bound, whatever it holds: the bound's message.
  std::string longLine(kMaxLineLength + 10, 'x');
  EXPECT_EQ(message(longLine),
            "file \"p.txt\", line 1 is longer than 64 MiB: not a text file of landmark data");
}

// Each format's missing values are refused with every incomplete specimen
// named, or the specimens are left out and named.
TEST(GroupFile, MissingValuesAreRefusedOrTheirSpecimensLeftOut) {
  std::string tps;
  for (int s = 1; s <= 13; ++s) {
    std::string third = s == 2 ? "-999 -999" : s == 3 ? "NA 4" : s >= 5 ? "nan 4" : "-999 4";
    tps += "LM=3\n0 0\n4 0\n" + third + "\nID=s" + std::to_string(s) + "\n";
  }
  EXPECT_EQ(
      errorMessage([&] { parseGroupText(tps, "a.tps", ""); }),
      "file \"a.tps\": 11 specimens have missing values (specimen 2 (\"s2\"): landmark 3; "
      "specimen 3 (\"s3\"): landmark 3; specimen 5 (\"s5\"): landmark 3; specimen 6 "
      "(\"s6\"): landmark 3; specimen 7 (\"s7\"): landmark 3; specimen 8 (\"s8\"): "
      "landmark 3; specimen 9 (\"s9\"): landmark 3; specimen 10 (\"s10\"): landmark 3; "
      "specimen 11 (\"s11\"): landmark 3; specimen 12 (\"s12\"): landmark 3; and 1 more); the "
      "analyses need complete specimens: drop-incomplete leaves these out");
  LandmarkGroup kept = parseGroupText(tps, "a.tps", "", MissingValues::kDropIncomplete);
  // One coordinate of -999 is a coordinate.
  EXPECT_EQ(kept.info.identifiers, (std::vector<std::string>{"s1", "s4"}));
  EXPECT_EQ(kept.data(1, 4), -999);
  ASSERT_EQ(kept.info.dropped.size(), 11u);
  EXPECT_EQ(kept.info.dropped[0].specimen, 2u);
  EXPECT_EQ(kept.info.dropped[0].missing, std::vector<size_t>{3});

  std::string nts = "1 3L 6 1 -9 DIM=2\na b c\n0 0 4 0 0 3\n-9 0 4 -9 0 3\n1 1 5 1 1 4\n";
  EXPECT_EQ(parseGroupText(nts, "n.nts", "", MissingValues::kDropIncomplete).info.identifiers,
            (std::vector<std::string>{"a", "c"}));
  EXPECT_NE(errorMessage([&] {
              parseGroupText(nts, "n.nts", "");
            }).find("(specimen 2 (\"b\"): landmarks 1 and 2)"),
            std::string::npos);
  // A table's missing trailing value, and its empty field.
  std::string csv = "id,x1,y1,x2,y2,x3,y3,cs\nA,0,0,4,0,0,3,2\nB,0,0,4,0,0,3,\nC,1,1,5,,1,4,2\n";
  EXPECT_NE(errorMessage([&] {
              parseGroupText(csv, "t.csv", "");
            }).find("(specimen 2 (\"B\"): the trailing value; specimen 3 (\"C\"): landmark 2)"),
            std::string::npos);
  EXPECT_EQ(errorMessage([] {
              parseGroupText("id,a,b\nA,1,NA\nB,?,2\n", "t.csv", "",
                             MissingValues::kDropIncomplete);
            }),
            "file \"t.csv\": every specimen has missing values (specimen 1 (\"A\"): variable 2; "
            "specimen 2 (\"B\"): variable 1)");
  std::string morphologika =
      "[individuals]\n2\n[landmarks]\n1\n[dimensions]\n2\n[rawpoints]\n1 NaN\n1 2\n";
  EXPECT_EQ(parseGroupText(morphologika, "m.txt", "", MissingValues::kDropIncomplete).data.rows(),
            1);
  // Plain files know no missing values.
  EXPECT_NE(errorMessage([] { parseGroupText("1 2 NA\n1 2 3\n", "p.txt", ""); }).find("NA"),
            std::string::npos);
}

// A decimal comma read as a separator is named wherever it shows, and a
// blank line that leaves lines of numbers unread is warned about.
TEST(GroupFile, DecimalCommasAndDataBehindABlankLineAreNamed) {
  const std::string advice =
      "; the separator looks like a decimal comma (\"1,5\"): write numbers with a decimal point, "
      "or separate them with semicolons";
  EXPECT_EQ(errorMessage([] { parseGroupText("1 2 3\n1,5 2,5 3,5\n", "p.txt", ""); }),
            "file \"p.txt\", line 2: 6 numbers where line 1 has 3" + advice);
  std::string none =
      errorMessage([] { parseGroupText("x 1,5 2,5 y\nx 1,5 2,5 z\n", "p.txt", ""); });
  EXPECT_NE(none.find("its first lines hold no numbers" + advice), std::string::npos) << none;
  LandmarkGroup cut = parseGroupText("1 2 3\n4 5 6\n \n7 8 9\nnote\n1e3,2 3\n", "p.txt", "");
  EXPECT_EQ(cut.data.rows(), 2);
  EXPECT_EQ(cut.info.warnings,
            std::vector<std::string>{"line 3 is blank, which ends the data: the "
                                     "2 lines of numbers after it are not read"});
  EXPECT_TRUE(parseGroupText("1 2 3\n\nnotes only\n", "p.txt", "").info.warnings.empty());
}

TEST(GroupFile, ReadsFromAPipe) {
  std::string fifo =
      (std::filesystem::temp_directory_path() / ("vexmoor_fifo_" + std::to_string(::getpid())))
          .string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    std::ofstream out(fifo);
    out << "LM=2\n1 2\n3 4\nID=a\n";
    for (int i = 0; i < 20000; ++i) {
      out << "LM=2\n" << i << " 2\n3 4\n";
    }
  });
  LandmarkGroup g = readGroupFile(fifo);
  writer.join();
  std::filesystem::remove(fifo);
  EXPECT_EQ(g.info.format, GroupFormat::kTps);
  EXPECT_EQ(g.data.rows(), 20001);
  EXPECT_EQ(g.data(20000, 0), 19999.0);
}

}  // namespace
}  // namespace vexmoor
