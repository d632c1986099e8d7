// The pictures of the covariance analyses, drawn straight into a
// QCustomPlot from a result's numbers (never from a window's state), for
// the batch front end's --plot and for the window alike. One page per
// analysis, the caption (the files and settings) at its foot:
//   - RelativeEigenanalysis: one pair's relative eigenvalues on a log scale
//     with 1 marked and their bootstrap intervals; the first and the last
//     relative eigenvector as shape changes of ±c standard deviations of
//     the group that varies more along it (its loadings where the
//     variables are no functions of landmarks);
//   - CovarianceDistances: the groups on two principal coordinates, named,
//     and the Riemannian distances as a table;
//   - RandomSkewers: one pair's correlations as a histogram over that of
//     the reference correlations of random vectors;
//   - MatrixCorrelation: every pair's correlation as a table;
//   - CommonSubspace: H's leading eigenvectors as shape changes (±c pooled
//     within-group standard deviations) with their eigenvalues, and the
//     angles between each group's subspace and each of them as a table.
// Tables are heat maps with the numbers printed in their cells. A choice
// out of range throws vexmoor::Error naming it, and the plot is left as it
// was.
#pragma once

#include <QSize>
#include <cstddef>

#include "analyses/covariance_result.h"

class QCustomPlot;

namespace vexmoor {

struct CovariancePictureChoice {
  size_t pair = 0;  // RelativeEigenanalysis, RandomSkewers: 0-based, in the result's order
  int axisX = 0;    // CovarianceDistances: 0-based principal coordinates
  int axisY = 1;
  double deviations = 2;  // c: shape changes of ±c standard deviations
};

void drawCovariancePage(QCustomPlot& plot, const CovarianceResult& result,
                        const CovariancePictureChoice& choice = {});

// The size the page reads well at (points; PNG files take twice as many
// pixels).
QSize covariancePageSize(const CovarianceResult& result);

}  // namespace vexmoor
