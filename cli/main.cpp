// vexmoor-batch: the analyses of Vexmoor from the command line.
#include <unistd.h>

#include <iostream>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "batch_options.h"
#include "batch_outputs.h"
#include "batch_run.h"
#include "interrupt.h"
#include "io/output_file.h"
#include "process_limits.h"
#include "runtime/error.h"
#include "terminal_progress.h"

namespace {

int fail(const std::string& message) {
  // One line, whatever a file name or token in the message holds; the
  // messages escape what they quote, this catches what one missed.
  std::string line;
  for (char c : message) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\n' || c == '\r') {
      line += ' ';
    } else if (byte < 0x20 || byte == 0x7f) {
      static const char kHex[] = "0123456789abcdef";
      line += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
    } else {
      line += c;
    }
  }
  std::cerr << "error: " << line << '\n';
  return 1;
}

// A thread that cannot be started names the limit behind it.
std::string messageOf(const std::exception& e) {
  if (const auto* s = dynamic_cast<const std::system_error*>(&e);
      s && s->code() == std::errc::resource_unavailable_try_again) {
    return "cannot start a thread while " + vexmoor::activity() + " (" + s->code().message() +
           "); the limit on processes and threads (ulimit -u) is reached";
  }
  return e.what();
}

}  // namespace
#ifdef VEXMOOR_BATCH_PICTURES
#include "batch_picture.h"
#endif

int main(int argc, char** argv) {
  vexmoor::guardAgainstSilentEnds();
  vexmoor::guardStandardDescriptors();
  std::vector<std::string> args(argv + 1, argv + argc);
  vexmoor::setActivity("reading the command line");
  try {
    vexmoor::BatchOptions options = vexmoor::parseBatchOptions(args);
    if (options.help) {
      vexmoor::writeStandardOutput(vexmoor::batchUsage());
      return 0;
    }
    if (options.version) {
      vexmoor::writeStandardOutput(vexmoor::batchVersion() + "\n");
      return 0;
    }
    vexmoor::InterruptWatch interrupt;
    vexmoor::PreparedBatch run;
    {
      // Beside the diagnostics a progress line would only garble them.
      vexmoor::TerminalProgress progress(interrupt, std::cerr,
                                         !options.diagnostics && ::isatty(STDERR_FILENO) == 1,
                                         vexmoor::progressUnit(options.action));
      vexmoor::StreamHost host(std::cerr, options.diagnostics,
                               vexmoor::batchKeyWaits(options.diagnostics, STDIN_FILENO),
                               &std::cin);
      vexmoor::PictureWriter pictures;
#ifdef VEXMOOR_BATCH_PICTURES
      pictures = vexmoor::pictureWriter(argv[0], options.diagnostics);
#endif
      vexmoor::setActivity("running " + options.action);
      run = vexmoor::prepareBatch(options, host, pictures, &progress);
    }
    vexmoor::setActivity("writing the results of " + options.action);
    vexmoor::InterruptWatch::testPoint("commit");
    // The last word of an interrupt: past this point the outputs go out.
    if (interrupt.cancelRequested()) {
      return vexmoor::InterruptWatch::reportInterrupted(std::cerr);
    }
    vexmoor::commitBatch(run, &interrupt);
    return 0;
  } catch (const vexmoor::Cancelled&) {
    return vexmoor::InterruptWatch::reportInterrupted(std::cerr);
  } catch (const vexmoor::BrokenPipe&) {
    // The reader has gone (`| head`): nothing is left to tell it.
    return vexmoor::endOnBrokenPipe();
  } catch (const std::bad_alloc&) {
    vexmoor::endOutOfMemory();
  } catch (const std::exception& e) {
    // A blocked open or read that a signal interrupted fails as an error;
    // the user asked to stop, and is told so.
    if (vexmoor::InterruptWatch::signalNumber() != 0) {
      return vexmoor::InterruptWatch::reportInterrupted(std::cerr);
    }
    return fail(messageOf(e));
  } catch (...) {
    // Last resort: whatever escaped still ends as an error line, not a crash.
    return fail("unexpected failure while " + vexmoor::activity());
  }
}
