#include "compare/angle_between_planes.h"

#include <gtest/gtest.h>

#include <string>

#include "compare_fixtures.h"
#include "runtime/display.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::gorillaAngleTexts;
using testing::gorillaFemales;
using testing::gorillaMales;
using testing::RecordingHost;

std::string angleText(const Matrix& a, const Matrix& b, bool partialWarps, const std::string& k,
                      Host& host = silentHost()) {
  AnalysisSettings s;
  s.partialWarps = partialWarps;
  s.componentsText = k;
  AnalysisInput in =
      prepareAnalysis(&a, &b, s, ConsensusRounding::kFourDecimals, ComponentsText::kRead, host);
  return angleBetweenPlanesText(in, host);
}

TEST(AngleBetweenPlanes, GorillaTextsMatchTheIndependentComputation) {
  // Texts written by tools/crosscheck/angle_text.py (see tests/data/README.md).
  auto expected = gorillaAngleTexts();
  ASSERT_EQ(expected.size(), 6u);
  Matrix f = gorillaFemales(), m = gorillaMales();
  for (const char* mode : {"pw", "raw"}) {
    for (const char* k : {"1", "2", "3"}) {
      std::string key = std::string(mode) + " " + k;
      EXPECT_EQ(angleText(f, m, key[0] == 'p', k), expected.at(key)) << key;
    }
  }
}

TEST(AngleBetweenPlanes, TheExactLayoutOfTheText) {
  std::string text = angleText(gorillaFemales(), gorillaMales(), true, "2");
  EXPECT_EQ(text,
            "Results of the Angle between Planes Calculation\n"
            "The angle between the planes was 89.02, using 2 components\n"
            "Matlab angle 86.92\n"
            "Krzanowskis summed eigenvalue metric:   0.894");
}

TEST(AngleBetweenPlanes, IdenticalGroups) {
  Matrix f = gorillaFemales();
  std::string text = angleText(f, f, true, "2");
  EXPECT_EQ(text,
            "Results of the Angle between Planes Calculation\n"
            "The angle between the planes was 0.00, using 2 components\n"
            "Matlab angle 0.00\n"
            "Krzanowskis summed eigenvalue metric:   2.000");
}

TEST(AngleBetweenPlanes, OneComponentShowsOneAngleTwice) {
  std::string text = angleText(gorillaFemales(), gorillaMales(), true, "1");
  size_t was = text.find("was ") + 4;
  std::string angle = text.substr(was, text.find(',', was) - was);
  EXPECT_NE(text.find("\nMatlab angle " + angle + "\n"), std::string::npos) << text;
}

TEST(AngleBetweenPlanes, TheRoundedCountIsPrinted) {
  std::string text = angleText(gorillaFemales(), gorillaMales(), false, " 2.6 ");
  EXPECT_NE(text.find("using 3 components"), std::string::npos);
  EXPECT_EQ(text, gorillaAngleTexts().at("raw 3"));
}

TEST(AngleBetweenPlanes, RunningTwiceGivesTheSameText) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  EXPECT_EQ(angleText(f, m, true, "3"), angleText(f, m, true, "3"));
}

TEST(AngleBetweenPlanes, ConsoleDiagnosticsInOrder) {
  RecordingHost host;
  std::string text = angleText(gorillaFemales(), gorillaMales(), true, "2", host);
  size_t ans = host.console.find("ans =");
  size_t y3 = host.console.find("y3 =");
  size_t stempd = host.console.find("stempd =");
  ASSERT_NE(ans, std::string::npos);
  ASSERT_NE(y3, std::string::npos);
  ASSERT_NE(stempd, std::string::npos);
  EXPECT_LT(ans, y3);
  EXPECT_LT(y3, stempd);
  EXPECT_NE(host.console.find(displayText(
                "stempd", std::string_view("\nKrzanowskis summed eigenvalue metric:   0.894"))),
            std::string::npos);
  EXPECT_TRUE(host.boxes.empty());
}

TEST(AngleBetweenPlanes, TooManyComponentsNeverReachTheText) {
  EXPECT_NE(errorMessage([] { angleText(gorillaFemales(), gorillaMales(), true, "13"); }),
            "<no error>");
}

}  // namespace
}  // namespace vexmoor
