// The lines of a group file, read one at a time from memory or from a stream
// (a file, a pipe, a process substitution: nothing relies on seeking or on a
// file size). Every reader goes through it, so that a file that is no text
// file (/dev/zero, /dev/urandom) ends in an error naming the file and line
// instead of filling the memory.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

namespace vexmoor {

// Bounds on what one group file may hold.
inline constexpr size_t kMaxLineLength = size_t{64} << 20;  // bytes, line break included
inline constexpr size_t kMaxLines = size_t{1} << 28;
inline constexpr size_t kMaxValues = size_t{1} << 26;  // numbers of one group

class LineSource {
 public:
  // Lines of `text`, which must outlive the source. `label` names it in
  // messages.
  LineSource(std::string_view text, std::string label);
  // Lines of `in`, read in blocks as they are needed; `in` must outlive the
  // source.
  LineSource(std::istream& in, std::string label);

  // The next line with its line break ('\n', kept when there is one); false
  // at the end. A UTF-8 byte-order mark before line 1 is skipped. The view is valid until the next
  // call. Throws vexmoor::Error naming the file and line when a line exceeds kMaxLineLength, the
  // file exceeds kMaxLines, or the stream cannot be read.
  bool next(std::string_view& line);

  // Up to `bytes` bytes from the current position on (after a byte-order
  // mark), without consuming them; fewer at the end of the data.
  std::string_view peek(size_t bytes);

  // The number of the line `next` returned last (1-based; 0 before any).
  size_t lineNumber() const { return m_lineNo; }
  const std::string& label() const { return m_label; }

 private:
  // Skips a byte-order mark once, before anything is read.
  void start();
  // Reads one more block; false at the end of the stream.
  bool fill();
  std::string_view buffered() const;

  std::istream* m_in = nullptr;
  std::string_view m_text;  // memory mode
  std::string m_buffer;     // stream mode
  size_t m_pos = 0;
  bool m_eof = false;
  bool m_started = false;
  size_t m_lineNo = 0;
  std::string m_label;
};

}  // namespace vexmoor
