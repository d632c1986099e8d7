// Output files that never destroy data. Every file the program writes (a
// replicate table, a picture, a saved result) goes through OutputFile,
// which settles when it is made where the bytes will go:
//
// - a new file, or an existing regular file: the bytes go to a temporary
//   file beside it, ".NAME.vexmoor-tmp.XXXXXX", renamed onto it by commit();
//   an existing file keeps its mode (and its owner where the system allows).
//   A symbolic link is followed: its target is replaced, the link stays.
// - an existing file the user may not write, judged by its mode bits as an
//   editor judges it (so also when running as root), is refused.
// - a path that is no regular file (a device such as /dev/null or
//   /dev/full, a FIFO, a terminal) is written directly; so is the file that
//   standard output or standard error is open on (/dev/stdout), through
//   that descriptor, in order with what else goes there.
// - an existing file in a folder where no file can be made is written in
//   place.
//
// Temporary files of the same target that an earlier run left behind (a
// process killed by SIGKILL cannot remove its own) are removed: a live
// writer holds a lock on its temporary file, a stale one does not.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "runtime/error.h"

namespace vexmoor {

// A failed write to standard output whose reader has gone (`| head`): the
// caller may end quietly, as Unix tools do.
class BrokenPipe : public Error {
 public:
  using Error::Error;
};

class OutputFile {
 public:
  // Throws vexmoor::Error, `cannot write "PATH": why`, naming `path` as
  // given, when it is empty or a folder, its folder does not exist, it is
  // an existing file the user may not write, a chain of symbolic links does
  // not end, or no file can be made for it. Nothing is written then.
  explicit OutputFile(std::string path);
  // Removes the temporary file unless commit() succeeded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // The path as given.
  const std::string& path() const { return m_path; }

  // True when writing this output would change the existing regular file
  // at `other` (the same device and inode: also through another path, a
  // hard or a symbolic link).
  bool changes(const std::string& other) const;
  // True when both outputs would write one file.
  bool sameTarget(const OutputFile& other) const;

  // Appends `bytes`. Throws vexmoor::Error naming the path and the
  // system's reason ("No space left on device"). An existing file is left
  // as it was.
  void write(std::string_view bytes);
  // Makes what was written the file's content. Throws as write() does; an
  // existing file is then left as it was.
  void commit();

 private:
  enum class Kind { kReplace, kDirect, kInPlace, kDescriptor };
  void openDirect();
  void makeTemporary();

  std::string m_path;       // as given
  std::string m_target;     // where the content goes, links followed
  std::string m_temporary;  // kReplace: the temporary file
  Kind m_kind = Kind::kReplace;
  bool m_exists = false;
  mode_t m_mode = 0;
  uid_t m_owner = 0;
  gid_t m_group = 0;
  dev_t m_device = 0;  // of the existing file, or of the folder of a new one
  ino_t m_inode = 0;
  std::string m_name;  // of a new file, in that folder
  int m_fd = -1;
  bool m_done = false;
};

// Writes `content` to `path` by the rules above, whole or not at all.
void writeOutputFile(const std::string& path, std::string_view content);

// Writes `text` to standard output, all of it. Throws vexmoor::Error
// ("cannot write standard output: No space left on device") or BrokenPipe.
void writeStandardOutput(std::string_view text);

}  // namespace vexmoor
