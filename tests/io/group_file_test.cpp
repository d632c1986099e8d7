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

namespace vexmoor {
namespace {

using testing::errorMessage;

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
