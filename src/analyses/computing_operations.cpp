#include "analyses/computing_operations.h"

#include "compare/compare_operations.h"
#include "cpc/cpc_operations.h"
#include "io/io_operations.h"
#include "shape/shape_operations.h"

namespace vexmoor {

void bindComputingOperations(OperationTable& table, Host& host) {
  bindIoOperations(table);
  bindShapeOperations(table);
  bindThreeDimensionalShapeOperations(table, host);
  bindCompareOperations(table, host);
  bindCpcOperations(table, host);
}

}  // namespace vexmoor
