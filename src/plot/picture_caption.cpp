#include "plot/picture_caption.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "runtime/text.h"

namespace vexmoor {
namespace {

constexpr double kCaptionPoints = 7.5;
constexpr int kCaptionMargin = 12;  // the text element's margins, with room to spare

std::string nameOf(const std::string& file) {
  return escapeNonPrintable(std::filesystem::path(file).filename().string());
}

std::string filesOf(const RunDescription& run) {
  std::vector<std::string> files;
  if (!run.groups.empty()) {
    for (const GroupSource& g : run.groups) {
      files.push_back(nameOf(g.file));
    }
  } else {
    for (const std::string& f : {run.group1.file, run.group2.file}) {
      if (!f.empty()) {
        files.push_back(nameOf(f));
      }
    }
  }
  std::string line;
  for (const std::string& f : files) {
    line += (line.empty() ? "" : ", ") + f;
  }
  return line;
}

}  // namespace

std::string pValueLine(const AnalysisResult& result) {
  if (!result.resampling || result.resampling->pValues.empty()) {
    return "";
  }
  std::string line = "p-values:";
  bool first = true;
  for (const EmpiricalPValue& p : result.resampling->pValues) {
    // The names are identifiers of the JSON document; spaced for a reader.
    std::string name = p.name;
    std::replace(name.begin(), name.end(), '_', ' ');
    char value[32];
    std::snprintf(value, sizeof value, "%.4g", p.p);
    line += (first ? " " : ", ") + name + " " + value;
    first = false;
  }
  return line;
}

namespace {

// `line` broken after its separators so that no piece is wider than
// `width` pixels of `metrics`; a piece without a separator stays whole.
QString wrapped(const QString& line, const QFontMetrics& metrics, int width) {
  QString out, current;
  int from = 0;
  while (from < line.size()) {
    int dot = line.indexOf(QString::fromUtf8(" · "), from);
    int comma = line.indexOf(", ", from);
    int end = line.size();
    for (int at : {dot, comma}) {
      if (at >= 0) {
        end = std::min(end, at + (at == dot ? 3 : 2));
      }
    }
    QString piece = line.mid(from, end - from);
    from = end;
    if (!current.isEmpty() && metrics.horizontalAdvance(current + piece) > width) {
      out += current.trimmed() + "\n";
      current.clear();
    }
    current += piece;
  }
  return out + current;
}

}  // namespace

std::string pictureCaption(const AnalysisResult& result, const RunDescription& run) {
  std::string line = filesOf(run);
  if (result.groups.npca > 0) {
    line += " · k = " + std::to_string(result.groups.npca);
  }
  if (result.resampling) {
    line += " · v = " + std::to_string(run.settings.bootValue);
  }
  if (result.seed) {
    line += " · seed " + std::to_string(*result.seed);
  }
  line += run.settings.threeD         ? " · 3D"
          : run.settings.partialWarps ? " · partial warps"
                                      : " · raw coordinates";
  std::string p = pValueLine(result);
  return p.empty() ? line : line + "\n" + p;
}

void addCaption(QCustomPlot& plot, QCPLayoutGrid* layout, int row, const std::string& caption,
                int width) {
  QFont font = plot.font();
  font.setPointSizeF(kCaptionPoints);
  QFontMetrics metrics(font);
  QStringList lines;
  for (const QString& line : QString::fromStdString(caption).split('\n')) {
    lines << wrapped(line, metrics, width - kCaptionMargin);
  }
  auto* text = new QCPTextElement(&plot, lines.join('\n'), font);
  text->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
  layout->addElement(row, 0, text);
}

}  // namespace vexmoor
