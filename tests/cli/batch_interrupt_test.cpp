// SIGINT and SIGTERM sent to vexmoor-batch in the middle of a long
// resampling run or a large decomposition: it stops soon, says so, prints
// no result and ends with 128 + the signal's number.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "interrupt.h"

namespace vexmoor {
namespace {

const std::string kGorf = VEXMOOR_EXAMPLES "/gorilla/gorf.txt";
const std::string kGorm = VEXMOOR_EXAMPLES "/gorilla/gorm.txt";

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Interrupted {
  int status = -1;
  double secondsToStop = 0;
  std::string out, err;
};

// Starts `args`, waits `wait`, sends `sig` and times the end.
Interrupted interruptRun(int sig, std::vector<std::string> args,
                         std::chrono::milliseconds wait = std::chrono::milliseconds(1500)) {
  auto dir = std::filesystem::temp_directory_path() /
             ("vexmoor_interrupt_" + std::to_string(getpid()) + "_" + std::to_string(sig));
  std::filesystem::create_directories(dir);
  std::string out = (dir / "out").string(), err = (dir / "err").string();
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  args.insert(args.begin(), VEXMOOR_BATCH);
  std::vector<char*> argv;
  for (std::string& a : args) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);
  pid_t pid = 0;
  Interrupted r;
  if (posix_spawn(&pid, VEXMOOR_BATCH, &files, nullptr, argv.data(), environ) != 0) {
    return r;
  }
  posix_spawn_file_actions_destroy(&files);
  std::this_thread::sleep_for(wait);
  auto sent = std::chrono::steady_clock::now();
  kill(pid, sig);
  int status = 0;
  waitpid(pid, &status, 0);
  r.secondsToStop = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = slurp(out);
  r.err = slurp(err);
  std::filesystem::remove_all(dir);
  return r;
}

TEST(BatchInterrupt, SignalsStopTheResamplingWithoutAResult) {
  for (auto [sig, name] : {std::pair{SIGINT, "SIGINT"}, std::pair{SIGTERM, "SIGTERM"}}) {
    // A million replicates.
    Interrupted r =
        interruptRun(sig, {"BootMezeyAngle", kGorf, kGorm, "-k", "2", "-v", "100", "--seed", "1"});
    EXPECT_EQ(r.status, 128 + sig) << name << "\n" << r.err;
    EXPECT_LT(r.secondsToStop, 1.0) << name;
    EXPECT_EQ(r.out, "") << name;
    EXPECT_EQ(r.err, "error: interrupted by " + std::string(name) +
                         "; the analysis stopped and no result was written\n");
  }
}

// Two groups of 2000 landmarks: the preparation decomposes the bending
// energy of a 2000-landmark spline, which goes in steps that heed the
// signal.
TEST(BatchInterrupt, SignalsStopLargeDecompositions) {
  auto dir = std::filesystem::temp_directory_path() /
             ("vexmoor_interrupt_large_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::vector<std::string> files;
  for (int g = 0; g < 2; ++g) {
    files.push_back((dir / ("g" + std::to_string(g) + ".txt")).string());
    std::ofstream out(files.back());
    for (int s = 0; s < 12; ++s) {
      // A filled disc (a sunflower's spiral): on an outline this many
      // landmarks would merge in the consensus's rounding.
      for (int l = 0; l < 2000; ++l) {
        double r = std::sqrt(l + 1.0), t = 2.399963229728653 * l;
        out << r * (1 + 0.01 * ((s * 7 + l * 3 + g) % 11)) * std::cos(t) << ' '
            << r * (1 + 0.01 * ((s * 5 + l * 2) % 13)) * std::sin(t) << ' ';
      }
      out << "1\n";
    }
  }
  Interrupted r = interruptRun(SIGTERM, {"DoMezeyAngle", files[0], files[1], "-k", "2"},
                               std::chrono::milliseconds(1000));
  std::filesystem::remove_all(dir);
  EXPECT_EQ(r.status, 128 + SIGTERM) << r.err << r.out;
  EXPECT_LT(r.secondsToStop, 1.0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "error: interrupted by SIGTERM; the analysis stopped and no result was written\n");
}

// Reading the input files has no point to look for a request: a signal
// there ends the process at once, with the same message.
TEST(BatchInterrupt, ASignalWhileReadingEndsAtOnce) {
  EXPECT_EXIT(
      {
        InterruptWatch watch;
        InterruptWatch::EndAtOnce reading;
        std::raise(SIGTERM);
        std::exit(0);
      },
      testing::ExitedWithCode(128 + SIGTERM),
      "^error: interrupted by SIGTERM; the analysis stopped and no result was written\n$");
}

}  // namespace
}  // namespace vexmoor
