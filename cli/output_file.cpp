#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::string quoted(const std::string& path) {
  return "\"" + escapeNonPrintable(path) + "\"";
}

[[noreturn]] void fail(const std::string& path, const std::string& why) {
  throw Error("cannot write " + quoted(path) + ": " + why);
}

}  // namespace

PendingOutput::PendingOutput(std::string path) : m_path(std::move(path)) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(m_path);
  if (m_path.empty() || fs::is_directory(target, ec)) {
    fail(m_path, "it is a folder");
  }
  fs::path folder = target.parent_path();
  if (folder.empty()) {
    folder = ".";
  }
  if (!fs::is_directory(folder, ec)) {
    fail(m_path, "the folder " + quoted(folder.string()) + " does not exist");
  }
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    fail(m_path, std::strerror(errno));
  }
  ::close(fd);
  m_temporary = name.data();
}

PendingOutput::~PendingOutput() {
  if (!m_done && !m_temporary.empty()) {
    std::remove(m_temporary.c_str());
  }
}

void PendingOutput::commit(const std::string& content) {
  std::FILE* f = std::fopen(m_temporary.c_str(), "wb");
  if (!f) {
    fail(m_path, std::strerror(errno));
  }
  bool written = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  int saved = errno;
  if (std::fclose(f) != 0 && written) {
    written = false;
    saved = errno;
  }
  if (!written) {
    fail(m_path, std::strerror(saved));
  }
  commitFile();
}

void PendingOutput::commitFile() {
  // mkstemp makes the file readable by its owner only; give it the mode an
  // ordinary new file gets.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(m_temporary.c_str(), 0666 & ~mask);
  if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
    fail(m_path, std::strerror(errno));
  }
  m_done = true;
}

}  // namespace vexmoor
