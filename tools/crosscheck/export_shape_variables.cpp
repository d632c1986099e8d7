// Writes the shape variables that RunCPC analyses (the matrices X1 and X2 of
// the common preparation, consensus rounded to four decimals) as text, for
// the independent check of the covariance-model table.
//
//   export_shape_variables GROUP1_FILE GROUP2_FILE [--raw | --3d]
//
// Output: a line "m1 m2 p", then the m1 rows of group 1 and the m2 rows of
// group 2, p numbers each, with 17 significant digits.
#include <cstdio>
#include <exception>
#include <string>

#include "compare/analysis_input.h"
#include "io/landmark_file.h"

int main(int argc, char** argv) {
  using namespace vexmoor;
  if (argc < 3) {
    std::fprintf(stderr, "usage: export_shape_variables GROUP1_FILE GROUP2_FILE [--raw | --3d]\n");
    return 2;
  }
  try {
    Matrix data1 = readLandmarkFile(argv[1]);
    Matrix data2 = readLandmarkFile(argv[2]);
    AnalysisSettings settings;
    std::string option = argc > 3 ? argv[3] : "";
    settings.partialWarps = option != "--raw";
    settings.threeD = option == "--3d";
    AnalysisInput in = prepareAnalysis(&data1, &data2, settings, ConsensusRounding::kFourDecimals,
                                       ComponentsText::kIgnore, silentHost());
    std::printf("%ld %ld %ld\n", static_cast<long>(in.m1), static_cast<long>(in.m2),
                static_cast<long>(in.x1.cols()));
    for (const Matrix* x : {&in.x1, &in.x2}) {
      for (Index r = 0; r < x->rows(); ++r) {
        for (Index c = 0; c < x->cols(); ++c) {
          std::printf(c == 0 ? "%.17g" : " %.17g", (*x)(r, c));
        }
        std::printf("\n");
      }
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
}
