#include "io/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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
// Room for the mark and mkstemp's six characters within a file name.
constexpr size_t kMaxNameInTemporary = 200;

std::string quoted(const std::string& path) {
  return "\"" + escapeNonPrintable(path) + "\"";
}

[[noreturn]] void fail(const std::string& path, const std::string& why) {
  throw Error("cannot write " + quoted(path) + ": " + why);
}

[[noreturn]] void failWithErrno(const std::string& path, int error) {
  fail(path, std::strerror(error));
}

std::string folderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

std::string nameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
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
      fail(given, std::strerror(errno));
    }
    std::string target(buffer.data(), static_cast<size_t>(n));
    path = target.front() == '/' ? target : folderOf(path) + "/" + target;
  }
  fail(given, "its symbolic links lead on and on");
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
  bool member = st.st_gid == ::getegid();
  if (!member) {
    int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(count > 0 ? count : 0));
    count = ::getgroups(count, groups.data());
    for (int i = 0; i < count && !member; ++i) {
      member = groups[static_cast<size_t>(i)] == st.st_gid;
    }
  }
  return (st.st_mode & (member ? S_IWGRP : S_IWOTH)) != 0;
}

void writeAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      failWithErrno(path, errno);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

std::string temporaryPrefix(const std::string& target) {
  std::string name = nameOf(target).substr(0, kMaxNameInTemporary);
  return "." + name + kTemporaryMark;
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

}  // namespace

OutputFile::OutputFile(std::string path) : m_path(std::move(path)) {
  if (m_path.empty()) {
    fail(m_path, "the path is empty");
  }
  struct stat st;
  if (::stat(m_path.c_str(), &st) == 0) {
    m_exists = true;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    if (S_ISDIR(st.st_mode)) {
      fail(m_path, "it is a folder");
    }
    if (!S_ISREG(st.st_mode)) {
      // A device, FIFO or terminal: its own open, at the first write.
      m_kind = Kind::kDirect;
      m_target = m_path;
      return;
    }
    if (!modeAllowsWriting(st)) {
      fail(m_path, "the file is read-only");
    }
    if (int fd = standardDescriptorOn(st); fd >= 0) {
      m_kind = Kind::kDescriptor;
      m_fd = fd;
      return;
    }
    m_mode = st.st_mode & 07777;
    m_owner = st.st_uid;
    m_group = st.st_gid;
    char* real = ::realpath(m_path.c_str(), nullptr);
    if (!real) {
      fail(m_path, std::strerror(errno));
    }
    m_target = real;
    std::free(real);
  } else if (errno == ENOENT) {
    m_target = followLinks(m_path);
    std::string folder = folderOf(m_target);
    struct stat f;
    if (::stat(folder.c_str(), &f) != 0 || !S_ISDIR(f.st_mode)) {
      fail(m_path, "the folder " + quoted(folderOf(m_path)) + " does not exist");
    }
    m_device = f.st_dev;
    m_inode = f.st_ino;
    m_name = nameOf(m_target);
    mode_t mask = ::umask(0);
    ::umask(mask);
    m_mode = 0666 & ~mask;
  } else {
    fail(m_path, std::strerror(errno));
  }
  removeStaleTemporaries(m_target);
  makeTemporary();
}

void OutputFile::makeTemporary() {
  std::string pattern = folderOf(m_target) + "/" + temporaryPrefix(m_target) + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    if (errno == EACCES && m_exists) {
      // A file the user may write in a folder where nothing can be made:
      // an editor writes it in place.
      m_kind = Kind::kInPlace;
      return;
    }
    fail(m_path, "no file can be made in the folder " + quoted(folderOf(m_target)) + ": " +
                     std::strerror(errno));
  }
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  // Marks it as live for the stale-file sweep of a concurrent run.
  ::flock(fd, LOCK_EX | LOCK_NB);
  m_fd = fd;
  m_temporary = name.data();
}

OutputFile::~OutputFile() {
  if ((m_kind == Kind::kReplace || m_kind == Kind::kDirect || m_kind == Kind::kInPlace) &&
      m_fd >= 0) {
    ::close(m_fd);
  }
  if (!m_done && !m_temporary.empty()) {
    ::unlink(m_temporary.c_str());
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

void OutputFile::openDirect() {
  if (m_fd >= 0) {
    return;
  }
  int flags = O_WRONLY | O_CLOEXEC | (m_kind == Kind::kInPlace ? O_TRUNC : 0);
  m_fd = ::open(m_target.c_str(), flags);
  if (m_fd < 0) {
    fail(m_path, std::strerror(errno));
  }
}

void OutputFile::write(std::string_view bytes) {
  if (m_done) {
    fail(m_path, "it was already written");
  }
  if (m_kind == Kind::kDirect || m_kind == Kind::kInPlace) {
    openDirect();
  }
  writeAll(m_fd, bytes, m_path);
}

void OutputFile::commit() {
  if (m_done) {
    return;
  }
  switch (m_kind) {
    case Kind::kDescriptor:
      break;
    case Kind::kDirect:
    case Kind::kInPlace: {
      openDirect();
      int fd = m_fd;
      m_fd = -1;
      if (::close(fd) != 0) {
        failWithErrno(m_path, errno);
      }
      break;
    }
    case Kind::kReplace: {
      ::fchmod(m_fd, m_mode);
      if (m_exists) {
        // Possible for root and for a group the user belongs to; the file
        // is the user's own otherwise, as with any editor.
        [[maybe_unused]] int ignored = ::fchown(m_fd, m_owner, m_group);
      }
      // What the disk refuses shows here, not after the rename.
      if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
        failWithErrno(m_path, errno);
      }
      int fd = m_fd;
      m_fd = -1;
      if (::close(fd) != 0) {
        failWithErrno(m_path, errno);
      }
      if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        failWithErrno(m_path, errno);
      }
      break;
    }
  }
  m_done = true;
}

void writeOutputFile(const std::string& path, std::string_view content) {
  OutputFile file(path);
  file.write(content);
  file.commit();
}

void writeStandardOutput(std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      std::string why = std::strerror(errno);
      if (errno == EPIPE) {
        throw BrokenPipe("cannot write standard output: " + why);
      }
      throw Error("cannot write standard output: " + why);
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace vexmoor
