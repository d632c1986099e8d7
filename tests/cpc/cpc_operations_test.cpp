#include "cpc/cpc_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "cpc/flury_cpc.h"
#include "cpc_test_support.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

using ::testing::HasSubstr;
using testing::RecordingHost;
using testing::sampleCovariance;
using testing::vec;

class CpcOperations : public ::testing::Test {
 protected:
  CpcOperations() { bindCpcOperations(table, host); }

  std::vector<Value> call(std::string_view name, std::vector<Value> args, int nargout) {
    return table.call(name, args, nargout);
  }

  RecordingHost host;
  OperationTable table;
  Matrix s1 = sampleCovariance(vec({3.0, 2.0, 1.0, 0.5}).asDiagonal(), 20, 1);
  Matrix s2 = sampleCovariance(vec({1.0, 2.5, 0.7, 2.0}).asDiagonal(), 25, 2);
};

TEST_F(CpcOperations, ArgumentCountsAreChecked) {
  struct Case {
    const char* name;
    int inputs, outputs;
  };
  for (Case c : {Case{"flury_aic", 4, 1}, Case{"flury_f", 4, 3}, Case{"flury_g", 4, 1},
                 Case{"flury_pcm", 4, 5}, Case{"flury_pcp", 6, 6}}) {
    SCOPED_TRACE(c.name);
    std::string prefix = "Run-time Error: File: " + std::string(c.name) +
                         " Line: 1 Column: 1 The function \"" + c.name +
                         "\" was called with more than the declared number of ";
    std::vector<Value> tooMany(static_cast<size_t>(c.inputs + 1), scalarValue(1));
    EXPECT_THAT(
        [&] { call(c.name, tooMany, 1); },
        ::testing::ThrowsMessage<Error>(prefix + "inputs (" + std::to_string(c.inputs) + ")."));
    // The output count is checked first.
    EXPECT_THAT(
        [&] { call(c.name, tooMany, c.outputs + 1); },
        ::testing::ThrowsMessage<Error>(prefix + "outputs (" + std::to_string(c.outputs) + ")."));
  }
}

TEST_F(CpcOperations, FluryFWithoutWeightsWeighsBothGroupsOne) {
  std::vector<Value> r = call("flury_f", {s1, s2}, 3);
  ASSERT_EQ(r.size(), 3u);
  CommonComponents expected = flury_f(s1, s2, 1, 1);
  EXPECT_EQ(std::get<Matrix>(r[0]), expected.B);
  EXPECT_EQ(std::get<Matrix>(r[2]), expected.s2est);
}

TEST_F(CpcOperations, ModelsReturnTheirDeclaredOutputs) {
  std::vector<Value> pcm = call("flury_pcm", {s1, 2.0 * s1, scalarValue(20), scalarValue(25)}, 5);
  ASSERT_EQ(pcm.size(), 5u);
  EXPECT_NEAR(std::get<Matrix>(pcm[3])(0, 1), 2.0, 1e-12);
  EXPECT_EQ(std::get<Matrix>(pcm[4]).rows(), 1);

  Matrix b = std::get<Matrix>(call("flury_f", {s1, s2, scalarValue(20), scalarValue(25)}, 1)[0]);
  std::vector<Value> pcp =
      call("flury_pcp", {s1, s2, scalarValue(20), scalarValue(25), b, scalarValue(2)}, 6);
  ASSERT_EQ(pcp.size(), 6u);
  EXPECT_EQ(std::get<Matrix>(pcp[4]).cols(), 1);
  EXPECT_THAT(host.console, HasSubstr("L1est ="));

  Matrix t(2, 2);
  t << 2, 0.5, 0.5, 1;
  EXPECT_EQ(std::get<Matrix>(call("flury_g", {t, t, scalarValue(1), scalarValue(1)}, 1)[0]).rows(),
            2);

  Matrix d = vec({1.0, 2.0, 3.0}).asDiagonal();
  std::string text =
      std::get<std::string>(call("flury_aic", {d, d, scalarValue(10), scalarValue(10)}, 1)[0]);
  EXPECT_THAT(text, HasSubstr(" 1.) Equal Variance:              -35.835 6    83.670    0.695187"));
}

TEST_F(CpcOperations, BadShapesAndCountsAreNamed) {
  Matrix three = Matrix::Identity(3, 3);
  EXPECT_THAT(
      [&] {
        call("flury_f", {s1, three}, 3);
      },
      ::testing::ThrowsMessage<Error>(HasSubstr("flury_f: A1 is 4 × 4 and A2 is 3 × 3")));
  EXPECT_THAT(
      [&] {
        call("flury_aic", {Matrix(2, 3), Matrix(2, 3), scalarValue(1), scalarValue(1)}, 1);
      },
      ::testing::ThrowsMessage<Error>(HasSubstr("flury_aic: s1 is 2 × 3")));
  EXPECT_THAT(
      [&] {
        call("flury_g", {three, three, scalarValue(1), scalarValue(1)}, 1);
      },
      ::testing::ThrowsMessage<Error>(HasSubstr("they must be 2 × 2")));
  Matrix b = Matrix::Identity(4, 4);
  for (double q : {2.5, -1.0, 5.0}) {
    EXPECT_THAT(
        [&] {
          call("flury_pcp", {s1, s2, scalarValue(1), scalarValue(1), b, scalarValue(q)}, 6);
        },
        ::testing::ThrowsMessage<Error>(HasSubstr("must be a whole number from 0 to 4")));
  }
  EXPECT_THAT(
      [&] {
        call("flury_pcp", {s1, s2, scalarValue(1), scalarValue(1), three, scalarValue(1)}, 6);
      },
      ::testing::ThrowsMessage<Error>(HasSubstr("flury_pcp: B is 3 × 3")));
}

}  // namespace
}  // namespace vexmoor
