// The thread count of the process's BLAS while the core computes. OpenBLAS
// (Debian's BLAS and LAPACK of choice) starts threads of its own inside each
// call; on the analyses' small matrices they cost far more than they give,
// and the replicate engine already keeps the cores busy with threads of its
// own. The setting is process-wide, and the process may be an R or Python
// session whose own matrix work wants its threads: so the core sets one
// thread only while it computes and gives the host its count back after.
#pragma once

namespace vexmoor {

// While at least one lives, anywhere in the process, OpenBLAS runs one
// thread. The first to start keeps the count in force; the last to end puts
// it back, unless the host has set another meanwhile (then the host's
// stays). The host's own BLAS calls on other threads run single-threaded
// meanwhile. Does nothing where the BLAS in use is not OpenBLAS.
// Thread-safe; scopes may nest and overlap.
class SingleThreadedBlas {
 public:
  SingleThreadedBlas();
  ~SingleThreadedBlas();
  SingleThreadedBlas(const SingleThreadedBlas&) = delete;
  SingleThreadedBlas& operator=(const SingleThreadedBlas&) = delete;
};

// OpenBLAS's thread count now; 0 where the BLAS in use is not OpenBLAS.
int blasThreads();

}  // namespace vexmoor
