#include "runtime/blas_threads.h"

#include <dlfcn.h>

#include <mutex>

namespace vexmoor {
namespace {

// Looked up at run time, so that any other BLAS works as well.
struct OpenBlas {
  using Set = void (*)(int);
  using Get = int (*)();
  Set set = nullptr;
  Get get = nullptr;
};

const OpenBlas& openBlas() {
  static const OpenBlas functions = [] {
    OpenBlas f;
    f.set = reinterpret_cast<OpenBlas::Set>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"));
    f.get = reinterpret_cast<OpenBlas::Get>(dlsym(RTLD_DEFAULT, "openblas_get_num_threads"));
    if (!f.set || !f.get) {
      f = {};
    }
    return f;
  }();
  return functions;
}

std::mutex g_mutex;
int g_scopes = 0;       // live SingleThreadedBlas objects
int g_hostThreads = 0;  // the count before the first of them

}  // namespace

SingleThreadedBlas::SingleThreadedBlas() {
  const OpenBlas& blas = openBlas();
  if (!blas.set) {
    return;
  }
  std::lock_guard lock(g_mutex);
  if (g_scopes++ == 0) {
    g_hostThreads = blas.get();
    if (g_hostThreads != 1) {
      blas.set(1);
    }
  }
}

SingleThreadedBlas::~SingleThreadedBlas() {
  const OpenBlas& blas = openBlas();
  if (!blas.set) {
    return;
  }
  std::lock_guard lock(g_mutex);
  if (--g_scopes == 0 && g_hostThreads != 1 && blas.get() == 1) {
    blas.set(g_hostThreads);
  }
}

int blasThreads() {
  const OpenBlas& blas = openBlas();
  return blas.get ? blas.get() : 0;
}

}  // namespace vexmoor
