// Groups that join a session one at a time, as the window loads them:
// group 1, then group 2, each replaced at will, both forgotten together.
// Each file is read as a run reads its files and checked when it is
// loaded, so that a run of the two later fails on nothing loading could
// have said. A run of the session's groups goes through runAnalysis like
// any other.
#pragma once

#include <optional>
#include <string>

#include "api/input_groups.h"
#include "runtime/error.h"
#include "runtime/host.h"

namespace vexmoor {

// Reads the file at `path` as loadGroups reads a file of a run: the format
// from the content, the identifiers, notes on the host's console and
// warnings in its message box. The group is known by `path` in messages
// and in the JSON. Throws vexmoor::Error naming the file, and
// IncompleteSpecimens when `missing` refuses specimens with missing values.
InputGroup readSessionGroup(const std::string& path, Host& host,
                            MissingValues missing = MissingValues::kRefuse);

// The dimension of a session: the setting until a group settles it.
struct SessionDimension {
  bool threeD = false;
  bool settled = false;  // a group was loaded: a file of the other dimension is refused
};

// How a group joins the session.
struct SessionJoin {
  bool threeD = false;  // the group's dimension, and the session's from now on
  // The file states the other dimension than the setting, and the session,
  // not settled yet, takes the file's.
  bool followsFile = false;
};

// A plain file whose column count fits landmarks of the other dimension,
// not of the session's: the message says so, for the front end to add how
// its user chooses the dimension.
class OtherDimensionColumns : public Error {
 public:
  OtherDimensionColumns(const std::string& message, bool fitsThreeD)
      : Error(message), m_fitsThreeD(fitsThreeD) {}
  bool fitsThreeD() const { return m_fitsThreeD; }

 private:
  bool m_fitsThreeD;
};

// Settles `group`'s dimension in `session` (a file that states its own
// takes the session there while it is not settled, and is refused once it
// is) and checks its columns: landmarks of that dimension, or, in two
// dimensions, a table of variables (for the raw-coordinate path, the only
// one it can take). Throws OtherDimensionColumns or vexmoor::Error naming
// the file; reads nothing.
SessionJoin joinSession(const InputGroup& group, const SessionDimension& session);

// Why the analyses will refuse groups 1 and 2 as loaded: other numbers of
// landmarks (columns of their data matrices); nullopt when they agree.
std::optional<std::string> landmarkMismatch(const InputGroup& group1, const InputGroup& group2,
                                            bool threeD);

}  // namespace vexmoor
