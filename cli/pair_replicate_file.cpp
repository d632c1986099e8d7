#include "pair_replicate_file.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "actions/replicate_table.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {

PairReplicateFile::~PairReplicateFile() {
  if (m_file) {
    std::fclose(m_file);
  }
}

void PairReplicateFile::fail(int error) {
  throw Error("cannot write \"" + escapeNonPrintable(m_output.path()) +
              "\": " + std::strerror(error));
}

void PairReplicateFile::write(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size()) {
    fail(errno);
  }
}

void PairReplicateFile::add(const GroupComparison& comparison, const GroupPair& pair,
                            const ResamplingResult& result) {
  if (!m_file) {
    m_file = std::fopen(m_output.temporaryPath().c_str(), "wb");
    if (!m_file) {
      fail(errno);
    }
    write(pairwiseReplicateHeader(result));
  }
  write(pairReplicateRows(comparison, pair, result));
}

void PairReplicateFile::commit() {
  if (!m_file) {
    throw Error("cannot write \"" + escapeNonPrintable(m_output.path()) +
                "\": the analysis gave no replicates");
  }
  bool flushed = std::fflush(m_file) == 0 && !std::ferror(m_file);
  int error = errno;
  if (std::fclose(m_file) != 0 && flushed) {
    flushed = false;
    error = errno;
  }
  m_file = nullptr;
  if (!flushed) {
    fail(error);
  }
  m_output.commitFile();
}

}  // namespace vexmoor
