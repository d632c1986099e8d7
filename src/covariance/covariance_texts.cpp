#include "covariance/covariance_texts.h"

#include <algorithm>

#include "runtime/format.h"

namespace vexmoor {
namespace {

std::string number(const char* fmt, double value) {
  return format(fmt, {value});
}

std::string whole(Index value) {
  return std::to_string(value);
}

// The title, then the line on the variables and, with sub-groups, how
// each group's matrix was made.
std::string heading(const std::string& title, const VariableReduction& reduction,
                    const VariablesNote& note) {
  std::string text = title;
  const std::string line = reductionLine(reduction);
  const std::string source =
      whole(reduction.variables) + " " + (note.source.empty() ? "variables as given" : note.source);
  text += "\n" + (line.empty() ? "Variables: the " + source : line + ", of the " + source);
  if (!note.within.empty()) {
    text += "\nEach group's covariance matrix: the mean of its sub-groups' (" + note.within + ")";
  }
  return text;
}

std::string sizes(const std::vector<std::string>& labels, const std::vector<std::string>& sizes) {
  std::string text;
  for (size_t g = 0; g < labels.size(); ++g) {
    text += "\n" + labels[g] + ": " + sizes[g];
  }
  return text;
}

std::string pairTitle(const std::vector<std::string>& labels, size_t a, size_t b,
                      const char* joint) {
  return labels[a] + joint + labels[b];
}

// Labels padded to one width, for the rows and columns of a table.
size_t labelWidth(const std::vector<std::string>& labels) {
  size_t width = 0;
  for (const std::string& l : labels) {
    width = std::max(width, l.size());
  }
  return std::max<size_t>(width, 10);
}

std::string padded(const std::string& s, size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

std::string squareTable(const std::vector<std::string>& labels, const Matrix& m, const char* fmt) {
  const size_t width = labelWidth(labels);
  std::string text = "\n" + std::string(width, ' ');
  for (const std::string& l : labels) {
    text += " " + padded(l, width);
  }
  for (size_t i = 0; i < labels.size(); ++i) {
    text += "\n" + padded(labels[i], width);
    for (size_t j = 0; j < labels.size(); ++j) {
      text += " " + padded(number(fmt, m(Index(i), Index(j))), width);
    }
  }
  return text;
}

std::string relativePair(const RelativeEigenanalysis& r, const RelativeEigenPair& pair) {
  std::string text = "\n\n" + pairTitle(r.labels, pair.first, pair.second, " relative to ");
  const bool boot = pair.bootstrap.has_value();
  text += boot ? format("\n vector    eigenvalue  %4.1f %% lower  %4.1f %% upper",
                        {50 * (1 - pair.bootstrap->level), 100 - 50 * (1 - pair.bootstrap->level)})
               : "\n vector    eigenvalue";
  for (Index i = 0; i < pair.eigenvalues.size(); ++i) {
    text += format("\n %6d  %12.7f", {double(i + 1), pair.eigenvalues(i)});
    if (boot) {
      text += format("  %12.7f  %12.7f", {pair.bootstrap->lower(i), pair.bootstrap->upper(i)});
    }
  }
  text += "\nRatio of generalised variances: " + number("%.7f", pair.generalizedVarianceRatio) +
          " (log " + number("%.7f", pair.logGeneralizedVarianceRatio);
  if (boot) {
    const Index last = pair.eigenvalues.size();
    text += ", interval " + number("%.7f", pair.bootstrap->lower(last)) + " to " +
            number("%.7f", pair.bootstrap->upper(last));
  }
  text += ")";
  text += "\nRiemannian distance: " + number("%.7f", pair.riemannianDistance);
  const Proportionality& t = pair.proportionality;
  text += "\nTest of proportionality: chi-squared " + number("%.4f", t.statistic) + ", df " +
          number("%g", t.df) + ", p = " + number("%.7g", t.p) + " (n = " + number("%.3f", t.n) +
          ", the harmonic mean of the group sizes)";
  if (t.fewSpecimens) {
    text += "\nWarning: n is below 10 times the " + whole(pair.eigenvalues.size()) +
            " variables; the chi-squared approximation is rough";
  }
  if (boot && pair.bootstrap->undefined > 0) {
    text += "\nNote: " + whole(pair.bootstrap->undefined) + " of the " +
            whole(pair.bootstrap->replicates) +
            " bootstrap replicates had a singular covariance matrix and count as undefined";
  }
  return text;
}

}  // namespace

std::string relativeEigenanalysisText(const RelativeEigenanalysis& r, const VariablesNote& note) {
  std::string text =
      heading("Relative eigenanalysis of the covariance matrices", r.reduction, note) +
      sizes(r.labels, r.sizes);
  if (!r.pairs.empty() && r.pairs.front().bootstrap) {
    text += "\nBootstrap within groups: " + whole(r.pairs.front().bootstrap->replicates) +
            " replicates";
  }
  for (const RelativeEigenPair& pair : r.pairs) {
    text += relativePair(r, pair);
  }
  return text;
}

std::string covarianceDistancesText(const CovarianceDistances& d, const VariablesNote& note) {
  std::string text = heading("Distances between the covariance matrices", d.reduction, note) +
                     sizes(d.labels, d.sizes);
  text += "\n\nRiemannian distances" + squareTable(d.labels, d.riemannian, "%.7f");
  if (d.logEuclidean.size() > 0) {
    text += "\n\nLog-Euclidean distances" + squareTable(d.labels, d.logEuclidean, "%.7f");
  }
  text += "\n\nPrincipal coordinates of the squared Riemannian distances";
  text += "\n   axis    eigenvalue    share   cumulative";
  const PrincipalCoordinates& o = d.ordination;
  for (Index i = 0; i < o.eigenvalues.size(); ++i) {
    text += format("\n %6d  %12.7f  %7.3f  %11.3f",
                   {double(i + 1), o.eigenvalues(i), o.shares(i), o.cumulativeShares(i)});
  }
  if (!d.tests.empty()) {
    text += "\n\nPermutation tests of each distance (" + whole(d.replicates) +
            " reassignments of the two groups' specimens)";
    for (const DistanceTest& t : d.tests) {
      text +=
          "\n" + pairTitle(d.labels, t.first, t.second, " and ") + ": p = " + number("%.7g", t.p);
      if (t.undefined > 0) {
        text += " (" + whole(t.undefined) + " reassignments with a singular matrix not counted)";
      }
    }
  }
  return text;
}

std::string randomSkewersText(const RandomSkewers& s, const VariablesNote& note, bool meanAngle) {
  std::string text = heading("Random skewers", s.reduction, note);
  text += "\n" + whole(s.skewers) + " random selection vectors";
  // Each column ends where its heading ends.
  text += "\n\n pair" + std::string(29, ' ') + "mean correlation       sd";
  text += meanAngle ? "   mean angle   p" : "   p";
  for (const SkewerPair& p : s.pairs) {
    std::string title = pairTitle(s.labels, p.first, p.second, " and ");
    text += "\n " + title + std::string(title.size() < 33 ? 33 - title.size() : 1, ' ') +
            format("%16.4f  %7.4f", {p.meanCorrelation, p.sd});
    text += meanAngle ? format("  %11.2f   %.7g", {p.meanAngle, p.p}) : format("   %.7g", {p.p});
  }
  return text;
}

std::string matrixCorrelationText(const MatrixCorrelation& c, const VariablesNote& note) {
  std::string text = heading("Matrix correlation", c.reduction, note);
  text += "\nElements: " + whole(c.elements) +
          (c.diagonal ? " (off-diagonal and diagonal)" : " (off-diagonal)");
  if (c.replicates > 0) {
    text += "\nPermutation test: " + whole(c.replicates) + " permutations of the " +
            (c.units == PermutedUnits::kLandmarks ? "landmarks" : "variables");
  }
  for (const CorrelationPair& p : c.pairs) {
    text += "\n" + pairTitle(c.labels, p.first, p.second, " and ") + ": " +
            number("%.4f", p.correlation);
    if (c.replicates > 0) {
      text += ", p = " + number("%.7g", p.p);
    }
  }
  return text;
}

std::string commonSubspaceText(const CommonSubspace& h, const VariablesNote& note) {
  std::string text = heading("Common subspace of the groups", h.reduction, note);
  text += "\nEach group's first " + whole(h.k) + " principal components; " +
          whole(Index(h.labels.size())) + " groups";
  text += "\n\n eigenvector   eigenvalue";
  if (h.null) {
    text += "   p";
  }
  const Index shown = std::min<Index>(h.eigenvalues.size(), Index(h.labels.size()) * h.k);
  for (Index i = 0; i < shown; ++i) {
    text += format("\n %11d  %11.7f", {double(i + 1), h.eigenvalues(i)});
    if (h.null) {
      text += "   " + number("%.7g", h.null->p(i));
    }
  }
  text += "\n\nAngles (degrees) between each group's subspace and the leading eigenvectors";
  const size_t width = labelWidth(h.labels);
  text += "\n" + std::string(width, ' ');
  for (int j = 0; j < h.k; ++j) {
    text += format(" %8d", {double(j + 1)});
  }
  for (size_t g = 0; g < h.labels.size(); ++g) {
    text += "\n" + padded(h.labels[g], width);
    for (int j = 0; j < h.k; ++j) {
      text += format(" %8.2f", {h.angles(Index(g), j)});
    }
  }
  if (h.null) {
    text += "\n\nNull: " + whole(h.null->replicates) +
            " random reassignments of the specimens to the groups";
  }
  return text;
}

}  // namespace vexmoor
