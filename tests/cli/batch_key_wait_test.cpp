// The key wait of the CPC hierarchy in the batch front end: taken only with
// the diagnostics on and a terminal on standard input, never otherwise.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string kGorf = VEXMOOR_EXAMPLES "/gorilla/gorf.txt";
const std::string kGorm = VEXMOOR_EXAMPLES "/gorilla/gorm.txt";
constexpr std::string_view kPrompt = "Press Enter to continue.";
// The gorilla groups give 12 shape variables: 10 partial models.
constexpr int kPartialModels = 10;

struct PtyRun {
  int status = -1;
  std::string output;  // standard output and error, as the terminal showed them
  int prompts = 0;
  bool waitedForEnter = false;  // a prompt stayed unanswered for a while
};

size_t count(const std::string& text, std::string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

// Runs the batch front end on a pseudo-terminal; answers each prompt with
// Enter after a pause in which the program must sit still.
PtyRun runOnTerminal(std::vector<std::string> args) {
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(VEXMOOR_BATCH)};
    for (std::string& a : args) {
      argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    execv(VEXMOOR_BATCH, argv.data());
    _exit(127);
  }
  PtyRun run;
  if (pid < 0) {
    return run;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  size_t answered = 0;
  for (;;) {
    pollfd p{master, POLLIN, 0};
    int ready = poll(&p, 1, 300);
    if (ready > 0) {
      char buffer[4096];
      ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) {
        break;  // the child closed the terminal
      }
      run.output.append(buffer, static_cast<size_t>(n));
    } else if (ready == 0 && count(run.output, kPrompt) > answered) {
      // Quiet for 300 ms after a prompt: the program is waiting.
      run.waitedForEnter = true;
      ++answered;
      if (write(master, "\n", 1) != 1) {
        break;
      }
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      break;
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.prompts = static_cast<int>(count(run.output, kPrompt));
  return run;
}

TEST(BatchKeyWait, withDiagnosticsAtATerminalItWaitsOncePerPartialModel) {
  PtyRun run = runOnTerminal({"RunCPC", kGorf, kGorm, "--diagnostics"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.prompts, kPartialModels);
  EXPECT_TRUE(run.waitedForEnter);
  EXPECT_NE(run.output.find("Results of CPC Analysis"), std::string::npos);
}

TEST(BatchKeyWait, withoutDiagnosticsItNeverWaitsEvenAtATerminal) {
  PtyRun run = runOnTerminal({"RunCPC", kGorf, kGorm});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.prompts, 0);
  EXPECT_FALSE(run.waitedForEnter);
  EXPECT_NE(run.output.find("Results of CPC Analysis"), std::string::npos);
}

TEST(BatchKeyWait, withDiagnosticsButNoTerminalItNeverWaits) {
  // Standard input from /dev/null: a script or a pipe, nobody to press Enter.
  std::string command = std::string("'") + VEXMOOR_BATCH + "' RunCPC '" + kGorf + "' '" + kGorm +
                        "' --diagnostics </dev/null 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
    output.append(buffer, n);
  }
  int status = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  EXPECT_EQ(count(output, kPrompt), 0u);
  EXPECT_NE(output.find("s1_pcpc"), std::string::npos);
}

}  // namespace
