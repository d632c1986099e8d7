// Output files that never destroy data. Every file the program writes (a
// replicate table, a picture, a saved result) goes through OutputFile.
// What is written is held apart until the commit, so that a run that
// fails, is interrupted or is killed before it leaves every file as it
// was. Where the bytes are held, and how the commit puts them in place, is
// settled when the OutputFile is made:
//
// - a new file, or an existing regular file whose owner and group a
//   replacement keeps (the user's own file of one of the user's groups, or
//   any file for root): an unnamed file in the target's folder (where the
//   file system has none, ".NAME.vexmoor-tmp.XXXXXX"), which the commit
//   puts in the target's place in one step. An existing file keeps its
//   mode, owner and group. A symbolic link is followed: its target is
//   replaced, the link stays.
// - an existing regular file the user may write that cannot be replaced
//   so, because no file can be made in its folder or because a replacement
//   would take it from its owner or group: an unnamed file in the temporary
//   folder ($TMPDIR, or /tmp), copied into the file at the commit once room
//   for it is reserved and the file-size limit allows it. The file stays
//   the same file, with its owner, group, mode and links.
// - an existing file the user may not write, judged by its mode bits as an
//   editor judges it (so also when running as root), is refused.
// - a path that is no regular file (a device such as /dev/null or
//   /dev/full, a FIFO, a terminal), and the file that standard output or
//   standard error is open on (/dev/stdout): held in the temporary folder
//   as above and written to it, through that descriptor for the latter, at
//   the commit.
//
// A temporary file gets a name only for the instant of the commit (or, on a
// file system without unnamed files, for the whole run); one that an
// earlier run left behind (a process killed by SIGKILL cannot remove its
// own) is removed: a live writer holds a lock on its temporary file, a
// stale one does not.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/error.h"
#include "runtime/progress.h"

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
  // given, when it is empty or a folder, its folder (or that of the file a
  // symbolic link leads to) does not exist, it is an existing file the user
  // may not write, a chain of symbolic links does not end, or its content
  // can be held nowhere. Nothing is written then.
  explicit OutputFile(std::string path);
  // Drops what was written unless commit() (or installTogether) succeeded.
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

  // Appends `bytes` to what the commit will write. Throws vexmoor::Error
  // naming the path and the system's reason ("No space left on device",
  // "File too large"). The file itself is not touched.
  void write(std::string_view bytes);
  // Makes what was written the file's content: installTogether of this one
  // file. Throws as write() does; the file is then left as it was.
  void commit();

 private:
  enum class Kind { kReplace, kCopyIn, kDirect, kDescriptor };
  friend void deliverTogether(const std::vector<OutputFile*>&, std::string_view, const Progress*);
  friend void installTogether(const std::vector<OutputFile*>&);

  void settleExisting(const struct stat& st);
  void settleNew();
  void holdBeside();
  void holdInTemporaryFolder();
  void makeReady();
  void deliver(const Progress* progress);
  void install();
  void restore();
  void discardOld();

  std::string m_path;    // as given
  std::string m_target;  // where the content goes, links followed
  Kind m_kind = Kind::kReplace;
  bool m_exists = false;
  mode_t m_mode = 0;
  uid_t m_owner = 0;
  gid_t m_group = 0;
  dev_t m_device = 0;  // of the existing file, or of the folder of a new one
  ino_t m_inode = 0;
  std::string m_name;      // of a new file, in that folder
  int m_held = -1;         // the file holding the content
  off_t m_size = 0;        // bytes held
  std::string m_heldName;  // kReplace: the held file's name, once it has one
  std::string m_oldName;   // kReplace: the old content after the exchange
  int m_targetFd = -1;     // kCopyIn: the target, opened when made ready
  int m_descriptor = -1;   // kDescriptor: 1 or 2
  bool m_ready = false, m_delivered = false, m_installed = false;
  bool m_madeNew = false;  // kReplace: installed where no file was
};

// The two halves of committing several outputs together, all or nothing
// (OutputFile::commit is both for one file). Nothing is replaced before
// installTogether.
//
// deliverTogether makes every file's content ready and checks each target
// again (a folder made meanwhile where the file was, a file made
// read-only), reserves room for what is copied into existing files and
// standard output, then writes the outputs that are no regular files and
// the descriptor outputs in order, and last `standardOutput` to standard
// output. Throws vexmoor::Error or BrokenPipe; throws Cancelled when
// `progress` (may be null) asks to stop, checked before each of these
// writes and when a signal interrupts one that blocks (a FIFO without a
// reader). No regular file has changed then.
void deliverTogether(const std::vector<OutputFile*>& files, std::string_view standardOutput,
                     const Progress* progress);
// Puts the new content of every regular file in place: first those
// replaced in one step, then those copied into. When one fails, those
// already replaced get their old content back where the file system can
// exchange two names in one step, and it throws vexmoor::Error naming the
// file. Requires deliverTogether to have succeeded on the same files.
void installTogether(const std::vector<OutputFile*>& files);

// Writes `content` to `path` by the rules above, whole or not at all.
void writeOutputFile(const std::string& path, std::string_view content);

// Writes `text` to standard output, all of it. Throws vexmoor::Error
// ("cannot write standard output: No space left on device") or BrokenPipe.
void writeStandardOutput(std::string_view text);

}  // namespace vexmoor
