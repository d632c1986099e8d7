#include "io/tps_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <set>

#include "io/reader_support.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

struct Keyword {
  std::string name;  // upper case
  std::string_view value;
};

// NAME=value with a name of letters and digits, a letter first.
std::optional<Keyword> keywordOf(std::string_view line) {
  line = trimWhiteSpace(line);
  size_t eq = line.find('=');
  if (eq == std::string_view::npos || eq == 0) {
    return std::nullopt;
  }
  std::string_view name = trimWhiteSpace(line.substr(0, eq));
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) {
    return std::nullopt;
  }
  Keyword k;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      return std::nullopt;
    }
    k.name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  k.value = trimWhiteSpace(line.substr(eq + 1));
  return k;
}

std::optional<size_t> wholeNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) {
    return std::nullopt;
  }
  size_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  return n;
}

struct Specimen {
  size_t number = 0;  // 1-based
  size_t lmLine = 0;
  int dimension = 2;
  size_t landmarks = 0;
  size_t offset = 0;  // of its first coordinate in the values
  std::optional<double> scale;
  std::string id, image;
};

class TpsReader {
 public:
  explicit TpsReader(LineSource& source) : m_source(source), m_label(source.label()) {}

  LandmarkGroup read() {
    std::string_view line;
    while (m_source.next(line)) {
      if (!isBlankLine(line)) {
        take(line, m_source.lineNumber());
      }
    }
    endOfFile();
    return group();
  }

 private:
  std::string where(size_t lineNo) const {
    std::string w = fileLine(m_label, lineNo);
    if (m_current) {
      w += " (specimen " + std::to_string(m_current->number) + ")";
    }
    return w;
  }

  std::string lmName(int dimension) const { return dimension == 3 ? "LM3=" : "LM="; }

  void take(std::string_view line, size_t lineNo) {
    std::optional<Keyword> keyword = keywordOf(line);
    if (m_coordinatesDue > 0) {
      if (keyword) {
        throw Error(
            where(lineNo) + ": a coordinate line is missing: " + lmName(m_current->dimension) +
            std::to_string(m_current->landmarks) + " on line " + std::to_string(m_current->lmLine) +
            " announces " + std::to_string(m_current->landmarks) + ", " +
            std::to_string(m_current->landmarks - m_coordinatesDue) + " come before this line");
      }
      coordinateLine(line, lineNo);
      --m_coordinatesDue;
      return;
    }
    if (m_pointsDue > 0) {
      if (keyword) {
        throw Error(where(lineNo) + ": POINTS=" + std::to_string(m_pointsAnnounced) +
                    " announces " + std::to_string(m_pointsAnnounced) + " lines, " +
                    std::to_string(m_pointsAnnounced - m_pointsDue) + " come before this line");
      }
      --m_pointsDue;
      return;
    }
    if (!keyword) {
      std::string shown = shownToken(trimWhiteSpace(line));
      if (!m_current) {
        throw Error(where(lineNo) + ": \"" + shown + "\" stands before the first LM= line");
      }
      throw Error(where(lineNo) + ": \"" + shown + "\" is neither a keyword line nor one of the " +
                  std::to_string(m_current->landmarks) + " coordinate lines that " +
                  lmName(m_current->dimension) + " on line " + std::to_string(m_current->lmLine) +
                  " announces");
    }
    keywordLine(*keyword, lineNo);
  }

  void coordinateLine(std::string_view line, size_t lineNo) {
    size_t n = 0;
    try {
      n = appendNumbers(line, m_values, true);
    } catch (const Error& e) {
      rethrowWithContext(where(lineNo), e);
    }
    if (n != static_cast<size_t>(m_current->dimension)) {
      throw Error(where(lineNo) + ": " + std::to_string(n) +
                  " numbers where a coordinate line of " + lmName(m_current->dimension) + " has " +
                  std::to_string(m_current->dimension));
    }
    // The digitising programs write a landmark they could not place as -999
    // in every coordinate.
    auto landmark = m_values.end() - static_cast<std::ptrdiff_t>(n);
    if (std::all_of(landmark, m_values.end(), [](double v) { return v == -999; })) {
      std::fill(landmark, m_values.end(), kMissingValue);
    }
    checkValueCount(m_values.size(), m_label, lineNo);
  }

  void keywordLine(const Keyword& k, size_t lineNo) {
    if (k.name == "LM" || k.name == "LM3") {
      finishSpecimen();
      std::optional<size_t> count = wholeNumber(k.value);
      Specimen s;
      s.number = m_specimens.size() + 1;
      s.lmLine = lineNo;
      s.dimension = k.name == "LM3" ? 3 : 2;
      s.offset = m_values.size();
      m_current = s;
      if (!count) {
        throw Error(where(lineNo) + ": " + k.name + "= needs a whole number of landmarks; \"" +
                    shownToken(k.value) + "\" is not one");
      }
      m_current->landmarks = *count;
      m_coordinatesDue = *count;
      return;
    }
    if (!m_current) {
      throw Error(where(lineNo) + ": " + k.name + "= stands before the first LM= line");
    }
    if (k.name == "ID") {
      m_current->id = std::string(k.value);
    } else if (k.name == "IMAGE") {
      m_current->image = std::string(k.value);
    } else if (k.name == "COMMENT") {
      if (!k.value.empty()) {
        m_comments.push_back("specimen " + std::to_string(m_current->number) + ": " +
                             std::string(k.value));
      }
    } else if (k.name == "SCALE") {
      m_current->scale = scaleOf(k.value, lineNo);
    } else if (k.name == "CURVES" || k.name == "OUTLINES") {
      m_curvesSeen = true;
      m_curveCount += wholeNumber(k.value).value_or(0);
    } else if (k.name == "POINTS") {
      std::optional<size_t> count = wholeNumber(k.value);
      if (!count) {
        throw Error(where(lineNo) + ": POINTS= needs a whole number of points; \"" +
                    shownToken(k.value) + "\" is not one");
      }
      m_curvesSeen = true;
      m_pointsAnnounced = *count;
      m_pointsDue = *count;
    } else {
      m_otherKeywords.insert(k.name + "=");
    }
  }

  double scaleOf(std::string_view value, size_t lineNo) const {
    if (value.empty()) {
      throw Error(where(lineNo) + ": SCALE= has no value; it must be a positive number");
    }
    std::optional<double> v = parseNumber(value);
    if (!v || !std::isfinite(*v) || !(*v > 0)) {
      throw Error(where(lineNo) + ": SCALE= must be a positive number; \"" + shownToken(value) +
                  "\" is not one");
    }
    return *v;
  }

  void finishSpecimen() {
    if (!m_current) {
      return;
    }
    const Specimen& s = *m_current;
    if (!m_specimens.empty()) {
      const Specimen& first = m_specimens.front();
      if (s.dimension != first.dimension || s.landmarks != first.landmarks) {
        throw Error(fileLine(m_label, s.lmLine) + " (specimen " + std::to_string(s.number) + "): " +
                    lmName(s.dimension) + std::to_string(s.landmarks) + " where specimen 1 has " +
                    lmName(first.dimension) + std::to_string(first.landmarks) +
                    "; all specimens must have the same landmarks");
      }
    }
    if (s.scale) {
      for (size_t i = s.offset; i < m_values.size(); ++i) {
        m_values[i] *= *s.scale;
      }
    }
    m_specimens.push_back(s);
    m_current.reset();
  }

  void endOfFile() {
    size_t last = m_source.lineNumber();
    if (m_coordinatesDue > 0) {
      throw Error(fileNamed(m_label) + ", specimen " + std::to_string(m_current->number) +
                  ": a coordinate line is missing: " + lmName(m_current->dimension) +
                  std::to_string(m_current->landmarks) + " on line " +
                  std::to_string(m_current->lmLine) + " announces " +
                  std::to_string(m_current->landmarks) + ", the file ends after " +
                  std::to_string(m_current->landmarks - m_coordinatesDue));
    }
    if (m_pointsDue > 0) {
      throw Error(where(last) + ": POINTS=" + std::to_string(m_pointsAnnounced) + " announces " +
                  std::to_string(m_pointsAnnounced) + " lines, the file ends after " +
                  std::to_string(m_pointsAnnounced - m_pointsDue));
    }
    finishSpecimen();
    if (m_specimens.empty()) {
      throw Error(fileNamed(m_label) + " holds no LM= line");
    }
    if (m_specimens.front().landmarks == 0) {
      throw Error(fileNamed(m_label) + " holds no landmarks (LM=0 for every specimen)");
    }
  }

  LandmarkGroup group() {
    LandmarkGroup g;
    GroupInfo& info = g.info;
    info.format = GroupFormat::kTps;
    info.kind = RowKind::kLandmarks;
    int dimension = m_specimens.front().dimension;
    info.dimension = dimension;
    std::vector<size_t> unscaled;
    size_t scaled = 0;
    for (const Specimen& s : m_specimens) {
      info.identifiers.push_back(!s.id.empty()      ? s.id
                                 : !s.image.empty() ? s.image
                                                    : std::to_string(s.number));
      if (s.scale) {
        ++scaled;
      } else {
        unscaled.push_back(s.number);
      }
    }
    if (scaled > 0) {
      info.notes.push_back("coordinates multiplied by SCALE= for " + std::to_string(scaled) +
                           " of " + std::to_string(m_specimens.size()) + " specimens");
      if (!unscaled.empty()) {
        info.warnings.push_back(specimenList(unscaled) +
                                " without SCALE= while others have one: coordinates taken as "
                                "they stand");
      }
    }
    if (m_curvesSeen) {
      info.notes.push_back("curves and outlines skipped (" + std::to_string(m_curveCount) +
                           " in all): their POINTS= are semilandmarks, not read as landmarks");
    }
    for (const std::string& k : m_otherKeywords) {
      info.notes.push_back("keyword " + k + " skipped");
    }
    info.comments = std::move(m_comments);
    auto rows = static_cast<Index>(m_specimens.size());
    g.data = withCentroidSizes(m_values, rows, static_cast<Index>(m_specimens.front().landmarks),
                               dimension);
    return g;
  }

  LineSource& m_source;
  const std::string& m_label;
  std::vector<double> m_values;
  std::vector<Specimen> m_specimens;
  std::optional<Specimen> m_current;
  size_t m_coordinatesDue = 0;
  size_t m_pointsDue = 0;
  size_t m_pointsAnnounced = 0;
  bool m_curvesSeen = false;
  size_t m_curveCount = 0;
  std::set<std::string> m_otherKeywords;
  std::vector<std::string> m_comments;
};

}  // namespace

bool isTpsLandmarkLine(std::string_view line) {
  std::optional<Keyword> k = keywordOf(line);
  return k && (k->name == "LM" || k->name == "LM3");
}

LandmarkGroup readTpsFile(LineSource& source) {
  return TpsReader(source).read();
}

}  // namespace vexmoor
