#include "compare/resampling_tests.h"

#include "runtime/error.h"

namespace vexmoor {
namespace {

[[noreturn]] void notYet() {
  throw Error("the resampling tests are not available yet");
}

}  // namespace

std::string bootMezeyAngleText(const AnalysisInput&, const ResamplingOptions&, Host&) {
  notYet();
}
std::string bootConMezeyAngleText(const AnalysisInput&, const ResamplingOptions&, Host&) {
  notYet();
}
std::string rangeMezeyAngleText(const AnalysisInput&, const ResamplingOptions&, Host&) {
  notYet();
}
std::string permuteMezeyAngleText(const AnalysisInput&, const ResamplingOptions&, Host&) {
  notYet();
}
std::string randMezeyAngleText(const AnalysisInput&, const ResamplingOptions&, Host&) {
  notYet();
}

}  // namespace vexmoor
