#include "compare/angle_between_planes.h"

#include "compare/principal_axes.h"
#include "compare/subspace_angle.h"
#include "runtime/format.h"
#include "runtime/text.h"

namespace vexmoor {

AngleBetweenPlanes angleBetweenPlanes(const AnalysisInput& in, Host& host,
                                      const Progress* progress) {
  // One decomposition per group serves both statistics.
  SubspaceComparison c = compareSamples(in.x1, in.x2, in.npca, host, progress);
  displayMezeyDiagnostics(host, c.mezey);

  std::string stemp = format("\\nThe angle between the planes was %3.2f, using %i components",
                             {c.mezey.angle, double(in.npca)});
  std::string stempc = format("\\nMatlab angle %3.2f", {c.mezey.runtimeAngle});
  std::string stempd =
      format("\\nKrzanowskis summed eigenvalue metric:   %3.3f", {c.krzanowski.metric});
  display(host, "stempd", stempd);
  std::string stempb = format("Results of the Angle between Planes Calculation");
  AngleBetweenPlanes result;
  result.text = joinTrimmed({stempb, stemp, stempc, stempd});
  result.observed.angle = c.mezey.angle;
  result.observed.maxAngle = c.mezey.maxAngle;
  result.observed.metric = c.krzanowski.metric;
  result.observed.runtimeAngle = c.mezey.runtimeAngle;
  return result;
}

std::string angleBetweenPlanesText(const AnalysisInput& in, Host& host) {
  return angleBetweenPlanes(in, host).text;
}

}  // namespace vexmoor
