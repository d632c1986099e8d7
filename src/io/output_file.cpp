#include "io/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "runtime/text.h"

namespace vexmoor {
namespace {

// Links followed before the chain counts as endless (the kernel's own limit).
constexpr int kMaxLinks = 40;
constexpr const char* kTemporaryMark = ".vexmoor-tmp.";
// Room for the mark and six random characters within a file name.
constexpr size_t kMaxNameInTemporary = 200;
// Names tried for a temporary file before giving up (each is random).
constexpr int kNameTries = 100;
constexpr size_t kCopyChunk = size_t{1} << 20;

std::string quotedPath(const std::string& path) {
  return "\"" + escapeNonPrintable(path) + "\"";
}

[[noreturn]] void fail(const std::string& path, const std::string& why) {
  throw Error("cannot write " + quotedPath(path) + ": " + why);
}

// The system's reason; for the file-size limit, the limit.
std::string reasonOf(int error) {
  struct rlimit limit;
  if (error == EFBIG && ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    return std::string(std::strerror(error)) + " (the file-size limit, ulimit -f, is " +
           std::to_string(limit.rlim_cur) + " bytes)";
  }
  return std::strerror(error);
}

[[noreturn]] void failWithErrno(const std::string& path, int error) {
  fail(path, reasonOf(error));
}

std::string folderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

std::string nameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::string temporaryFolder() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

// Follows the last component of `path` through symbolic links, also links
// that lead nowhere yet (the file is then made where the last one points).
std::string followLinks(const std::string& given) {
  std::string path = given;
  for (int i = 0; i < kMaxLinks; ++i) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      return path;
    }
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
    if (n < 0) {
      failWithErrno(given, errno);
    }
    std::string target(buffer.data(), static_cast<size_t>(n));
    std::string folder = std::filesystem::path(path).parent_path().string();
    path = target.front() == '/' || folder.empty() ? target : folder + "/" + target;
  }
  fail(given, "its symbolic links lead on and on");
}

bool inGroup(gid_t group) {
  if (group == ::getegid()) {
    return true;
  }
  int count = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 0)));
  count = ::getgroups(count, groups.data());
  return std::find(groups.begin(), groups.begin() + std::max(count, 0), group) !=
         groups.begin() + std::max(count, 0);
}

// Whether the mode bits let this process write the file, as an editor
// decides it: root too is refused a file that no one may write.
bool modeAllowsWriting(const struct stat& st) {
  uid_t uid = ::geteuid();
  if (uid == 0) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  }
  if (st.st_uid == uid) {
    return (st.st_mode & S_IWUSR) != 0;
  }
  return (st.st_mode & (inGroup(st.st_gid) ? S_IWGRP : S_IWOTH)) != 0;
}

// Whether a new file put in the place of `st` can be given its owner and
// group: a replacement must not take a file from the people it belongs to.
bool replacementKeepsOwnership(const struct stat& st) {
  uid_t uid = ::geteuid();
  return uid == 0 || (st.st_uid == uid && inGroup(st.st_gid));
}

// Writes all of `bytes` to `fd`. A signal that interrupts a blocked write
// ends it with Cancelled when `progress` asks to stop; `fail` reports
// errors.
template <typename Fail>
void writeAll(int fd, std::string_view bytes, const Progress* progress, Fail&& fail) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        throwIfCancelled(progress);
        continue;
      }
      fail(errno);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// Checks that `size` more bytes at `offset` of the regular file `fd` fit
// the file-size limit, and reserves the disk room for them, so that a copy
// into the file cannot stop halfway for want of either. Returns 0 or the
// error.
int reserve(int fd, off_t offset, off_t size) {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<rlim_t>(offset + size) > limit.rlim_cur) {
    return EFBIG;
  }
  if (size > 0 && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, offset, size) != 0 && errno != EOPNOTSUPP &&
      errno != ENOSYS && errno != EINVAL) {
    return errno;
  }
  return 0;
}

std::string temporaryPrefix(const std::string& target) {
  std::string name = nameOf(target).substr(0, kMaxNameInTemporary);
  return "." + name + kTemporaryMark;
}

std::string randomSuffix() {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static unsigned counter = 0;
  unsigned char bytes[6] = {};
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    // Only uniqueness matters here; the caller tries another on a clash.
    unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter * 40503u;
    for (unsigned char& b : bytes) {
      seed = seed * 1103515245u + 12345u;
      b = static_cast<unsigned char>(seed >> 16);
    }
  }
  std::string s;
  for (unsigned char b : bytes) {
    s += kLetters[b % (sizeof kLetters - 1)];
  }
  return s;
}

// Removes the temporary files of `target` that no live writer holds.
void removeStaleTemporaries(const std::string& target) {
  std::string prefix = temporaryPrefix(target);
  std::error_code ec;
  std::filesystem::directory_iterator it(folderOf(target), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    std::string path = it->path().string();
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      continue;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        (st.st_uid == ::geteuid() || ::geteuid() == 0) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlink(path.c_str());
    }
    ::close(fd);
  }
}

// The descriptor (1 or 2) open on the regular file `st`, or -1.
int standardDescriptorOn(const struct stat& st) {
  for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
    struct stat s;
    if (::fstat(fd, &s) == 0 && S_ISREG(s.st_mode) && s.st_dev == st.st_dev &&
        s.st_ino == st.st_ino) {
      return fd;
    }
  }
  return -1;
}

// Reserves room for `size` bytes at the position of `fd` when it is open
// on a regular file; returns 0 or the error.
int reserveAtPosition(int fd, off_t size) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    return 0;
  }
  int flags = ::fcntl(fd, F_GETFL);
  off_t at = (flags >= 0 && (flags & O_APPEND)) ? st.st_size : ::lseek(fd, 0, SEEK_CUR);
  return reserve(fd, std::max<off_t>(at, 0), size);
}

[[noreturn]] void failStandardOutput(int error) {
  std::string why = reasonOf(error);
  if (error == EPIPE) {
    throw BrokenPipe("cannot write standard output: " + why);
  }
  throw Error("cannot write standard output: " + why);
}

// Opens the existing file `path` for writing, without changing it; a
// signal that interrupts a blocked open (a FIFO without a reader) ends it
// with Cancelled when `progress` asks to stop.
int openForWriting(const std::string& path, const std::string& given, const Progress* progress) {
  while (true) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
      return fd;
    }
    if (errno != EINTR) {
      failWithErrno(given, errno);
    }
    throwIfCancelled(progress);
  }
}

}  // namespace

OutputFile::OutputFile(std::string path) : m_path(std::move(path)) {
  if (m_path.empty()) {
    fail(m_path, "the path is empty");
  }
  struct stat st;
  if (::stat(m_path.c_str(), &st) == 0) {
    settleExisting(st);
  } else if (errno == ENOENT) {
    settleNew();
  } else {
    failWithErrno(m_path, errno);
  }
}

void OutputFile::settleExisting(const struct stat& st) {
  m_exists = true;
  m_device = st.st_dev;
  m_inode = st.st_ino;
  if (S_ISDIR(st.st_mode)) {
    fail(m_path, "it is a folder");
  }
  m_target = m_path;
  if (!S_ISREG(st.st_mode)) {
    // A device, FIFO or terminal: opened when the content is delivered, as
    // a FIFO's open waits for its reader.
    m_kind = Kind::kDirect;
    holdInTemporaryFolder();
    return;
  }
  if (!modeAllowsWriting(st)) {
    fail(m_path, "the file is read-only");
  }
  if (int fd = standardDescriptorOn(st); fd >= 0) {
    m_kind = Kind::kDescriptor;
    m_descriptor = fd;
    holdInTemporaryFolder();
    return;
  }
  m_mode = st.st_mode & 07777;
  m_owner = st.st_uid;
  m_group = st.st_gid;
  char* real = ::realpath(m_path.c_str(), nullptr);
  if (!real) {
    failWithErrno(m_path, errno);
  }
  m_target = real;
  std::free(real);
  if (!replacementKeepsOwnership(st)) {
    m_kind = Kind::kCopyIn;
    holdInTemporaryFolder();
    return;
  }
  removeStaleTemporaries(m_target);
  holdBeside();
}

void OutputFile::settleNew() {
  m_target = followLinks(m_path);
  std::string folder = folderOf(m_target);
  struct stat f;
  if (::stat(folder.c_str(), &f) != 0 || !S_ISDIR(f.st_mode)) {
    if (m_target != m_path) {
      fail(m_path, "it is a symbolic link to " + quotedPath(m_target) + ", and the folder " +
                       quotedPath(folder) + " does not exist");
    }
    fail(m_path, "the folder " + quotedPath(folder) + " does not exist");
  }
  m_device = f.st_dev;
  m_inode = f.st_ino;
  m_name = nameOf(m_target);
  mode_t mask = ::umask(0);
  ::umask(mask);
  m_mode = 0666 & ~mask;
  removeStaleTemporaries(m_target);
  holdBeside();
}

void OutputFile::holdBeside() {
  std::string folder = folderOf(m_target);
  // An unnamed file gets its name at the commit through /proc, or for root
  // directly; without either it must be named from the start.
  bool nameable = ::geteuid() == 0 || ::access("/proc/self/fd", X_OK) == 0;
  int fd = nameable ? ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1;
  int error = nameable ? errno : EOPNOTSUPP;
  if (fd < 0 && (error == EOPNOTSUPP || error == EISDIR || error == EINVAL)) {
    // No unnamed files on this file system: a named one, locked while live.
    std::string pattern = folder + "/" + temporaryPrefix(m_target) + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd = ::mkstemp(name.data());
    error = errno;
    if (fd >= 0) {
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
      m_heldName = name.data();
    }
  }
  if (fd < 0) {
    if ((error == EACCES || error == EPERM) && m_exists) {
      // A file the user may write in a folder where nothing can be made:
      // its new content is copied into it at the end.
      m_kind = Kind::kCopyIn;
      holdInTemporaryFolder();
      return;
    }
    fail(m_path,
         "no file can be made in the folder " + quotedPath(folder) + ": " + std::strerror(error));
  }
  // Marks it as live for the stale-file sweep of a concurrent run.
  ::flock(fd, LOCK_EX | LOCK_NB);
  m_held = fd;
}

void OutputFile::holdInTemporaryFolder() {
  if (m_kind == Kind::kCopyIn) {
    // Settles now that the file can be opened for writing at all.
    int fd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      failWithErrno(m_path, errno);
    }
    ::close(fd);
  }
  std::string folder = temporaryFolder();
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::string pattern = folder + "/vexmoor-output.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd = ::mkstemp(name.data());
    if (fd >= 0) {
      ::unlink(name.data());
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  if (fd < 0) {
    fail(m_path, "no file can be made in the temporary folder " + quotedPath(folder) +
                     " to hold it until the end: " + std::strerror(errno));
  }
  m_held = fd;
}

OutputFile::~OutputFile() {
  for (int fd : {m_held, m_targetFd}) {
    if (fd >= 0) {
      ::close(fd);
    }
  }
  for (const std::string& name : {m_heldName, m_oldName}) {
    if (!name.empty()) {
      ::unlink(name.c_str());
    }
  }
}

bool OutputFile::changes(const std::string& other) const {
  struct stat st;
  return m_exists && ::stat(other.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         st.st_dev == m_device && st.st_ino == m_inode;
}

bool OutputFile::sameTarget(const OutputFile& other) const {
  return m_exists == other.m_exists && m_device == other.m_device && m_inode == other.m_inode &&
         m_name == other.m_name;
}

void OutputFile::write(std::string_view bytes) {
  if (m_ready) {
    fail(m_path, "it was already written");
  }
  writeAll(m_held, bytes, nullptr, [&](int error) {
    if (m_kind == Kind::kReplace) {
      failWithErrno(m_path, error);
    }
    fail(m_path, reasonOf(error) + " in the temporary folder " + quotedPath(temporaryFolder()) +
                     ", which holds it until the end");
  });
  m_size += static_cast<off_t>(bytes.size());
}

void OutputFile::makeReady() {
  if (m_ready) {
    return;
  }
  struct stat st;
  bool there = ::stat(m_target.c_str(), &st) == 0;
  if (there && S_ISDIR(st.st_mode)) {
    fail(m_path, "it is a folder");
  }
  if (there && S_ISREG(st.st_mode) && !modeAllowsWriting(st)) {
    fail(m_path, "the file is read-only");
  }
  switch (m_kind) {
    case Kind::kReplace:
      ::fchmod(m_held, m_mode);
      if (m_exists) {
        // Settled as possible when the output was made.
        [[maybe_unused]] int ignored = ::fchown(m_held, m_owner, m_group);
      }
      // What the disk refuses shows here, not after the rename.
      if (::fsync(m_held) != 0 && errno != EINVAL && errno != EROFS) {
        failWithErrno(m_path, errno);
      }
      break;
    case Kind::kCopyIn: {
      m_targetFd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
      if (m_targetFd < 0) {
        failWithErrno(m_path, errno);
      }
      if (int error = reserve(m_targetFd, 0, m_size)) {
        failWithErrno(m_path, error);
      }
      break;
    }
    case Kind::kDescriptor:
      if (int error = reserveAtPosition(m_descriptor, m_size)) {
        failWithErrno(m_path, error);
      }
      break;
    case Kind::kDirect:
      break;
  }
  m_ready = true;
}

void OutputFile::deliver(const Progress* progress) {
  if (m_delivered || (m_kind != Kind::kDirect && m_kind != Kind::kDescriptor)) {
    return;
  }
  int fd = m_kind == Kind::kDirect ? openForWriting(m_target, m_path, progress) : m_descriptor;
  auto failHere = [&](int error) {
    if (fd != m_descriptor) {
      ::close(fd);
    }
    failWithErrno(m_path, error);
  };
  std::vector<char> buffer(static_cast<size_t>(std::min<off_t>(m_size, kCopyChunk)));
  try {
    for (off_t at = 0; at < m_size;) {
      ssize_t n = ::pread(m_held, buffer.data(), buffer.size(), at);
      if (n <= 0) {
        failHere(n < 0 ? errno : EIO);
      }
      writeAll(fd, {buffer.data(), static_cast<size_t>(n)}, progress, failHere);
      at += n;
    }
  } catch (const Cancelled&) {
    if (fd != m_descriptor) {
      ::close(fd);
    }
    throw;
  }
  if (fd != m_descriptor && ::close(fd) != 0) {
    failWithErrno(m_path, errno);
  }
  m_delivered = true;
}

void OutputFile::install() {
  if (m_kind == Kind::kCopyIn) {
    std::vector<char> buffer(static_cast<size_t>(std::min<off_t>(m_size, kCopyChunk)));
    for (off_t at = 0; at < m_size;) {
      ssize_t n = ::pread(m_held, buffer.data(), buffer.size(), at);
      if (n <= 0) {
        failWithErrno(m_path, n == 0 ? EIO : errno);
      }
      for (ssize_t done = 0; done < n;) {
        ssize_t w =
            ::pwrite(m_targetFd, buffer.data() + done, static_cast<size_t>(n - done), at + done);
        if (w < 0 && errno != EINTR) {
          failWithErrno(m_path, errno);
        }
        done += std::max<ssize_t>(w, 0);
      }
      at += n;
    }
    if (::ftruncate(m_targetFd, m_size) != 0 ||
        (::fsync(m_targetFd) != 0 && errno != EINVAL && errno != EROFS)) {
      failWithErrno(m_path, errno);
    }
    int fd = m_targetFd;
    m_targetFd = -1;
    if (::close(fd) != 0) {
      failWithErrno(m_path, errno);
    }
  } else if (m_kind == Kind::kReplace) {
    if (m_heldName.empty()) {
      // The unnamed file gets a name for the instant of the exchange.
      std::string prefix = folderOf(m_target) + "/" + temporaryPrefix(m_target);
      std::string proc = "/proc/self/fd/" + std::to_string(m_held);
      int error = EEXIST;
      for (int i = 0; i < kNameTries && error == EEXIST; ++i) {
        std::string name = prefix + randomSuffix();
        error = ::linkat(m_held, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
        if (error != 0 && error != EEXIST) {
          error = ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0
                      ? 0
                      : errno;
        }
        if (error == 0) {
          m_heldName = name;
        }
      }
      if (error != 0) {
        failWithErrno(m_path, error);
      }
    }
    // An existing file is exchanged with the new content in one step, so
    // that a later failure can give it back; a new one must not appear
    // over a file made meanwhile without the same care.
    struct stat st;
    bool there = ::lstat(m_target.c_str(), &st) == 0;
    if (there && S_ISDIR(st.st_mode)) {
      // An exchange would move the folder aside.
      fail(m_path, "it is a folder");
    }
    unsigned flags = there ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    if (::renameat2(AT_FDCWD, m_heldName.c_str(), AT_FDCWD, m_target.c_str(), flags) == 0) {
      if (there) {
        m_oldName = m_heldName;
      }
      m_madeNew = !there;
    } else if (errno == EINVAL || errno == ENOSYS || errno == EEXIST) {
      // A file system that cannot exchange: replaced, with no way back.
      if (std::rename(m_heldName.c_str(), m_target.c_str()) != 0) {
        failWithErrno(m_path, errno);
      }
    } else {
      failWithErrno(m_path, errno);
    }
    m_heldName.clear();
  }
  m_installed = true;
}

void OutputFile::restore() {
  if (!m_installed || m_kind != Kind::kReplace) {
    return;
  }
  if (!m_oldName.empty()) {
    if (::renameat2(AT_FDCWD, m_oldName.c_str(), AT_FDCWD, m_target.c_str(), RENAME_EXCHANGE) ==
        0) {
      // The name now holds the new content; the destructor removes it.
      m_installed = false;
    }
  } else if (m_madeNew && ::unlink(m_target.c_str()) == 0) {
    m_installed = false;
  }
}

void OutputFile::discardOld() {
  if (!m_oldName.empty()) {
    ::unlink(m_oldName.c_str());
    m_oldName.clear();
  }
}

void OutputFile::commit() {
  if (m_installed) {
    return;
  }
  std::vector<OutputFile*> one{this};
  deliverTogether(one, {}, nullptr);
  installTogether(one);
}

void deliverTogether(const std::vector<OutputFile*>& files, std::string_view standardOutput,
                     const Progress* progress) {
  for (OutputFile* f : files) {
    f->makeReady();
  }
  if (!standardOutput.empty()) {
    if (int error = reserveAtPosition(STDOUT_FILENO, static_cast<off_t>(standardOutput.size()))) {
      failStandardOutput(error);
    }
  }
  for (OutputFile* f : files) {
    throwIfCancelled(progress);
    f->deliver(progress);
  }
  throwIfCancelled(progress);
  writeAll(STDOUT_FILENO, standardOutput, progress, failStandardOutput);
}

void installTogether(const std::vector<OutputFile*>& files) {
  std::vector<OutputFile*> done;
  try {
    // Those that can be given back first, then those copied into.
    for (auto kind : {OutputFile::Kind::kReplace, OutputFile::Kind::kCopyIn}) {
      for (OutputFile* f : files) {
        if (f->m_kind == kind && !f->m_installed) {
          f->install();
          done.push_back(f);
        }
      }
    }
  } catch (...) {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
      (*it)->restore();
    }
    throw;
  }
  for (OutputFile* f : files) {
    f->discardOld();
    f->m_installed = true;
  }
}

void writeOutputFile(const std::string& path, std::string_view content) {
  OutputFile file(path);
  file.write(content);
  file.commit();
}

void writeStandardOutput(std::string_view text) {
  writeAll(STDOUT_FILENO, text, nullptr, failStandardOutput);
}

}  // namespace vexmoor
