#include "io/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/error_message.h"

namespace vexmoor {
namespace {

namespace fs = std::filesystem;
using testing::errorMessage;

class Folder {
 public:
  Folder() {
    static int counter = 0;
    m_path = fs::temp_directory_path() / ("vexmoor_output_test_" + std::to_string(::getpid()) +
                                          "_" + std::to_string(++counter));
    fs::create_directories(m_path);
  }
  ~Folder() { fs::remove_all(m_path); }
  std::string file(const std::string& name, const std::string& text = "") const {
    std::ofstream(m_path / name, std::ios::binary) << text;
    return (m_path / name).string();
  }
  std::string path(const std::string& name) const { return (m_path / name).string(); }
  size_t entries() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(m_path)) {
      ++n;
    }
    return n;
  }

 private:
  fs::path m_path;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

mode_t modeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

TEST(OutputFile, ReplacesWholeKeepsTheModeAndFollowsLinks) {
  Folder d;
  std::string kept = d.file("kept.csv", "old");
  ::chmod(kept.c_str(), 0640);
  {
    OutputFile out(kept);
    out.write("new ");
    EXPECT_EQ(slurp(kept), "old");  // nothing changes before the commit
    out.write("content");
    out.commit();
  }
  EXPECT_EQ(slurp(kept), "new content");
  EXPECT_EQ(modeOf(kept), 0640u);

  fs::create_symlink("kept.csv", d.path("link.csv"));
  writeOutputFile(d.path("link.csv"), "through the link");
  EXPECT_TRUE(fs::is_symlink(d.path("link.csv")));
  EXPECT_EQ(slurp(kept), "through the link");
  // A link to a file not there yet makes the file where it points.
  fs::create_symlink("later.csv", d.path("dangling.csv"));
  writeOutputFile(d.path("dangling.csv"), "made");
  EXPECT_TRUE(fs::is_symlink(d.path("dangling.csv")));
  EXPECT_EQ(slurp(d.path("later.csv")), "made");

  // Not committed: the old file stays and no temporary file is left.
  size_t before = d.entries();
  {
    OutputFile out(kept);
    out.write("lost");
  }
  EXPECT_EQ(slurp(kept), "through the link");
  EXPECT_EQ(d.entries(), before);
}

TEST(OutputFile, RefusesWhatWouldLoseData) {
  Folder d;
  std::string ro = d.file("ro.csv", "keep me");
  ::chmod(ro.c_str(), 0444);
  // Decided on the mode bits, as an editor does: also when root could write.
  EXPECT_EQ(errorMessage([&] { OutputFile out(ro); }),
            "cannot write \"" + ro + "\": the file is read-only");
  EXPECT_EQ(slurp(ro), "keep me");
  EXPECT_EQ(errorMessage([&] { OutputFile out(d.path("")); }),
            "cannot write \"" + d.path("") + "\": it is a folder");
  EXPECT_EQ(errorMessage([&] { OutputFile out(d.path("no/x.csv")); }),
            "cannot write \"" + d.path("no/x.csv") + "\": the folder \"" + d.path("no") +
                "\" does not exist");
  fs::create_symlink("loop", d.path("loop"));
  EXPECT_NE(errorMessage([&] { OutputFile out(d.path("loop")); }).find("\"" + d.path("loop")),
            std::string::npos);

  // The same file through another path, a hard or a symbolic link.
  std::string data = d.file("data.txt", "1 2 3\n");
  fs::create_hard_link(data, d.path("hard.txt"));
  fs::create_symlink("data.txt", d.path("soft.txt"));
  for (const char* name : {"data.txt", "hard.txt", "soft.txt"}) {
    OutputFile out(d.path(name));
    EXPECT_TRUE(out.changes(data)) << name;
    EXPECT_TRUE(out.changes(d.path("./soft.txt"))) << name;
    EXPECT_FALSE(out.changes(ro)) << name;
  }
  OutputFile a(d.path("new.svg")), b(d.path("./new.svg")), c(d.path("other.svg"));
  EXPECT_TRUE(a.sameTarget(b));
  EXPECT_FALSE(a.sameTarget(c));
  EXPECT_FALSE(a.changes(data));
  EXPECT_EQ(slurp(data), "1 2 3\n");
}

TEST(OutputFile, WritesWhatIsNoRegularFileDirectlyAndReportsItsErrors) {
  if (fs::exists("/dev/full")) {
    EXPECT_EQ(errorMessage([] { writeOutputFile("/dev/full", "x"); }),
              "cannot write \"/dev/full\": No space left on device");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
  }
  writeOutputFile("/dev/null", "nothing");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  Folder d;
  std::string fifo = d.path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = slurp(fifo); });
  writeOutputFile(fifo, "through the pipe");
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(OutputFile, RemovesTheTemporaryFilesAKilledRunLeft) {
  Folder d;
  std::string stale = d.file(".r.csv.vexmoor-tmp.Ab12Cd", "half");
  std::string other = d.file(".s.csv.vexmoor-tmp.Ab12Cd", "another output's");
  OutputFile live(d.path("r.csv"));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(other));
  // A live writer's temporary file is locked, so another run keeps it.
  std::string locked = d.file(".r.csv.vexmoor-tmp.Xy34Zw", "being written");
  int fd = ::open(locked.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  OutputFile second(d.path("r.csv"));
  EXPECT_TRUE(fs::exists(locked));
  ::close(fd);
}

TEST(OutputFile, CommitsTogetherOrNotAtAll) {
  Folder d;
  std::string kept = d.file("kept.csv", "old");
  std::string made = d.path("made.svg");
  {
    OutputFile a(kept), b(made);
    a.write("new");
    b.write("<svg/>");
    // A folder made where an output goes, before the commit: nothing moves.
    fs::create_directory(made);
    EXPECT_EQ(errorMessage([&] {
                deliverTogether({&a, &b}, {}, nullptr);
              }),
              "cannot write \"" + made + "\": it is a folder");
    EXPECT_EQ(slurp(kept), "old");
  }
  fs::remove(made);
  {
    OutputFile a(kept), b(made);
    a.write("new");
    b.write("<svg/>");
    deliverTogether({&a, &b}, {}, nullptr);
    // ... and one made in the last instant: the file replaced first gets
    // its old content back.
    fs::create_directory(made);
    EXPECT_NE(errorMessage([&] {
                installTogether({&a, &b});
              }).find("it is a folder"),
              std::string::npos);
    EXPECT_EQ(slurp(kept), "old");
  }
  EXPECT_EQ(d.entries(), 2u);  // kept.csv and the folder, no temporary file
  fs::remove(made);
  {
    OutputFile a(kept), b(made);
    a.write("new");
    b.write("<svg/>");
    deliverTogether({&a, &b}, {}, nullptr);
    installTogether({&a, &b});
  }
  EXPECT_EQ(slurp(kept), "new");
  EXPECT_EQ(slurp(made), "<svg/>");
  EXPECT_EQ(d.entries(), 2u);
}

}  // namespace
}  // namespace vexmoor
