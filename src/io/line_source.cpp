#include "io/line_source.h"

#include "runtime/error.h"

namespace vexmoor {
namespace {

constexpr size_t kBlock = size_t{256} << 10;

}  // namespace

LineSource::LineSource(std::string_view text, std::string label)
    : m_text(text), m_eof(true), m_label(std::move(label)) {}

LineSource::LineSource(std::istream& in, std::string label)
    : m_in(&in), m_label(std::move(label)) {}

std::string_view LineSource::buffered() const {
  std::string_view all = m_in ? std::string_view(m_buffer) : m_text;
  return all.substr(m_pos);
}

bool LineSource::fill() {
  if (m_eof || !m_in) {
    return false;
  }
  if (m_pos > 0 && m_pos >= m_buffer.size() / 2) {
    m_buffer.erase(0, m_pos);
    m_pos = 0;
  }
  size_t old = m_buffer.size();
  m_buffer.resize(old + kBlock);
  m_in->read(m_buffer.data() + old, static_cast<std::streamsize>(kBlock));
  auto got = static_cast<size_t>(m_in->gcount());
  m_buffer.resize(old + got);
  if (m_in->bad()) {
    throw Error("cannot read file \"" + m_label + "\"");
  }
  if (!*m_in) {
    m_eof = true;
  }
  return got > 0 || !m_eof;
}

void LineSource::start() {
  if (!m_started) {
    m_started = true;
    while (buffered().size() < 3 && fill()) {
    }
    if (buffered().substr(0, 3) == "\xEF\xBB\xBF") {
      m_pos += 3;
    }
  }
}

bool LineSource::next(std::string_view& line) {
  start();
  size_t scanned = 0;
  for (;;) {
    std::string_view rest = buffered();
    size_t nl = rest.find('\n', scanned);
    size_t length = nl == std::string_view::npos ? rest.size() : nl + 1;
    if (length > kMaxLineLength) {
      throw Error("file \"" + m_label + "\", line " + std::to_string(m_lineNo + 1) +
                  " is longer than " + std::to_string(kMaxLineLength >> 20) +
                  " MiB: not a text file of landmark data");
    }
    if (nl == std::string_view::npos) {
      scanned = rest.size();
      if (fill()) {
        continue;
      }
      if (rest.empty()) {
        return false;
      }
    }
    if (++m_lineNo > kMaxLines) {
      throw Error("file \"" + m_label + "\" has more than " + std::to_string(kMaxLines) +
                  " lines: not a group file");
    }
    line = buffered().substr(0, length);
    m_pos += length;
    return true;
  }
}

std::string_view LineSource::peek(size_t bytes) {
  start();
  while (buffered().size() < bytes && fill()) {
  }
  return buffered().substr(0, bytes);
}

}  // namespace vexmoor
