// The output files of one batch run (--replicates, --plot), settled before
// any work is done, by the rules of io/output_file.h.
#pragma once

#include <memory>

#include "batch_options.h"
#include "io/output_file.h"

namespace vexmoor {

struct RunOutputs {
  std::unique_ptr<OutputFile> replicates;
  std::unique_ptr<OutputFile> plot;
};

// Throws vexmoor::Error, before anything is written, when an output cannot
// be written (see OutputFile), would change one of the run's inputs (a
// data file, the --group-by table, the classifier; also through another
// path, a hard or a symbolic link), or two outputs name one file.
RunOutputs settleOutputs(const BatchOptions& options);

// Puts /dev/null on any of the standard descriptors 0, 1 and 2 that is
// closed, so that no file the run opens takes its number and receives what
// is meant for standard output; 1 and 2 are opened for reading only, so
// that writing to them still fails and is reported.
void guardStandardDescriptors();

}  // namespace vexmoor
