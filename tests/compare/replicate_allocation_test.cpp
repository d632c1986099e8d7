// The replicates reuse their work spaces: a longer run makes no more heap
// allocations than a shorter one. Counts every malloc of this executable,
// which is why it is a program of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "compare/analysis_input.h"
#include "compare/resampling_tests.h"
#include "io/landmark_file.h"

extern "C" void* __libc_malloc(size_t size);

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

extern "C" void* malloc(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

namespace vexmoor {
namespace {

using TestText = std::string (*)(const AnalysisInput&, const ResamplingOptions&, Host&);

long allocationsOf(TestText text, const AnalysisInput& in, int v) {
  long before = g_allocations.load();
  text(in, {v, std::uint64_t{5}, nullptr, 1}, silentHost());
  return g_allocations.load() - before;
}

void expectNoAllocationPerReplicate(const AnalysisInput& in) {
  for (TestText text : {&bootMezeyAngleText, &bootConMezeyAngleText, &rangeMezeyAngleText,
                        &permuteMezeyAngleText, &randMezeyAngleText}) {
    long shortRun = allocationsOf(text, in, 1);
    EXPECT_EQ(allocationsOf(text, in, 3), shortRun);
  }
}

AnalysisInput gorillaInput(Index rows1, Index rows2) {
  Matrix g1 = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt").topRows(rows1);
  Matrix g2 = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt").topRows(rows2);
  AnalysisSettings settings;
  settings.componentsText = "2";
  return prepareAnalysis(&g1, &g2, settings, ConsensusRounding::kNone, ComponentsText::kRead,
                         silentHost());
}

TEST(ReplicateAllocations, NoneRepeatedPerReplicate) {
  expectNoAllocationPerReplicate(gorillaInput(30, 29));
  // Fewer specimens than shape variables: the route through distinct rows,
  // whose count varies from replicate to replicate.
  expectNoAllocationPerReplicate(gorillaInput(10, 12));
}

}  // namespace
}  // namespace vexmoor
