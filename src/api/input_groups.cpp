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

void takeNamed(NamedGroups named, const std::string& file, Host& host, RunGroups& out) {
  report(named.info, file, host);
  for (size_t g = 0; g < named.groups.size(); ++g) {
    out.groups.push_back({named.names[g], file, std::move(named.groups[g])});
  }
}

std::string trimmed(const std::string& s) {
  size_t begin = s.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) {
    return "";
  }
  return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
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
  if (sources.groupBy) {
    takeNamed(readGroupedTable(file, *sources.groupBy), file, host, out);
  } else if (sources.classifier) {
    LandmarkGroup all = readGroupFile(file);
    Classifier classifier = readClassifier(*sources.classifier, sources.by.value_or(""));
    takeNamed(classifyGroups(all, file, classifier), file, host, out);
  } else {
    std::vector<std::string> names = fileGroupNames(sources.files);
    for (size_t i = 0; i < sources.files.size(); ++i) {
      LandmarkGroup g = readGroupFile(sources.files[i]);
      report(g.info, sources.files[i], host);
      out.groups.push_back({out.named ? names[i] : "", sources.files[i], std::move(g)});
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
                                      Host& host) {
  GroupCoordinates out;
  out.group = readGroupFile(path);
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
    }
  }
  if (out.sources.files.size() != groups.size()) {
    out.sources.files.clear();
  }
  out.groups = std::move(groups);
  out.named = named || out.groups.size() > 2;
  return out;
}

RunGroups splitByLabels(const InputGroup& all, const std::vector<std::string>& labels) {
  const size_t n = static_cast<size_t>(all.group.data.rows());
  if (labels.size() != n) {
    throw Error(all.file + ": " + std::to_string(labels.size()) + " group labels for " +
                std::to_string(n) + " specimens");
  }
  std::vector<std::string> names;
  std::map<std::string, size_t> index;
  std::vector<std::vector<Index>> rows;
  for (size_t i = 0; i < n; ++i) {
    std::string name = trimmed(labels[i]);
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
    }
    out.groups.push_back(std::move(part));
  }
  return out;
}

}  // namespace vexmoor
