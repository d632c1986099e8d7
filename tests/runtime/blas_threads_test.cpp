#include "runtime/blas_threads.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace vexmoor {
namespace {

TEST(SingleThreadedBlas, KeepsOneThreadWhileAnyLivesThenGivesTheHostItsCount) {
  auto set = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"));
  if (!set || blasThreads() == 0) {
    GTEST_SKIP() << "the BLAS in use is not OpenBLAS";
  }
  const int before = blasThreads();
  set(3);
  {
    SingleThreadedBlas outer;
    EXPECT_EQ(blasThreads(), 1);
    { SingleThreadedBlas inner; }
    EXPECT_EQ(blasThreads(), 1);
  }
  EXPECT_EQ(blasThreads(), 3);
  {
    SingleThreadedBlas scope;
    set(2);  // the host's own choice meanwhile stays
  }
  EXPECT_EQ(blasThreads(), 2);
  set(before);
}

}  // namespace
}  // namespace vexmoor
