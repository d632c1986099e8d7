#include "api/input_groups.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "io/group_assignment.h"
#include "io/landmark_file.h"
#include "io/reader_support.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

void report(const GroupInfo& info, const std::string& path, Host& host) {
  for (const std::string& w : info.warnings) {
    host.messageBox("file \"" + path + "\": " + w);
  }
  if (host.consoleEnabled()) {
    for (const std::string& n : info.notes) {
      host.consoleWrite("note: file \"" + path + "\": " + n + "\n");
    }
  }
}

void keepDropped(const GroupInfo& info, const std::string& file, RunGroups& out) {
  if (!info.dropped.empty()) {
    out.dropped.push_back({file, info.kind, info.dropped});
  }
}

void takeNamed(NamedGroups named, const std::string& file, Host& host, RunGroups& out) {
  report(named.info, file, host);
  keepDropped(named.info, file, out);
  for (size_t g = 0; g < named.groups.size(); ++g) {
    out.groups.push_back({named.names[g], file, std::move(named.groups[g])});
  }
}

// How messages name where a group given one by one came from.
std::string sourceText(const InputGroup& g) {
  return (g.inMemory ? "group \"" : "file \"") + escapeNonPrintable(g.file) + "\"";
}

// Groups given as coordinates know their landmarks: a difference is told
// in landmarks, not in values a specimen. Groups of different dimensions
// are left to the run, which names the dimensions.
void checkSameLandmarks(const std::vector<InputGroup>& groups) {
  const InputGroup& first = groups.front();
  const std::optional<int>& d = first.group.info.dimension;
  for (const InputGroup& g : groups) {
    if (!d || g.group.info.dimension != d || g.group.data.cols() == first.group.data.cols()) {
      continue;
    }
    auto landmarks = [&](const InputGroup& x) { return (x.group.data.cols() - 1) / *d; };
    throw Error(sourceText(g) + " holds " + std::to_string(landmarks(g)) + " landmarks, " +
                sourceText(first) + " " + std::to_string(landmarks(first)) + "; " +
                (groups.size() == 2 ? "both" : "all") + " groups must have the same landmarks");
  }
}

std::vector<std::string> namesOf(const RunGroups& run) {
  std::vector<std::string> names;
  for (const InputGroup& g : run.groups) {
    names.push_back(g.name);
  }
  return names;
}

// One file under both names: the same spelling, the same file (links
// included), or for files that do not exist the same path once resolved.
bool sameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  if (a == b) {
    return true;
  }
  std::error_code ec;
  bool same = fs::equivalent(a, b, ec);
  if (!ec) {
    return same;
  }
  std::error_code ecA, ecB;
  fs::path resolvedA = fs::weakly_canonical(fs::absolute(a, ecA), ecA);
  fs::path resolvedB = fs::weakly_canonical(fs::absolute(b, ecB), ecB);
  return !ecA && !ecB && resolvedA == resolvedB;
}

// Each specimen's sub-group from the classifier's column `column`, found
// by the specimen's identifier (classifyGroups has matched every one).
void attachClassifiedWithin(const std::string& classifier, const std::string& column,
                            RunGroups& out) {
  Classifier labels = readClassifier(classifier, column);
  std::map<std::string, std::string> of;
  for (size_t i = 0; i < labels.identifiers.size(); ++i) {
    of.emplace(labels.identifiers[i], labels.groups[i]);
  }
  for (InputGroup& g : out.groups) {
    for (const std::string& id : g.group.info.identifiers) {
      g.within.push_back(of.at(id));
    }
  }
}

}  // namespace

std::vector<std::string> fileGroupNames(const std::vector<std::string>& files) {
  std::vector<std::string> stems, names;
  for (const std::string& f : files) {
    stems.push_back(std::filesystem::path(f).stem().string());
  }
  for (size_t i = 0; i < stems.size(); ++i) {
    bool shared = std::count(stems.begin(), stems.end(), stems[i]) > 1;
    names.push_back(stems[i].empty() || shared ? files[i] : stems[i]);
  }
  return names;
}

void checkGroupNames(const std::vector<std::string>& names) {
  std::map<std::string, size_t> seen;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    std::string group = "group " + std::to_string(i + 1);
    if (name.empty()) {
      throw Error(group + " has an empty name; every group needs one");
    }
    auto control = std::find_if(name.begin(), name.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    if (control != name.end()) {
      throw Error(group + "'s name \"" + escapeNonPrintable(name) + "\" holds " +
                  (*control == '\n' || *control == '\r' ? "a line break" : "a control character") +
                  "; a group name must be one line of text");
    }
    auto [it, added] = seen.emplace(name, i);
    if (!added) {
      throw Error("groups " + std::to_string(it->second + 1) + " and " + std::to_string(i + 1) +
                  " are both named \"" + escapeNonPrintable(name) +
                  "\"; every group needs its own name");
    }
  }
}

void checkFilesNamedOnce(const std::vector<std::string>& files) {
  for (size_t i = 1; i < files.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (!sameFile(files[i], files[j])) {
        continue;
      }
      std::string what = files[i] == files[j]
                             ? "file \"" + escapeNonPrintable(files[i]) + "\" is"
                             : "files \"" + escapeNonPrintable(files[j]) + "\" and \"" +
                                   escapeNonPrintable(files[i]) + "\" are one file";
      throw Error(what + " named twice; every group needs its own file");
    }
  }
}

bool namesGroups(const GroupSources& sources) {
  return sources.groupBy || sources.classifier || sources.files.size() > 2;
}

RunGroups loadGroups(const GroupSources& sources, Host& host) {
  RunGroups out;
  out.named = namesGroups(sources);
  out.sources = sources;
  if (sources.files.empty()) {
    throw Error("no data file given");
  }
  const std::string& file = sources.files.front();
  const MissingValues missing =
      sources.dropIncomplete ? MissingValues::kDropIncomplete : MissingValues::kRefuse;
  if (sources.groupBy && sources.within) {
    LabelledGroups labelled = readSubgroupedTable(file, *sources.groupBy, *sources.within);
    takeNamed(std::move(labelled.named), file, host, out);
    for (size_t g = 0; g < out.groups.size(); ++g) {
      out.groups[g].within = std::move(labelled.labels[g]);
    }
  } else if (sources.groupBy) {
    takeNamed(readGroupedTable(file, *sources.groupBy, missing), file, host, out);
  } else if (sources.classifier) {
    LandmarkGroup all = readGroupFile(file, missing);
    Classifier classifier = readClassifier(*sources.classifier, sources.by.value_or(""));
    takeNamed(classifyGroups(all, file, classifier), file, host, out);
    if (sources.within) {
      attachClassifiedWithin(*sources.classifier, *sources.within, out);
    }
  } else {
    if (out.named) {
      checkFilesNamedOnce(sources.files);
    }
    std::vector<std::string> names = fileGroupNames(sources.files);
    for (size_t i = 0; i < sources.files.size(); ++i) {
      LabelledGroup g;
      if (sources.within) {
        g = readLabelledTable(sources.files[i], *sources.within);
      } else {
        g.group = readGroupFile(sources.files[i], missing);
      }
      report(g.group.info, sources.files[i], host);
      keepDropped(g.group.info, sources.files[i], out);
      out.groups.push_back({out.named ? names[i] : "", sources.files[i], std::move(g.group)});
      out.groups.back().within = std::move(g.labels);
    }
  }
  return out;
}

InputGroup groupFromCoordinates(const Matrix& coordinates, int dimension,
                                std::vector<std::string> identifiers, std::string label) {
  if (dimension != 2 && dimension != 3) {
    throw Error(label + ": the dimension must be 2 or 3, not " + std::to_string(dimension));
  }
  const Index n = coordinates.rows(), columns = coordinates.cols();
  if (n == 0) {
    throw Error(label + ": the group has no specimens");
  }
  if (columns == 0 || columns % dimension != 0) {
    throw Error(label + ": " + std::to_string(columns) +
                " coordinates a specimen are no whole number of " + std::to_string(dimension) +
                "-dimensional landmarks");
  }
  if (columns == dimension) {
    throw Error(label + ": one landmark a specimen has no shape; a group needs 2 or more");
  }
  if (!identifiers.empty() && static_cast<Index>(identifiers.size()) != n) {
    throw Error(label + ": " + std::to_string(identifiers.size()) + " identifiers for " +
                std::to_string(n) + " specimens");
  }
  std::vector<double> values;
  values.reserve(static_cast<size_t>(n * columns));
  for (Index i = 0; i < n; ++i) {
    for (Index j = 0; j < columns; ++j) {
      double v = coordinates(i, j);
      if (!std::isfinite(v)) {
        throw Error(label + ", specimen " + std::to_string(i + 1) + ", coordinate " +
                    std::to_string(j + 1) + ": " +
                    (std::isnan(v) ? "NaN"
                     : v > 0       ? "Inf"
                                   : "-Inf") +
                    " is not a finite number");
      }
      values.push_back(v);
    }
  }
  InputGroup g;
  g.file = std::move(label);
  g.inMemory = true;
  g.group.data = withCentroidSizes(values, n, columns / dimension, dimension);
  g.group.info.kind = RowKind::kLandmarks;
  g.group.info.dimension = dimension;
  g.specimensNamed = !identifiers.empty();
  if (identifiers.empty()) {
    for (Index i = 1; i <= n; ++i) {
      identifiers.push_back(std::to_string(i));
    }
  }
  g.group.info.identifiers = std::move(identifiers);
  return g;
}

InputGroup groupFromFileCoordinates(const Matrix& coordinates, int dimension,
                                    std::vector<std::string> identifiers, std::string file,
                                    std::string_view format) {
  InputGroup g = groupFromCoordinates(coordinates, dimension, std::move(identifiers), file);
  g.inMemory = false;
  g.group.info.format = GroupFormat::kPlain;
  for (GroupFormat f :
       {GroupFormat::kTps, GroupFormat::kNts, GroupFormat::kTable, GroupFormat::kMorphologika}) {
    if (formatName(f) == format) {
      g.group.info.format = f;
    }
  }
  return g;
}

GroupCoordinates readGroupCoordinates(const std::string& path, std::optional<int> dimension,
                                      Host& host, MissingValues missing) {
  GroupCoordinates out;
  out.group = readGroupFile(path, missing);
  report(out.group.info, path, host);
  if (out.group.info.kind == RowKind::kVariables) {
    throw Error("file \"" + path + "\" is " + variablesTableText(out.group) +
                "; a group needs landmark coordinates");
  }
  const std::optional<int>& stated = out.group.info.dimension;
  if (stated && dimension && *stated != *dimension) {
    throw Error("file \"" + path + "\" holds " + std::to_string(*stated) +
                "-dimensional landmarks, not " + std::to_string(*dimension) + "-dimensional ones");
  }
  out.dimension = stated ? *stated : dimension.value_or(2);
  if (out.group.info.kind == RowKind::kUnstated) {
    checkLandmarkColumns(out.group.data, out.dimension == 3, path);
  }
  out.coordinates = out.group.data.leftCols(out.group.data.cols() - 1);
  return out;
}

RunGroups groupsInMemory(std::vector<InputGroup> groups, bool named) {
  RunGroups out;
  for (InputGroup& g : groups) {
    if (!named) {
      g.name.clear();
    }
    if (!g.inMemory) {
      out.sources.files.push_back(g.file);
      keepDropped(g.group.info, g.file, out);
    }
  }
  if (out.sources.files.size() != groups.size()) {
    out.sources.files.clear();
  }
  out.groups = std::move(groups);
  out.named = named || out.groups.size() > 2;
  if (!out.groups.empty()) {
    checkSameLandmarks(out.groups);
  }
  if (out.named) {
    checkGroupNames(namesOf(out));
  }
  return out;
}

RunGroups splitByLabels(const InputGroup& all, const std::vector<std::string>& labels) {
  const size_t n = static_cast<size_t>(all.group.data.rows());
  if (labels.size() != n) {
    throw Error(all.file + ": " + std::to_string(labels.size()) + " group labels for " +
                std::to_string(n) + " specimens");
  }
  if (!all.within.empty() && all.within.size() != n) {
    throw Error(all.file + ": " + std::to_string(all.within.size()) + " sub-group labels for " +
                std::to_string(n) + " specimens");
  }
  std::vector<std::string> names;
  std::map<std::string, size_t> index;
  std::vector<std::vector<Index>> rows;
  for (size_t i = 0; i < n; ++i) {
    std::string name(trimWhiteSpace(labels[i]));
    if (name.empty()) {
      throw Error(all.file + ", specimen " + std::to_string(i + 1) + ": the group label is empty");
    }
    auto [it, added] = index.emplace(name, names.size());
    if (added) {
      names.push_back(name);
      rows.emplace_back();
    }
    rows[it->second].push_back(static_cast<Index>(i));
  }
  if (names.size() < 2) {
    throw Error(all.file + ": every specimen has the one group \"" + escapeNonPrintable(names[0]) +
                "\"; comparing groups needs at least two");
  }
  RunGroups out;
  out.named = true;
  for (size_t g = 0; g < names.size(); ++g) {
    InputGroup part;
    part.name = names[g];
    part.file = all.file;
    part.inMemory = all.inMemory;
    part.specimensNamed = all.specimensNamed;
    part.group.info = all.group.info;
    part.group.info.identifiers.clear();
    part.group.data.resize(static_cast<Index>(rows[g].size()), all.group.data.cols());
    for (size_t r = 0; r < rows[g].size(); ++r) {
      Index row = rows[g][r];
      part.group.data.row(static_cast<Index>(r)) = all.group.data.row(row);
      part.group.info.identifiers.push_back(
          all.group.info.identifiers.at(static_cast<size_t>(row)));
      if (!all.within.empty()) {
        part.within.push_back(all.within.at(static_cast<size_t>(row)));
      }
    }
    out.groups.push_back(std::move(part));
  }
  checkGroupNames(namesOf(out));
  return out;
}

}  // namespace vexmoor
