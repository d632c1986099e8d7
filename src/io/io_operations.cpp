#include "io/io_operations.h"

#include "io/landmark_file.h"

namespace vexmoor {

void bindIoOperations(OperationTable& table) {
  table.bind("dload", [](std::span<const Value> args, int) -> std::vector<Value> {
    const std::string& path = textInput(args, 0, "dload", "fname");
    return {readLandmarkFile(path)};
  });
}

}  // namespace vexmoor
