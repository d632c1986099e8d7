#include "io/morphologika_file.h"

#include <cmath>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "io/reader_support.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::string sectionName(std::string_view line) {
  std::string name(trimWhiteSpace(trimWhiteSpace(line).substr(1, trimWhiteSpace(line).size() - 2)));
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return name;
}

struct Count {
  size_t value = 0;
  size_t line = 0;
};

struct Specimen {
  std::string name;
  size_t line = 0;
  size_t numbers = 0;
};

class MorphologikaReader {
 public:
  explicit MorphologikaReader(LineSource& source) : m_source(source), m_label(source.label()) {}

  LandmarkGroup read() {
    std::string_view line;
    while (m_source.next(line)) {
      std::string_view t = trimWhiteSpace(line);
      if (t.empty()) {
        continue;
      }
      size_t lineNo = m_source.lineNumber();
      if (isMorphologikaSection(t)) {
        m_section = sectionName(t);
        if (m_section == "rawpoints") {
          m_rawpointsSeen = true;
        }
        continue;
      }
      if (t.front() == '\'') {
        if (m_section == "rawpoints" && t.size() > 1 && t[1] == '#') {
          m_specimens.push_back({std::string(trimWhiteSpace(t.substr(2))), lineNo, 0});
        }
        continue;
      }
      content(t, lineNo);
    }
    return group();
  }

 private:
  std::string inSection() const { return fileNamed(m_label) + ", section [" + m_section + "]"; }

  void content(std::string_view t, size_t lineNo) {
    if (m_section.empty()) {
      throw Error(fileLine(m_label, lineNo) + ": \"" + shownToken(t) +
                  "\" stands before the first [section]");
    }
    if (m_section == "individuals" || m_section == "landmarks" || m_section == "dimensions") {
      std::optional<double> v = parseNumber(t);
      // The range first: converting a larger value to size_t is undefined.
      if (!v || !(*v >= 1 && *v <= 1e9) || *v != std::floor(*v)) {
        throw Error(fileLine(m_label, lineNo) + ", section [" + m_section + "]: \"" +
                    shownToken(t) + "\" is not a positive whole number");
      }
      Count& c = m_section == "individuals" ? m_individuals
                 : m_section == "landmarks" ? m_landmarks
                                            : m_dimensions;
      c = {static_cast<size_t>(*v), lineNo};
    } else if (m_section == "names") {
      m_names.emplace_back(t);
    } else if (m_section == "labels") {
      m_labels.emplace_back(t);
    } else if (m_section == "rawpoints") {
      size_t n = 0;
      try {
        n = appendNumbers(t, m_values, true);
      } catch (const Error& e) {
        rethrowWithContext(fileLine(m_label, lineNo) + ", section [rawpoints]", e);
      }
      if (!m_specimens.empty()) {
        m_specimens.back().numbers += n;
      } else {
        m_unmarked += n;
      }
      checkValueCount(m_values.size(), m_label, lineNo);
    } else {
      m_skipped.insert(m_section);
    }
  }

  void require(const Count& c, const char* name) const {
    if (c.line == 0) {
      throw Error(fileNamed(m_label) + " has no [" + name + "] section");
    }
  }

  void checkCounts(size_t n, size_t k, size_t d) const {
    std::string need = "[individuals] " + std::to_string(n) + ", [landmarks] " + std::to_string(k) +
                       " and [dimensions] " + std::to_string(d);
    std::string raw = fileNamed(m_label) + ", section [rawpoints]";
    if (m_specimens.empty()) {
      if (m_values.size() != n * k * d) {
        throw Error(raw + ": " + std::to_string(m_values.size()) + " numbers where " + need +
                    " make " + std::to_string(n * k * d));
      }
      return;
    }
    if (m_unmarked > 0) {
      throw Error(raw + ": numbers before the first '# line of a specimen");
    }
    if (m_specimens.size() != n) {
      throw Error(raw + ": " + std::to_string(m_specimens.size()) +
                  " specimens ('# lines) where [individuals] says " + std::to_string(n));
    }
    for (size_t i = 0; i < m_specimens.size(); ++i) {
      const Specimen& s = m_specimens[i];
      if (s.numbers != k * d) {
        throw Error(raw + ", specimen " + std::to_string(i + 1) + " (\"" + shownToken(s.name) +
                    "\", line " + std::to_string(s.line) + "): " + std::to_string(s.numbers) +
                    " numbers where [landmarks] " + std::to_string(k) + " and [dimensions] " +
                    std::to_string(d) + " make " + std::to_string(k * d));
      }
    }
  }

  LandmarkGroup group() {
    require(m_individuals, "individuals");
    require(m_landmarks, "landmarks");
    require(m_dimensions, "dimensions");
    if (!m_rawpointsSeen) {
      throw Error(fileNamed(m_label) + " has no [rawpoints] section");
    }
    size_t n = m_individuals.value, k = m_landmarks.value, d = m_dimensions.value;
    if (d != 2 && d != 3) {
      throw Error(fileLine(m_label, m_dimensions.line) + ", section [dimensions]: " +
                  std::to_string(d) + " dimensions; landmarks have 2 or 3");
    }
    checkCounts(n, k, d);
    if (!m_names.empty() && m_names.size() != n) {
      throw Error(fileNamed(m_label) + ", section [names]: " + std::to_string(m_names.size()) +
                  " names where [individuals] says " + std::to_string(n));
    }
    LandmarkGroup g;
    GroupInfo& info = g.info;
    info.format = GroupFormat::kMorphologika;
    info.kind = RowKind::kLandmarks;
    info.dimension = static_cast<int>(d);
    for (size_t i = 0; i < n; ++i) {
      info.identifiers.push_back(!m_names.empty() ? m_names[i]
                                 : !m_specimens.empty() && !m_specimens[i].name.empty()
                                     ? m_specimens[i].name
                                     : std::to_string(i + 1));
    }
    if (!m_labels.empty()) {
      std::string text = "labels:";
      for (const std::string& l : m_labels) {
        text += " " + l;
      }
      info.comments.push_back(text);
    }
    for (const std::string& s : m_skipped) {
      info.notes.push_back("section [" + s + "] skipped");
    }
    g.data = withCentroidSizes(m_values, static_cast<Index>(n), static_cast<Index>(k),
                               static_cast<int>(d));
    return g;
  }

  LineSource& m_source;
  const std::string& m_label;
  std::string m_section;
  Count m_individuals, m_landmarks, m_dimensions;
  std::vector<std::string> m_names, m_labels;
  std::vector<Specimen> m_specimens;
  std::vector<double> m_values;
  size_t m_unmarked = 0;
  bool m_rawpointsSeen = false;
  std::set<std::string> m_skipped;
};

}  // namespace

bool isMorphologikaSection(std::string_view line) {
  std::string_view t = trimWhiteSpace(line);
  if (t.size() < 3 || t.front() != '[' || t.back() != ']') {
    return false;
  }
  for (char c : t.substr(1, t.size() - 2)) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ' ' || c == '_')) {
      return false;
    }
  }
  return true;
}

LandmarkGroup readMorphologikaFile(LineSource& source) {
  return MorphologikaReader(source).read();
}

}  // namespace vexmoor
