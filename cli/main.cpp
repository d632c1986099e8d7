// vexmoor-batch: the analyses of Vexmoor from the command line.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "batch_options.h"
#include "batch_run.h"
#include "runtime/error.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    vexmoor::BatchOptions options = vexmoor::parseBatchOptions(args);
    if (options.help) {
      std::cout << vexmoor::batchUsage();
      return 0;
    }
    vexmoor::StreamHost host(std::cerr, options.diagnostics,
                             vexmoor::batchKeyWaits(options.diagnostics, STDIN_FILENO), &std::cin);
    std::cout << vexmoor::runBatch(options, host) << '\n';
    return 0;
  } catch (const std::exception& e) {
    // One line, whatever a file name or token in the message holds.
    std::string message = e.what();
    for (char& c : message) {
      if (c == '\n' || c == '\r') {
        c = ' ';
      }
    }
    std::cerr << "error: " << message << '\n';
    return 1;
  }
}
