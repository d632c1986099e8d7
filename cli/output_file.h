// An output file written whole or not at all: the folder is checked and a
// temporary file made beside the target when the run starts, so that a path
// that cannot be written fails before any work is done; the content goes to
// the temporary file and is renamed onto the target at the end.
#pragma once

#include <string>

namespace vexmoor {

class PendingOutput {
 public:
  // Throws vexmoor::Error naming the path when it is a folder, its folder
  // does not exist, or no file can be created there.
  explicit PendingOutput(std::string path);
  ~PendingOutput();
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;

  const std::string& path() const { return m_path; }
  // Writes `content` and renames it onto the target. Throws vexmoor::Error
  // naming the path; the target is then left as it was.
  void commit(const std::string& content);
  // Where a writer that needs a file name of its own puts its output before
  // commitFile() renames it.
  const std::string& temporaryPath() const { return m_temporary; }
  void commitFile();

 private:
  std::string m_path;
  std::string m_temporary;
  bool m_done = false;
};

}  // namespace vexmoor
