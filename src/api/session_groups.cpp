#include "api/session_groups.h"

#include "api/analysis_run.h"
#include "io/landmark_file.h"

namespace vexmoor {
namespace {

std::string dimensionWord(bool threeD) {
  return threeD ? "three-dimensional" : "two-dimensional";
}

// Whether the rows would make configurations of at least two landmarks of
// that dimension: one landmark is no shape, and no reason to suggest it.
bool fitsLandmarks(const Matrix& data, bool threeD) {
  try {
    checkLandmarkColumns(data, threeD, "");
    return data.cols() > 2 * (threeD ? 3 : 2);
  } catch (const Error&) {
    return false;
  }
}

}  // namespace

InputGroup readSessionGroup(const std::string& path, Host& host, MissingValues missing) {
  GroupSources sources;
  sources.files = {path};
  sources.dropIncomplete = missing == MissingValues::kDropIncomplete;
  return std::move(loadGroups(sources, host).groups.front());
}

SessionJoin joinSession(const InputGroup& group, const SessionDimension& session) {
  const GroupInfo& info = group.group.info;
  SessionJoin join;
  join.threeD = session.threeD;
  if (info.dimension && (*info.dimension == 3) != session.threeD) {
    bool stated = *info.dimension == 3;
    if (session.settled) {
      throw Error("file \"" + group.file + "\" holds " + dimensionWord(stated) +
                  " landmarks, but the groups of this run are " + dimensionWord(session.threeD));
    }
    join.threeD = stated;
    join.followsFile = true;
  }
  // A table of variables joins for the raw-coordinate path, the only one
  // it can take; landmarks for every path.
  bool variables = info.kind == RowKind::kVariables;
  try {
    checkRunColumns(group, join.threeD, !variables);
  } catch (const Error& e) {
    if (!variables && !info.dimension && fitsLandmarks(group.group.data, !join.threeD)) {
      throw OtherDimensionColumns(std::string(e.what()) + "; its values would fit " +
                                      dimensionWord(!join.threeD) + " landmarks",
                                  !join.threeD);
    }
    throw;
  }
  return join;
}

std::optional<std::string> landmarkMismatch(const InputGroup& group1, const InputGroup& group2,
                                            bool threeD) {
  const Matrix& data1 = group1.group.data;
  const Matrix& data2 = group2.group.data;
  if (data1.cols() == data2.cols()) {
    return std::nullopt;
  }
  Index perLandmark = threeD ? 3 : 2;
  auto landmarks = [&](const Matrix& m) {
    Index coordinates = m.cols() - 1;
    std::string n = std::to_string(coordinates / perLandmark);
    return coordinates % perLandmark == 0 ? n : n + "+";
  };
  return "warning: group 1 has " + landmarks(data1) + " landmarks and group 2 has " +
         landmarks(data2) + " (" + std::to_string(data1.cols()) + " and " +
         std::to_string(data2.cols()) +
         " columns): the analyses need the same landmarks in both groups";
}

}  // namespace vexmoor
