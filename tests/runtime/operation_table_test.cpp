#include "runtime/operation_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

std::vector<Value> values(size_t n) {
  return std::vector<Value>(n, scalarValue(1));
}

// An operation that records that it ran and answers as many results as asked.
Operation recorder(int& calls) {
  return [&calls](std::span<const Value>, int nargout) {
    ++calls;
    return std::vector<Value>(static_cast<size_t>(std::max(nargout, 1)), scalarValue(7));
  };
}

TEST(OperationTable, DeclaresTheOperationsInOrderWithTheirCounts) {
  OperationTable t;
  auto d = t.declarations();
  ASSERT_EQ(d.size(), 47u);
  EXPECT_EQ(d.front().name, "Vexmoor");
  EXPECT_EQ(d[1].name, "mezeysw");
  EXPECT_EQ(d[15].name, "getconsensuspca");
  EXPECT_EQ(d.back().name, "uniparmproc");
  struct Expected {
    const char* name;
    int inputs, outputs;
  };
  for (Expected e : {Expected{"Vexmoor", -1, -1},
                     {"mezeysw", 1, 0},
                     {"cla", -1, 1},
                     {"getconsensuspca", 1, 2},
                     {"krzanangle", 3, 3},
                     {"mezeyangle", 3, 3},
                     {"mfload", 1, 2},
                     {"flury_pcm", 4, 5},
                     {"flury_pcp", 6, 6},
                     {"lmatrix3da", 1, 4},
                     {"scpcoeffpca", 3, 1},
                     {"movegui", -1, 0},
                     {"dload", 1, 1},
                     {"uniparmproc", 1, 1}}) {
    const OperationDeclaration* found = t.find(e.name);
    ASSERT_NE(found, nullptr) << e.name;
    EXPECT_EQ(found->inputs, e.inputs) << e.name;
    EXPECT_EQ(found->outputs, e.outputs) << e.name;
  }
  // Names are exact: letter case counts.
  EXPECT_EQ(t.find("Getpsup"), nullptr);
  EXPECT_NE(t.find("showshape3D"), nullptr);
  EXPECT_EQ(t.find("showshape3d"), nullptr);
}

TEST(OperationTable, TooManyOutputsGiveTheRuntimeMessageBeforeAnythingRuns) {
  OperationTable t;
  int calls = 0;
  t.bind("getpsup", recorder(calls));
  auto args = values(2);
  EXPECT_EQ(errorMessage([&] { t.call("getpsup", args, 2); }),
            "Run-time Error: File: getpsup Line: 1 Column: 1 The function \"getpsup\" was called "
            "with more than the declared number of outputs (1).");
  EXPECT_EQ(calls, 0);
}

TEST(OperationTable, TooManyInputsGiveTheRuntimeMessage) {
  OperationTable t;
  int calls = 0;
  t.bind("getpsup", recorder(calls));
  auto args = values(3);
  EXPECT_EQ(errorMessage([&] { t.call("getpsup", args, 1); }),
            "Run-time Error: File: getpsup Line: 1 Column: 1 The function \"getpsup\" was called "
            "with more than the declared number of inputs (2).");
  EXPECT_EQ(calls, 0);
}

TEST(OperationTable, TheOutputCheckComesFirst) {
  OperationTable t;
  auto args = values(4);
  // Both counts exceeded: the output message wins, for bound and unbound names.
  EXPECT_EQ(errorMessage([&] { t.call("mezeyangle", args, 4); }),
            "Run-time Error: File: mezeyangle Line: 1 Column: 1 The function \"mezeyangle\" was "
            "called with more than the declared number of outputs (3).");
  auto two = values(2);
  EXPECT_EQ(errorMessage([&] { t.call("mezeysw", two, 1); }),
            "Run-time Error: File: mezeysw Line: 1 Column: 1 The function \"mezeysw\" was called "
            "with more than the declared number of outputs (0).");
  EXPECT_EQ(errorMessage([&] { t.call("mezeysw", two, 0); }),
            "Run-time Error: File: mezeysw Line: 1 Column: 1 The function \"mezeysw\" was called "
            "with more than the declared number of inputs (1).");
}

TEST(OperationTable, ScpcoeffpcaNamesColumnThree) {
  OperationTable t;
  auto four = values(4);
  EXPECT_EQ(errorMessage([&] { t.call("scpcoeffpca", four, 1); }),
            "Run-time Error: File: scpcoeffpca Line: 1 Column: 3 The function \"scpcoeffpca\" was "
            "called with more than the declared number of inputs (3).");
  auto three = values(3);
  EXPECT_EQ(errorMessage([&] { t.call("scpcoeffpca", three, 2); }),
            "Run-time Error: File: scpcoeffpca Line: 1 Column: 3 The function \"scpcoeffpca\" was "
            "called with more than the declared number of outputs (1).");
}

TEST(OperationTable, AnyCountIsAllowedWhereTheDeclarationSaysSo) {
  OperationTable t;
  int calls = 0;
  t.bind("Vexmoor", recorder(calls));
  auto many = values(9);
  EXPECT_EQ(t.call("Vexmoor", many, 5).size(), 5u);
  EXPECT_EQ(calls, 1);
}

TEST(OperationTable, ExactCountsRunAndSurplusResultsAreCut) {
  OperationTable t;
  t.bind("krzanangle", [](std::span<const Value>, int) {
    return std::vector<Value>{scalarValue(1), scalarValue(2), scalarValue(3)};
  });
  auto args = values(3);
  EXPECT_EQ(t.call("krzanangle", args, 3).size(), 3u);
  auto one = t.call("krzanangle", args, 1);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(std::get<Matrix>(one[0])(0, 0), 1);
  EXPECT_EQ(t.call("krzanangle", args, 0).size(), 1u);  // the answer alone
}

TEST(OperationTable, UnknownUnboundAndUnassignedAreErrors) {
  OperationTable t;
  auto one = values(1);
  EXPECT_EQ(errorMessage([&] { t.call("nosuchthing", one); }),
            "Undefined function or variable \"nosuchthing\".");
  EXPECT_FALSE(t.isBound("dload"));
  EXPECT_NE(errorMessage([&] { t.call("dload", one, 1); }).find("not available"),
            std::string::npos);
  t.bind("getconsensuspca",
         [](std::span<const Value>, int) { return std::vector<Value>{scalarValue(1)}; });
  EXPECT_TRUE(t.isBound("getconsensuspca"));
  EXPECT_EQ(errorMessage([&] { t.call("getconsensuspca", one, 2); }),
            "Run-time Error: File: getconsensuspca Line: 1 Column: 1 One or more output arguments "
            "not assigned during call to \"getconsensuspca\".");
}

TEST(OperationTable, MissingInputNamesTheInput) {
  std::vector<Value> none;
  EXPECT_EQ(errorMessage([&] { requiredArg(none, 0, "mezeysw", "Action"); }),
            "Run-time Error: File: mezeysw Line: 1 Column: 1 The input \"Action\" of \"mezeysw\" "
            "has no value.");
}

TEST(OperationTable, EveryDeclarationGetsItsOwnMessages) {
  OperationTable t;
  for (const OperationDeclaration& d : t.declarations()) {
    if (d.outputs >= 0) {
      std::string m = argumentCountMessage(d, true);
      std::string name(d.name);
      EXPECT_EQ(m, "Run-time Error: File: " + name + " Line: 1 Column: " +
                       (name == "scpcoeffpca" ? "3" : "1") + " The function \"" + name +
                       "\" was called with more than the declared number of outputs (" +
                       std::to_string(d.outputs) + ").");
    }
  }
}

}  // namespace
}  // namespace vexmoor
