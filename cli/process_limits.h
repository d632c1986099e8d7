// How vexmoor-batch meets the limits of the system it runs on: signals that
// would end it without a word, a thread limit, and running out of memory.
// Every such end is one "error:" line and exit status 1.
#pragma once

#include <string>

namespace vexmoor {

// Gives the process back the processors it may use (see the .cpp), ignores
// SIGPIPE and SIGXFSZ, so that a FIFO whose reader has gone and the
// file-size limit (ulimit -f) become write errors that name the output,
// and ends any std::terminate with one error line. Call first in main().
void guardAgainstSilentEnds();

// What the program is doing, for the line of an end that comes from
// nowhere in particular ("running DoMezeyAngle").
void setActivity(std::string doing);
const std::string& activity();

// Ends the process at once with "error: LINE" and exit status 1, without
// running exit handlers: threads of a library (an OpenBLAS worker retrying
// an allocation) may never finish, and exit() would wait for them.
[[noreturn]] void endAtOnce(const std::string& line);

// "out of memory while running DoMezeyAngle", ended at once.
[[noreturn]] void endOutOfMemory();

// Ends the process as a broken pipe on standard output ends Unix tools:
// by SIGPIPE where the process received it with its default action, else
// with exit status 1; quietly either way.
int endOnBrokenPipe();

}  // namespace vexmoor
