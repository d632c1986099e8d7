#include "io/group_assignment.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

#include "io/line_source.h"
#include "io/reader_support.h"
#include "io/table_file.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::string quotedName(std::string_view name) {
  return "\"" + shownToken(name) + "\"";
}

// The whole file as text, read through the bounded line reader.
std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw Error("cannot open file \"" + escapeNonPrintable(path) + "\": " + std::strerror(errno));
  }
  LineSource source(in, path);
  std::string text;
  std::string_view line;
  while (source.next(line)) {
    text += line;
  }
  return text;
}

struct Header {
  size_t line = 0;  // 1-based
  char separator = ',';
  std::vector<std::string> fields;
};

Header findHeader(LineSource& source, const std::string& what) {
  std::string_view line;
  while (source.next(line)) {
    if (isBlankLine(line)) {
      continue;
    }
    Header h;
    h.line = source.lineNumber();
    std::string_view bare = line;
    while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r')) {
      bare.remove_suffix(1);
    }
    h.separator = tableSeparator(bare);
    h.fields = splitLineFields(source, line, h.separator, fileLine(source.label(), h.line));
    return h;
  }
  throw Error(what + " is empty");
}

size_t columnIndex(const Header& h, const std::string& column, const std::string& what) {
  for (size_t i = 0; i < h.fields.size(); ++i) {
    if (h.fields[i] == column) {
      return i;
    }
  }
  std::string list;
  for (size_t i = 0; i < h.fields.size() && i < 20; ++i) {
    list += (i == 0 ? "" : ", ") + quotedName(h.fields[i]);
  }
  if (h.fields.size() > 20) {
    list += ", ...";
  }
  throw Error(what + " has no column " + quotedName(column) + "; its first row holds " + list);
}

bool allEmpty(const std::vector<std::string>& fields) {
  for (const std::string& f : fields) {
    if (!f.empty()) {
      return false;
    }
  }
  return true;
}

void checkSeveralGroups(const std::vector<std::string>& names, const std::string& where) {
  if (names.size() == 1) {
    throw Error(where + " gives every specimen the one group " + quotedName(names[0]) +
                "; comparing groups needs at least two");
  }
}

// The rows of `all` whose group (index into `names`) is each group in turn.
NamedGroups splitRows(const LandmarkGroup& all, const std::vector<size_t>& groupOf,
                      std::vector<std::string> names) {
  NamedGroups out;
  out.info = all.info;
  out.names = std::move(names);
  for (size_t g = 0; g < out.names.size(); ++g) {
    std::vector<Index> rows;
    for (size_t i = 0; i < groupOf.size(); ++i) {
      if (groupOf[i] == g) {
        rows.push_back(static_cast<Index>(i));
      }
    }
    LandmarkGroup group;
    group.info = all.info;
    group.info.notes.clear();
    group.info.warnings.clear();
    group.info.comments.clear();
    group.info.dropped.clear();
    group.info.identifiers.clear();
    group.data.resize(static_cast<Index>(rows.size()), all.data.cols());
    for (size_t r = 0; r < rows.size(); ++r) {
      group.data.row(static_cast<Index>(r)) = all.data.row(rows[r]);
      if (static_cast<size_t>(rows[r]) < all.info.identifiers.size()) {
        group.info.identifiers.push_back(all.info.identifiers[static_cast<size_t>(rows[r])]);
      }
    }
    out.groups.push_back(std::move(group));
  }
  return out;
}

// A group label without the blanks around it, which a quoted field keeps:
// "a" and "a " name one group.
std::string groupLabel(std::string_view field) {
  return std::string(trimWhiteSpace(field));
}

size_t groupIndex(std::vector<std::string>& names, std::map<std::string, size_t>& index,
                  const std::string& name) {
  auto [it, added] = index.emplace(name, names.size());
  if (added) {
    names.push_back(name);
  }
  return it->second;
}

}  // namespace

namespace {

// A table without one of its columns, line for line, so that the table
// reader's messages keep their line numbers; with the column's value of
// each row of specimens (empty for a row whose field count is wrong, which
// the table reader then reports).
struct ColumnCut {
  std::string rest;
  std::vector<std::string> values;
};

ColumnCut cutColumn(std::string_view text, const std::string& label, const std::string& column,
                    const char* role) {
  LineSource source(text, label);
  Header header = findHeader(source, fileNamed(label));
  size_t c = columnIndex(header, column, fileNamed(label));
  std::string where = "column " + quotedName(column) + " of " + fileNamed(label);
  ColumnCut out;
  out.rest.assign(header.line - 1, '\n');
  std::string_view line;
  auto rejoin = [&](const std::vector<std::string>& fields) {
    std::string joined;
    bool first = true;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i != c) {
        joined += (first ? "" : std::string(1, header.separator)) +
                  fieldText(fields[i], header.separator);
        first = false;
      }
    }
    return joined + "\n";
  };
  out.rest += rejoin(header.fields);
  while (source.next(line)) {
    size_t lineNo = source.lineNumber();
    if (isBlankLine(line)) {
      out.rest += "\n";
      continue;
    }
    std::vector<std::string> fields =
        splitLineFields(source, line, header.separator, fileLine(label, lineNo));
    if (allEmpty(fields)) {
      out.rest += "\n";
      continue;
    }
    if (fields.size() != header.fields.size()) {
      // The table reader names the line and the counts.
      out.rest += std::string(line);
      if (out.rest.back() != '\n') {
        out.rest += '\n';
      }
      out.values.emplace_back();
      continue;
    }
    std::string value = groupLabel(fields[c]);
    if (value.empty()) {
      throw Error(fileLine(label, lineNo) + ": " + where + " is empty, so the specimen has no " +
                  role);
    }
    out.values.push_back(std::move(value));
    out.rest += rejoin(fields);
  }
  return out;
}

// The rows the table reader read from `cut.rest`, one for each value;
// specimens left out for missing values take their values with them.
LandmarkGroup readCutTable(ColumnCut& cut, const std::string& label, const char* role,
                           MissingValues missing) {
  LandmarkGroup all = parseGroupText(cut.rest, label, label, missing);
  for (auto s = all.info.dropped.rbegin(); s != all.info.dropped.rend(); ++s) {
    if (s->specimen <= cut.values.size()) {
      cut.values.erase(cut.values.begin() + static_cast<std::ptrdiff_t>(s->specimen - 1));
    }
  }
  if (static_cast<size_t>(all.data.rows()) != cut.values.size()) {
    throw Error(fileNamed(label) + ": " + std::to_string(all.data.rows()) +
                " specimens were read but " + std::to_string(cut.values.size()) + " rows hold a " +
                role + "; every row of specimens needs one");
  }
  return all;
}

struct Grouping {
  NamedGroups named;
  std::vector<size_t> groupOf;  // the group of each row
};

Grouping groupedTable(std::string_view text, const std::string& label, const std::string& column,
                      MissingValues missing = MissingValues::kRefuse) {
  ColumnCut cut = cutColumn(text, label, column, "group");
  LandmarkGroup all = readCutTable(cut, label, "group", missing);
  std::vector<std::string> names;
  std::map<std::string, size_t> index;
  Grouping out;
  for (const std::string& v : cut.values) {
    out.groupOf.push_back(groupIndex(names, index, v));
  }
  checkSeveralGroups(names, "column " + quotedName(column) + " of " + fileNamed(label));
  out.named = splitRows(all, out.groupOf, std::move(names));
  return out;
}

}  // namespace

NamedGroups parseGroupedTable(std::string_view text, const std::string& label,
                              const std::string& column, MissingValues missing) {
  return groupedTable(text, label, column, missing).named;
}

LabelledGroup parseLabelledTable(std::string_view text, const std::string& label,
                                 const std::string& column) {
  ColumnCut cut = cutColumn(text, label, column, "sub-group");
  LandmarkGroup group = readCutTable(cut, label, "sub-group", MissingValues::kRefuse);
  return {std::move(group), std::move(cut.values)};
}

LabelledGroup readLabelledTable(const std::string& path, const std::string& column) {
  return parseLabelledTable(fileText(path), path, column);
}

LabelledGroups parseSubgroupedTable(std::string_view text, const std::string& label,
                                    const std::string& groupColumn,
                                    const std::string& labelColumn) {
  if (groupColumn == labelColumn) {
    throw Error("column " + quotedName(groupColumn) + " of " + fileNamed(label) +
                " cannot name both the groups and their sub-groups");
  }
  ColumnCut cut = cutColumn(text, label, labelColumn, "sub-group");
  Grouping grouping = groupedTable(cut.rest, label, groupColumn);
  if (grouping.groupOf.size() != cut.values.size()) {
    throw Error(fileNamed(label) + ": " + std::to_string(grouping.groupOf.size()) +
                " specimens were read but " + std::to_string(cut.values.size()) +
                " rows hold a sub-group; every row of specimens needs one");
  }
  LabelledGroups out;
  out.labels.resize(grouping.named.names.size());
  for (size_t i = 0; i < cut.values.size(); ++i) {
    out.labels[grouping.groupOf[i]].push_back(std::move(cut.values[i]));
  }
  out.named = std::move(grouping.named);
  return out;
}

LabelledGroups readSubgroupedTable(const std::string& path, const std::string& groupColumn,
                                   const std::string& labelColumn) {
  return parseSubgroupedTable(fileText(path), path, groupColumn, labelColumn);
}

NamedGroups readGroupedTable(const std::string& path, const std::string& column,
                             MissingValues missing) {
  return parseGroupedTable(fileText(path), path, column, missing);
}

Classifier parseClassifier(std::string_view text, const std::string& label,
                           const std::string& column) {
  std::string what = "classifier \"" + escapeNonPrintable(label) + "\"";
  LineSource source(text, label);
  Header header = findHeader(source, what);
  size_t c = columnIndex(header, column, what);
  if (c == 0) {
    throw Error(what + ": column " + quotedName(column) +
                " is its first column, which holds the specimen identifiers; give the column "
                "of groups");
  }
  Classifier out;
  out.label = label;
  std::map<std::string, size_t> seen;
  std::string_view line;
  while (source.next(line)) {
    size_t lineNo = source.lineNumber();
    std::string at = what + ", line " + std::to_string(lineNo);
    if (isBlankLine(line)) {
      continue;
    }
    std::vector<std::string> fields = splitLineFields(source, line, header.separator, at);
    if (allEmpty(fields)) {
      continue;
    }
    if (fields.size() != header.fields.size()) {
      throw Error(at + ": " + std::to_string(fields.size()) + " fields where the header has " +
                  std::to_string(header.fields.size()));
    }
    if (fields[0].empty()) {
      throw Error(at + ": the specimen identifier (first column) is empty");
    }
    std::string group = groupLabel(fields[c]);
    if (group.empty()) {
      throw Error(at + ": specimen " + quotedName(fields[0]) + " has no group in column " +
                  quotedName(column));
    }
    auto [it, added] = seen.emplace(fields[0], lineNo);
    if (!added) {
      throw Error(at + ": specimen " + quotedName(fields[0]) + " is listed twice (also on line " +
                  std::to_string(it->second) + ")");
    }
    out.identifiers.push_back(fields[0]);
    out.groups.push_back(std::move(group));
    out.lines.push_back(lineNo);
  }
  if (out.identifiers.empty()) {
    throw Error(what + " has a header but no specimens");
  }
  return out;
}

Classifier readClassifier(const std::string& classifierPath, const std::string& column) {
  return parseClassifier(fileText(classifierPath), classifierPath, column);
}

NamedGroups classifyGroups(const LandmarkGroup& all, const std::string& dataLabel,
                           const Classifier& classifier) {
  std::string what = "classifier \"" + escapeNonPrintable(classifier.label) + "\"";
  std::map<std::string, size_t> entry;
  for (size_t i = 0; i < classifier.identifiers.size(); ++i) {
    entry.emplace(classifier.identifiers[i], i);
  }
  const std::vector<std::string>& ids = all.info.identifiers;
  // The classifier finds a specimen by its identifier: two specimens of
  // one identifier would both take its group, whichever was meant.
  std::map<std::string, size_t> firstOf;
  for (size_t i = 0; i < ids.size(); ++i) {
    auto [it, added] = firstOf.emplace(ids[i], i);
    if (!added) {
      throw Error(fileNamed(dataLabel) + ": specimens " + std::to_string(it->second + 1) + " and " +
                  std::to_string(i + 1) + " are both " + quotedName(ids[i]) + "; " + what +
                  " assigns groups by identifier, so each specimen needs its own");
    }
  }
  std::vector<std::string> missing;
  std::vector<bool> used(classifier.identifiers.size(), false);
  std::vector<std::string> names;
  std::map<std::string, size_t> index;
  std::vector<size_t> groupOf;
  for (const std::string& id : ids) {
    auto it = entry.find(id);
    if (it == entry.end()) {
      missing.push_back(id);
      continue;
    }
    used[it->second] = true;
    groupOf.push_back(groupIndex(names, index, classifier.groups[it->second]));
  }
  if (!missing.empty()) {
    std::string more = missing.size() == 1
                           ? ""
                           : " (and " + std::to_string(missing.size() - 1) + " more specimen" +
                                 (missing.size() == 2 ? "" : "s") + ")";
    throw Error(fileNamed(dataLabel) + ": specimen " + quotedName(missing[0]) +
                " has no group in " + what + more);
  }
  for (const DroppedSpecimen& d : all.info.dropped) {
    if (auto it = entry.find(d.identifier); it != entry.end()) {
      used[it->second] = true;
    }
  }
  for (size_t i = 0; i < used.size(); ++i) {
    if (!used[i]) {
      throw Error(what + ", line " + std::to_string(classifier.lines[i]) + ": specimen " +
                  quotedName(classifier.identifiers[i]) + " is not in " + fileNamed(dataLabel));
    }
  }
  checkSeveralGroups(names, what);
  return splitRows(all, groupOf, std::move(names));
}

}  // namespace vexmoor
