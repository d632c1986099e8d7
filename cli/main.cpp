// vexmoor-batch: the analyses of Vexmoor from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "batch_options.h"
#include "batch_run.h"
#include "runtime/error.h"

#ifdef VEXMOOR_BATCH_PICTURES
#include "batch_picture.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    vexmoor::BatchOptions options = vexmoor::parseBatchOptions(args);
    if (options.help) {
      std::cout << vexmoor::batchUsage();
      return 0;
    }
    if (options.version) {
      std::cout << vexmoor::batchVersion() << '\n';
      return 0;
    }
    vexmoor::StreamHost host(std::cerr, options.diagnostics);
    vexmoor::PictureWriter pictures;
#ifdef VEXMOOR_BATCH_PICTURES
    pictures = vexmoor::pictureWriter(argv[0]);
#endif
    std::cout << vexmoor::runBatch(options, host, pictures);
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
