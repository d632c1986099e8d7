#include "runtime/operation_table.h"

#include <array>
#include <cassert>

#include "runtime/error.h"

namespace vexmoor {
namespace {

// The system's operations, in the order of the table.
constexpr std::array<OperationDeclaration, 47> kDeclarations{{
    {"Vexmoor", -1, -1, 1},
    {"mezeysw", 1, 0, 1},
    {"centsize", 1, 1, 1},
    {"setsymbolfill", 2, 0, 1},
    {"incrementsymbolsize", 2, 0, 1},
    {"incrementlinethickness", 2, 0, 1},
    {"CopyBigImage", 1, 0, 1},
    {"setlinethickness", 2, 0, 1},
    {"setsymbolbw", 1, 0, 1},
    {"guidata", 2, 1, 1},
    {"guihandles", 1, 1, 1},
    {"openfig", 2, 1, 1},
    {"cla", -1, 1, 1},
    {"flury_aic", 4, 1, 1},
    {"fluryloglike", 5, 1, 1},
    {"getconsensuspca", 1, 2, 1},
    {"getpproc3", 1, 2, 1},
    {"getpsup", 2, 1, 1},
    {"getpw3d", 2, 1, 1},
    {"getpwpca", 2, 1, 1},
    {"krzanangle", 3, 3, 1},
    {"mezeyangle", 3, 3, 1},
    {"mfload", 1, 2, 1},
    {"pcaref3d", 1, 2, 1},
    {"rotate3da", 2, 1, 1},
    {"showshape", 2, 1, 1},
    {"showshape3D", 2, 0, 1},
    {"vertxy3D", 1, 1, 1},
    {"centpos", 1, 1, 1},
    {"isvarname", 1, 1, 1},
    {"movegui", -1, 0, 1},
    {"flury_f", 4, 3, 1},
    {"flury_pcm", 4, 5, 1},
    {"flury_pcp", 6, 6, 1},
    {"centsize3Da", 1, 1, 1},
    {"partialprocrustes3a", 2, 1, 1},
    {"lmatrix3da", 1, 4, 1},
    {"gettpse", 1, 1, 1},
    {"gettspl", 1, 1, 1},
    {"scpcoeffpca", 3, 1, 3},
    {"vertxy", 1, 1, 1},
    {"dload", 1, 1, 1},
    {"iskeyword", 1, 1, 1},
    {"flury_g", 4, 1, 1},
    {"svdrot2", 2, 1, 1},
    {"uspline", 2, 1, 1},
    {"uniparmproc", 1, 1, 1},
}};

std::string prefix(const OperationDeclaration& d) {
  return "Run-time Error: File: " + std::string(d.name) +
         " Line: 1 Column: " + std::to_string(d.column) + " ";
}

}  // namespace

std::string argumentCountMessage(const OperationDeclaration& d, bool outputs) {
  int count = outputs ? d.outputs : d.inputs;
  return prefix(d) + "The function \"" + std::string(d.name) +
         "\" was called with more than the declared number of " + (outputs ? "outputs" : "inputs") +
         " (" + std::to_string(count) + ").";
}

std::string missingInputMessage(std::string_view op, std::string_view input) {
  return "Run-time Error: File: " + std::string(op) + " Line: 1 Column: 1 The input \"" +
         std::string(input) + "\" of \"" + std::string(op) + "\" has no value.";
}

const Value& requiredArg(std::span<const Value> args, size_t i, std::string_view op,
                         std::string_view input) {
  if (i >= args.size()) {
    throw Error(missingInputMessage(op, input));
  }
  return args[i];
}

const Matrix& matrixInput(std::span<const Value> args, size_t i, std::string_view op,
                          std::string_view input) {
  return matrixArg(requiredArg(args, i, op, input), op, input);
}

double scalarInput(std::span<const Value> args, size_t i, std::string_view op,
                   std::string_view input) {
  return scalarArg(requiredArg(args, i, op, input), op, input);
}

const std::string& textInput(std::span<const Value> args, size_t i, std::string_view op,
                             std::string_view input) {
  return textArg(requiredArg(args, i, op, input), op, input);
}

LandmarkArray landmarkArrayInput(std::span<const Value> args, size_t i, std::string_view op,
                                 std::string_view input) {
  return landmarkArrayArg(requiredArg(args, i, op, input), op, input);
}

OperationTable::OperationTable() : m_ops(kDeclarations.size()) {}

std::span<const OperationDeclaration> OperationTable::declarations() const {
  return kDeclarations;
}

const OperationDeclaration* OperationTable::find(std::string_view name) const {
  for (const OperationDeclaration& d : kDeclarations) {
    if (d.name == name) {
      return &d;
    }
  }
  return nullptr;
}

void OperationTable::bind(std::string_view name, Operation op) {
  const OperationDeclaration* d = find(name);
  assert(d && "binding an operation the table does not declare");
  m_ops[static_cast<size_t>(d - kDeclarations.data())] = std::move(op);
}

bool OperationTable::isBound(std::string_view name) const {
  const OperationDeclaration* d = find(name);
  return d && m_ops[static_cast<size_t>(d - kDeclarations.data())] != nullptr;
}

std::vector<Value> OperationTable::call(std::string_view name, std::span<const Value> args,
                                        int nargout) const {
  const OperationDeclaration* d = find(name);
  if (!d) {
    throw Error("Undefined function or variable \"" + std::string(name) + "\".");
  }
  if (d->outputs >= 0 && nargout > d->outputs) {
    throw Error(argumentCountMessage(*d, true));
  }
  if (d->inputs >= 0 && static_cast<int>(args.size()) > d->inputs) {
    throw Error(argumentCountMessage(*d, false));
  }
  const Operation& op = m_ops[static_cast<size_t>(d - kDeclarations.data())];
  if (!op) {
    throw Error("the operation \"" + std::string(name) + "\" is not available in this program");
  }
  std::vector<Value> results = op(args, nargout);
  size_t keep = static_cast<size_t>(std::max(nargout, 1));
  if (results.size() > keep) {
    results.resize(keep);
  }
  if (static_cast<int>(results.size()) < nargout) {
    throw Error("Run-time Error: File: " + std::string(name) +
                " Line: 1 Column: 1 One or more output arguments not assigned during call to \"" +
                std::string(name) + "\".");
  }
  return results;
}

}  // namespace vexmoor
