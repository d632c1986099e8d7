// How vexmoor-batch delivers its outputs: all of them or none, never half
// a file where a whole one was, interrupts that say what happened, and the
// files of others kept as theirs. The races are provoked through the
// program's test points (VEXMOOR_TEST_STOP_AT, VEXMOOR_TEST_INTERRUPT_AT),
// not through timing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vexmoor {
namespace {

namespace fs = std::filesystem;

const std::string kGorf = VEXMOOR_EXAMPLES "/gorilla/gorf.txt";
const std::string kGorm = VEXMOOR_EXAMPLES "/gorilla/gorm.txt";
const std::string kInterrupted =
    "error: interrupted by SIGINT; the analysis stopped and no result was written\n";

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void put(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

// The names in `dir`, to see that no temporary file is left.
std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Folder {
 public:
  Folder() {
    static int count = 0;
    m_path = fs::temp_directory_path() /
             ("vexmoor_commit_" + std::to_string(::getpid()) + "_" + std::to_string(++count));
    fs::create_directories(m_path / "io");
  }
  ~Folder() { fs::remove_all(m_path); }
  fs::path operator/(const std::string& name) const { return m_path / name; }
  const fs::path& path() const { return m_path; }

 private:
  fs::path m_path;
};

struct Ended {
  int status = -1;  // exit status, or 128 + signal
  std::string out, err;
};

// `prefix... vexmoor-batch args...`, standard output and error to files in
// `folder`. Every prefix (env, setpriv, prlimit, sh -c 'exec ...') execs
// the next, so the process is the program's.
class Started {
 public:
  Started(const Folder& folder, std::vector<std::string> args, std::vector<std::string> prefix = {})
      : m_out((folder / "io/out").string()), m_err((folder / "io/err").string()) {
    prefix.push_back(VEXMOOR_BATCH);
    args.insert(args.begin(), prefix.begin(), prefix.end());
    std::vector<char*> argv;
    for (std::string& a : args) {
      argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawnp(&m_pid, argv[0], &files, nullptr, argv.data(), environ) != 0) {
      m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&files);
  }
  // Waits until the program has stopped itself at its test point.
  bool stopped() {
    int status = 0;
    return m_pid > 0 && ::waitpid(m_pid, &status, WUNTRACED) == m_pid && WIFSTOPPED(status);
  }
  void signal(int sig) const { ::kill(m_pid, sig); }
  // Waits, within a bound, until the program blocks opening a FIFO, so
  // that a signal then finds it there.
  void awaitBlockedOnFifo() const {
    std::string wchan = "/proc/" + std::to_string(m_pid) + "/wchan";
    for (int i = 0; i < 600 && slurp(wchan) != "wait_for_partner"; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  Ended end() {
    Ended e;
    int status = 0;
    if (m_pid > 0 && ::waitpid(m_pid, &status, 0) == m_pid) {
      e.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    e.out = slurp(m_out);
    e.err = slurp(m_err);
    return e;
  }

 private:
  std::string m_out, m_err;
  pid_t m_pid = -1;
};

Ended run(const Folder& folder, const std::vector<std::string>& args,
          const std::vector<std::string>& prefix = {}) {
  return Started(folder, args, prefix).end();
}

TEST(BatchCommit, OutputsGoTogetherOrNotAtAll) {
  Folder d;
  fs::path r = d / "r.csv", p = d / "p.svg";
  std::vector<std::string> boot{"BootMezeyAngle", kGorf, kGorm,          "-k",       "2",
                                "--seed",         "1",   "--replicates", r.string(), "--plot",
                                p.string()};
  std::string text = run(d, {"BootMezeyAngle", kGorf, kGorm, "-k", "2", "--seed", "1"}).out;
  auto reset = [&] {
    fs::remove_all(p);
    put(r, "old r");
    put(p, "old p");
  };
  auto untouched = [&](const Ended& e, const std::string& what) {
    EXPECT_EQ(slurp(r), "old r") << what;
    EXPECT_EQ(slurp(p), "old p") << what;
    EXPECT_EQ(namesIn(d.path()), (std::vector<std::string>{"io", "p.svg", "r.csv"})) << what;
    EXPECT_EQ(e.out, "") << what;
  };

  // A picture's path turned into a folder during the run.
  reset();
  Started s(d, boot, {"env", "VEXMOOR_TEST_STOP_AT=commit"});
  ASSERT_TRUE(s.stopped());
  fs::remove(p);
  fs::create_directory(p);
  s.signal(SIGCONT);
  Ended e = s.end();
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(e.err, "error: cannot write \"" + p.string() + "\": it is a folder\n");
  EXPECT_EQ(slurp(r), "old r");
  fs::remove(p);
  put(p, "old p");

  // Standard output that cannot be written.
  if (fs::exists("/dev/full")) {
    e = run(d, boot, {"sh", "-c", "exec \"$0\" \"$@\" >/dev/full"});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.err, "error: cannot write standard output: No space left on device\n");
    untouched(e, "/dev/full");
  }

  // An interrupt before the commit: nothing is written, as the message says.
  e = run(d, boot, {"env", "VEXMOOR_TEST_INTERRUPT_AT=commit"});
  EXPECT_EQ(e.status, 130);
  EXPECT_EQ(e.err, kInterrupted);
  untouched(e, "interrupted before the commit");

  // An interrupt once the commit has begun: it finishes.
  e = run(d, boot, {"env", "VEXMOOR_TEST_INTERRUPT_AT=no-return"});
  EXPECT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(e.out, text);
  EXPECT_EQ(slurp(r).rfind("replicate,angle_group1", 0), 0u);
  EXPECT_EQ(slurp(p).rfind("<?xml", 0), 0u);
  EXPECT_EQ(namesIn(d.path()), (std::vector<std::string>{"io", "p.svg", "r.csv"}));
}

// A FIFO that blocks the run, as an input or an output, is interrupted as
// any other step is.
TEST(BatchCommit, BlockedFifosEndAsInterrupts) {
  Folder d;
  fs::path fifo = d / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (bool input : {true, false}) {
    std::vector<std::string> args =
        input ? std::vector<std::string>{"DoMezeyAngle", fifo.string(), kGorm, "-k", "2"}
              : std::vector<std::string>{"BootMezeyAngle", kGorf,        kGorm, "-k", "2",
                                         "--replicates",   fifo.string()};
    Started s(d, args);
    s.awaitBlockedOnFifo();
    s.signal(input ? SIGINT : SIGTERM);
    Ended e = s.end();
    EXPECT_EQ(e.status, input ? 130 : 143) << e.err;
    EXPECT_EQ(e.err, std::string("error: interrupted by ") + (input ? "SIGINT" : "SIGTERM") +
                         "; the analysis stopped and no result was written\n");
    EXPECT_EQ(e.out, "");
  }
}

// Runs as throwaway users (numeric ids no account uses) through setpriv;
// that needs root, as the suite has in CI.
class OtherUsers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) {
      GTEST_SKIP() << "runs the program as throwaway users, which needs root (setpriv)";
    }
    fs::permissions(m_dir.path(), fs::perms::all);
    fs::copy_file(kGorf, m_dir / "gorf.txt");
    fs::copy_file(kGorm, m_dir / "gorm.txt");
    if (run(m_dir, {"--version"}, as(4001)).status != 0) {
      GTEST_SKIP() << "a throwaway user cannot run " << VEXMOOR_BATCH << " here";
    }
  }
  // setpriv to `uid` (in `group`, if any), then `more`.
  static std::vector<std::string> as(int uid, std::vector<std::string> more = {}, int group = -1) {
    std::string id = std::to_string(uid);
    std::vector<std::string> p{"setpriv", "--reuid=" + id, "--regid=" + id,
                               group < 0 ? "--clear-groups" : "--groups=" + std::to_string(group),
                               "--"};
    p.insert(p.end(), more.begin(), more.end());
    return p;
  }
  // `action` on the gorillas at k = 2, then `more`.
  std::vector<std::string> analysis(const std::string& action,
                                    std::vector<std::string> more) const {
    std::vector<std::string> a{action, (m_dir / "gorf.txt").string(), (m_dir / "gorm.txt").string(),
                               "-k", "2"};
    a.insert(a.end(), more.begin(), more.end());
    return a;
  }
  static struct stat statOf(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st;
  }

  Folder m_dir;
};

// A writable file in a folder the user may not write cannot be replaced in
// one step: its new content is copied into it at the end, never before.
TEST_F(OtherUsers, AFileThatCannotBeReplacedIsWrittenOnlyAtTheEnd) {
  fs::path ro = m_dir / "ro", r = ro / "r.csv";
  fs::create_directory(ro);
  std::string old;
  for (int i = 1; i <= 500; ++i) {
    old += std::to_string(i) + "\n";
  }
  put(r, old);
  ::chmod(r.c_str(), 0666);
  ::chmod(ro.c_str(), 0755);
  struct stat before = statOf(r);
  auto range = analysis("RangeMezeyAngle", {"--seed", "1", "--replicates", r.string()});

  Ended e = run(m_dir, range, as(4001, {"env", "VEXMOOR_TEST_INTERRUPT_AT=commit"}));
  EXPECT_EQ(e.status, 130);
  EXPECT_EQ(e.err, kInterrupted);
  EXPECT_EQ(slurp(r), old);
  // Content beyond the file-size limit is refused before the file is touched.
  e = run(m_dir, range, as(4001, {"prlimit", "--fsize=4096", "--"}));
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.err.find("ulimit -f"), std::string::npos) << e.err;
  EXPECT_EQ(slurp(r), old);

  e = run(m_dir, range, as(4001));
  EXPECT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(slurp(r).rfind("replicate,angle_group1", 0), 0u);
  struct stat after = statOf(r);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, 0u);
  EXPECT_EQ(after.st_mode & 07777, 0666u);
  EXPECT_EQ(namesIn(ro), std::vector<std::string>{"r.csv"});
}

// A group-writable file of another user stays that user's.
TEST_F(OtherUsers, AReplacedFileKeepsItsOwnerAndGroup) {
  fs::path r = m_dir / "r.csv";
  put(r, "theirs");
  ::chown(r.c_str(), 4002, 4000);
  ::chmod(r.c_str(), 0660);
  Ended e =
      run(m_dir, analysis("RangeMezeyAngle", {"--replicates", r.string()}), as(4001, {}, 4000));
  EXPECT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(slurp(r).rfind("replicate,angle_group1", 0), 0u);
  struct stat st = statOf(r);
  EXPECT_EQ(st.st_uid, 4002u);
  EXPECT_EQ(st.st_gid, 4000u);
  EXPECT_EQ(st.st_mode & 07777, 0660u);
}

// Under a thread limit the analyses run on the one thread there is; a
// picture, which needs another, is refused with the limit named.
TEST_F(OtherUsers, AThreadLimitIsNamedWhereItMatters) {
  // The leak checker of a sanitized build needs a thread of its own.
  std::vector<std::string> one =
      as(4011, {"env", "ASAN_OPTIONS=detect_leaks=0", "prlimit", "--nproc=1", "--"});
  auto boot = analysis("BootMezeyAngle", {"--seed", "1"});
  Ended e = run(m_dir, boot, one);
  EXPECT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(e.out, run(m_dir, boot, as(4011)).out);
  e = run(m_dir, analysis("PrincipalComponents", {"--plot", (m_dir / "p.png").string()}), one);
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(e.err.rfind("error: option --plot: no thread can be started", 0), 0u) << e.err;
  EXPECT_NE(e.err.find("ulimit -u"), std::string::npos);
  EXPECT_EQ(namesIn(m_dir.path()), (std::vector<std::string>{"gorf.txt", "gorm.txt", "io"}));
}

}  // namespace
}  // namespace vexmoor
