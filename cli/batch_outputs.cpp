#include "batch_outputs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::string quoted(const std::string& path) {
  return "\"" + escapeNonPrintable(path) + "\"";
}

// The files the run reads, each with what it is to the run.
std::vector<std::pair<std::string, std::string>> inputsOf(const BatchOptions& options) {
  std::vector<std::pair<std::string, std::string>> inputs;
  for (const std::string& f : options.files) {
    inputs.emplace_back(f, options.groupBy ? "the table" : "the data file");
  }
  if (options.classifier) {
    inputs.emplace_back(*options.classifier, "the classifier");
  }
  return inputs;
}

void checkAgainstInputs(const OutputFile& output, const std::string& option,
                        const BatchOptions& options) {
  for (const auto& [path, what] : inputsOf(options)) {
    if (output.changes(path)) {
      std::string which = path == output.path()
                              ? what + " of this run"
                              : what + " " + quoted(path) + " of this run under another name";
      throw Error("option " + option + ": " + quoted(output.path()) + " is " + which +
                  "; give another file, or the output would destroy it");
    }
  }
}

}  // namespace

RunOutputs settleOutputs(const BatchOptions& options) {
  RunOutputs outputs;
  if (options.replicatesFile) {
    outputs.replicates = std::make_unique<OutputFile>(*options.replicatesFile);
    checkAgainstInputs(*outputs.replicates, "--replicates", options);
  }
  if (options.plotFile) {
    outputs.plot = std::make_unique<OutputFile>(*options.plotFile);
    checkAgainstInputs(*outputs.plot, "--plot", options);
  }
  if (outputs.replicates && outputs.plot && outputs.replicates->sameTarget(*outputs.plot)) {
    std::string plot = options.plotFile == options.replicatesFile
                           ? ""
                           : " " + quoted(*options.plotFile) + " (the same file)";
    throw Error("options --replicates and --plot both write " + quoted(*options.replicatesFile) +
                plot + "; give each its own file");
  }
  return outputs;
}

void guardStandardDescriptors() {
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
      continue;
    }
    int opened = ::open("/dev/null", O_RDONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

}  // namespace vexmoor
