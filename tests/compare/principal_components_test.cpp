#include "compare/principal_components.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analyses/analysis_actions.h"
#include "compare/compare_fixtures.h"
#include "shape/partial_warps2d.h"
#include "shape/partial_warps3d.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using ::testing::HasSubstr;

struct Path {
  const char* name;
  bool threeD, partialWarps;
  const char* k;
};

// Two groups of smooth variation around one three-dimensional shape with
// more landmarks than the covariance route is taken for: their shape
// variables far outnumber the specimens.
Matrix manyLandmarks(unsigned seed, double bend) {
  constexpr Index kLandmarks = 210, kSpecimens = 14;
  std::mt19937 gen(seed);
  std::normal_distribution<double> noise(0.0, 1.0);
  Matrix x(kSpecimens, 3 * kLandmarks + 1);
  for (Index i = 0; i < kSpecimens; ++i) {
    double a = 0.05 * noise(gen), b = bend * noise(gen), c = 0.03 * noise(gen);
    for (Index j = 0; j < kLandmarks; ++j) {
      double t = (double(j) + 0.5) / kLandmarks;
      double phi = std::acos(1 - 2 * t), theta = kPi * (1 + std::sqrt(5.0)) * double(j);
      double u = 1.5 * std::cos(theta) * std::sin(phi), v = std::sin(theta) * std::sin(phi),
             w = 0.7 * std::cos(phi);
      x(i, 3 * j) = u + a * v * w + 0.002 * noise(gen);
      x(i, 3 * j + 1) = v + b * u * u + 0.002 * noise(gen);
      x(i, 3 * j + 2) = w + c * std::sin(2 * u) + 0.002 * noise(gen);
    }
    x(i, 3 * kLandmarks) = 1;
  }
  return x;
}

Matrix macaques(const char* file) {
  return readLandmarkFile(std::string(VEXMOOR_EXAMPLES "/macaque/") + file);
}

AnalysisSettings settingsOf(const Path& path) {
  AnalysisSettings s;
  s.threeD = path.threeD;
  s.partialWarps = path.partialWarps;
  s.componentsText = path.k;
  return s;
}

// The shape variables a displacement of the consensus gives, less the
// consensus's own: computed by the transforms themselves. In 3D `delta`
// may hold several displacements side by side, one column of result each.
Matrix shapeVariablesOf(const Path& path, const Matrix& consensus, const Matrix& delta, Index p) {
  Index k = consensus.rows();
  if (path.threeD) {
    LandmarkArray pages(k, 3, delta.cols() / 3 + 1);
    for (Index i = 0; i + 1 < pages.specimens(); ++i) {
      pages.page(i) = consensus + delta.middleCols(3 * i, 3);
    }
    pages.page(pages.specimens() - 1) = consensus;
    Matrix s = getpw3d(consensus, pages);
    return (s.topRows(s.rows() - 1).rowwise() - s.row(s.rows() - 1)).leftCols(p).transpose();
  }
  if (!path.partialWarps) {
    Matrix v = Matrix::Zero(p, 1);
    v.col(0).head(2 * k) = delta.reshaped<Eigen::RowMajor>();
    return v;
  }
  Matrix rows(2, 2 * k + 1);
  rows.row(0) << (consensus + delta).reshaped<Eigen::RowMajor>().transpose(), 0.0;
  rows.row(1) << consensus.reshaped<Eigen::RowMajor>().transpose(), 0.0;
  RowVector ref = rows.row(1);
  Matrix s = getpwpca(ref, rows);
  return (s.row(0) - s.row(1)).head(p).transpose();
}

// Every number against an independent computation, on the bundled groups
// in each path the analyses take, and on hundreds of 3D landmarks (where
// the covariance matrices and the map back are never formed).
TEST(PrincipalComponents, AgreeWithIndependentComputations) {
  Matrix gf = testing::gorillaFemales(), gm = testing::gorillaMales();
  Matrix mf = macaques("macf.txt"), mm = macaques("macm.txt");
  Matrix many1 = manyLandmarks(5, 0.04), many2 = manyLandmarks(6, 0.02);
  for (const Path& path :
       {Path{"2D partial warps", false, true, "3"}, Path{"2D raw coordinates", false, false, "2"},
        Path{"3D", true, true, "3"}, Path{"3D, many landmarks", true, true, "3"}}) {
    SCOPED_TRACE(path.name);
    bool many = std::string(path.name).ends_with("many landmarks");
    const Matrix* d1 = many ? &many1 : path.threeD ? &mf : &gf;
    const Matrix* d2 = many ? &many2 : path.threeD ? &mm : &gm;
    AnalysisSettings settings = settingsOf(path);
    PooledInput in = preparePooledAnalysis({{d1, "group 1"}, {d2, "group 2"}}, settings,
                                           ConsensusRounding::kFourDecimals, ComponentsText::kRead,
                                           silentHost());
    PrincipalComponents pc = principalComponents(in, settings);
    int k = pc.k;
    Index p = pc.variables;
    ASSERT_EQ(pc.groups.size(), 2u);

    // What the transform does not see: the null space of its Jacobian,
    // taken column by column through the transform itself.
    Index landmarks = pc.consensus.rows(), d = pc.consensus.cols();
    Matrix units = Matrix::Zero(landmarks, d * landmarks * d);
    for (Index c = 0; c < landmarks * d; ++c) {
      units(c / d, d * c + c % d) = 1;
    }
    Matrix jacobian =
        path.threeD ? shapeVariablesOf(path, pc.consensus, units, p) : Matrix(p, landmarks * d);
    for (Index c = 0; !path.threeD && c < jacobian.cols(); ++c) {
      jacobian.col(c) = shapeVariablesOf(path, pc.consensus, units.middleCols(d * c, d), p);
    }
    Eigen::JacobiSVD<Matrix> jsvd(jacobian, Eigen::ComputeFullV);
    Index rank = (jsvd.singularValues().array() > 1e-9 * jsvd.singularValues()(0)).count();
    Matrix unseen = jsvd.matrixV().rightCols(jacobian.cols() - rank);
    EXPECT_EQ(unseen.cols(), path.partialWarps ? (path.threeD ? 8 : 4) : 0);

    for (size_t g = 0; g < 2; ++g) {
      SCOPED_TRACE("group " + std::to_string(g + 1));
      const Matrix& x = in.groups[g].x;
      // Eigenvalues and axes from the singular values of the centred data.
      Matrix centred = x.rowwise() - x.colwise().mean();
      Eigen::BDCSVD<Matrix> svd(centred, Eigen::ComputeThinV);
      Vector expected = svd.singularValues().array().square() / double(x.rows() - 1);
      const GroupComponents& gc = pc.groups[g];
      ASSERT_EQ(gc.eigenvalues.size(), p);
      EXPECT_TRUE(gc.eigenvalues.head(expected.size()).isApprox(expected, 1e-9));
      EXPECT_NEAR(gc.cumulative(p - 1), 1.0, 1e-12);
      EXPECT_NEAR(gc.shares(0), expected(0) / expected.sum(), 1e-12);
      for (int j = 0; j < k; ++j) {
        const ComponentAxis& a = gc.axes[size_t(j)];
        Vector v = svd.matrixV().col(j);
        EXPECT_NEAR(std::abs(a.loading.dot(v)), 1.0, 1e-9);
        Index largest;
        a.loading.cwiseAbs().maxCoeff(&largest);
        EXPECT_GT(a.loading(largest), 0);
        // The displacement maps back onto its axis at one standard deviation
        // and holds nothing the transform does not see.
        Vector back = shapeVariablesOf(path, pc.consensus, a.displacement, p);
        Vector want = a.loading * std::sqrt(a.eigenvalue);
        if (!path.partialWarps) {
          want(p - 1) = 0;  // the trailing value is no coordinate
        }
        EXPECT_LT((back - want).norm(), 1e-6 * want.norm());
        Vector flat = a.displacement.reshaped<Eigen::RowMajor>();
        EXPECT_LT((unseen.transpose() * flat).norm(), 1e-9 * flat.norm());
      }
      EXPECT_TRUE(gc.scores.isApprox(centred * leadingBasis(gc), 1e-12));
    }

    // Principal angles: arc cosines of the singular values of B1ᵀB2.
    Matrix b1 = leadingBasis(pc.groups[0]), b2 = leadingBasis(pc.groups[1]);
    Vector cosines = Eigen::JacobiSVD<Matrix>(b1.transpose() * b2).singularValues();
    const ComponentPair& pair = pc.pairs.front();
    ASSERT_EQ(pair.angles.size(), k);
    for (int i = 0; i < k; ++i) {
      EXPECT_NEAR(pair.angles(i), std::acos(std::min(1.0, cosines(i))) * kDegreesPerRadian, 1e-6);
      const DirectionPair& d = pair.directions[size_t(i)];
      EXPECT_NEAR(d.loading[0].norm(), 1.0, 1e-12);
      EXPECT_NEAR(d.loading[0].dot(d.loading[1]), cosines(i), 1e-9);
      EXPECT_LT((b1 * (b1.transpose() * d.loading[0]) - d.loading[0]).norm(), 1e-9);
      EXPECT_LT((b2 * (b2.transpose() * d.loading[1]) - d.loading[1]).norm(), 1e-9);
      Vector back = shapeVariablesOf(path, pc.consensus, d.displacement[1], p);
      Vector want = d.loading[1] * d.deviation[1];
      if (!path.partialWarps) {
        want(p - 1) = 0;
      }
      EXPECT_LT((back - want).norm(), 1e-6 * want.norm());
    }
    AnalysisRequest request;
    request.data1 = d1;
    request.data2 = d2;
    request.settings = settings;
    double angle = findAnalysisAction("DoMezeyAngle")->run(request, silentHost()).observed->angle;
    EXPECT_NEAR(pair.angle, angle, 1e-9);
    AnalysisResult result = findAnalysisAction("PrincipalComponents")->run(request, silentHost());
    EXPECT_NEAR(result.observed->angle, angle, 1e-9);

    // The pooled scores are uncorrelated, with the pooled eigenvalues as
    // their variances.
    Matrix scores(pc.pooledScores[0].rows() + pc.pooledScores[1].rows(), pc.pooledAxes.cols());
    scores << pc.pooledScores[0], pc.pooledScores[1];
    Matrix c = (scores.transpose() * scores) / double(scores.rows() - 1);
    EXPECT_TRUE(c.isApprox(Matrix(pc.pooledEigenvalues.asDiagonal()), 1e-9));
  }
}

TEST(PrincipalComponents, TextAndRefusals) {
  Matrix f = testing::gorillaFemales(), m = testing::gorillaMales();
  AnalysisRequest request;
  request.data1 = &f;
  request.data2 = &m;
  request.settings.componentsText = "2";
  const AnalysisAction* action = findAnalysisAction("PrincipalComponents");
  std::string text = action->run(request, silentHost()).text;
  EXPECT_THAT(text, HasSubstr("Principal angles between group 1 and group 2 (degrees): 19.23 86.92"
                              "\nRoot sum of squares: 89.02"));
  EXPECT_THAT(text, HasSubstr("\n         5   1.19851e-04      6.06          83.94\n"));

  request.settings.componentsText = "13";
  EXPECT_THAT(errorMessage([&] { action->run(request, silentHost()); }),
              HasSubstr("from 1 to 12 (the number of shape variables); it is 13"));
  // Raw coordinates of four specimens vary in three directions at most.
  Matrix few = f.topRows(4);
  request.data1 = &few;
  request.settings.partialWarps = false;
  request.settings.componentsText = "4";
  EXPECT_EQ(errorMessage([&] { action->run(request, silentHost()); }),
            "group 1: its covariance matrix has 3 independent directions, fewer than the 4 "
            "components asked for");
  Matrix one = f.topRows(1);
  request.data1 = &one;
  EXPECT_THAT(errorMessage([&] { action->run(request, silentHost()); }),
              HasSubstr("group 1 has 1 specimen"));
}

TEST(DataEllipse, IsTheNinetyFivePercentContourOfTheCovariance) {
  Matrix pts(5, 2);
  pts << 0, 0, 2, 1, -1, 3, 4, -2, 1, 1;
  Matrix e = dataEllipse(pts, 0.95, 40);
  ASSERT_EQ(e.rows(), 41);
  EXPECT_TRUE(e.row(0).isApprox(e.row(40)));
  RowVector mean = pts.colwise().mean();
  Matrix centred = pts.rowwise() - mean;
  Matrix inv = ((centred.transpose() * centred) / 4.0).inverse();
  for (Index i = 0; i < e.rows(); ++i) {
    RowVector d = e.row(i) - mean;
    EXPECT_NEAR((d * inv * d.transpose())(0), 5.991464547107979, 1e-9);
  }
  EXPECT_EQ(dataEllipse(pts.topRows(2), 0.95, 40).rows(), 0);
}

}  // namespace
}  // namespace vexmoor
