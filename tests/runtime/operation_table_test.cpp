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
  struct Expected {
    const char* name;
    int inputs, outputs;
  };
  const std::vector<Expected> all = {{"Vexmoor", -1, -1},
                                     {"mezeysw", 1, 0},
                                     {"centsize", 1, 1},
                                     {"setsymbolfill", 2, 0},
                                     {"incrementsymbolsize", 2, 0},
                                     {"incrementlinethickness", 2, 0},
                                     {"CopyBigImage", 1, 0},
                                     {"setlinethickness", 2, 0},
                                     {"setsymbolbw", 1, 0},
                                     {"guidata", 2, 1},
                                     {"guihandles", 1, 1},
                                     {"openfig", 2, 1},
                                     {"cla", -1, 1},
                                     {"flury_aic", 4, 1},
                                     {"fluryloglike", 5, 1},
                                     {"getconsensuspca", 1, 2},
                                     {"getpproc3", 1, 2},
                                     {"getpsup", 2, 1},
                                     {"getpw3d", 2, 1},
                                     {"getpwpca", 2, 1},
                                     {"krzanangle", 3, 3},
                                     {"mezeyangle", 3, 3},
                                     {"mfload", 1, 2},
                                     {"pcaref3d", 1, 2},
                                     {"rotate3da", 2, 1},
                                     {"showshape", 2, 1},
                                     {"showshape3D", 2, 0},
                                     {"vertxy3D", 1, 1},
                                     {"centpos", 1, 1},
                                     {"isvarname", 1, 1},
                                     {"movegui", -1, 0},
                                     {"flury_f", 4, 3},
                                     {"flury_pcm", 4, 5},
                                     {"flury_pcp", 6, 6},
                                     {"centsize3Da", 1, 1},
                                     {"partialprocrustes3a", 2, 1},
                                     {"lmatrix3da", 1, 4},
                                     {"gettpse", 1, 1},
                                     {"gettspl", 1, 1},
                                     {"scpcoeffpca", 3, 1},
                                     {"vertxy", 1, 1},
                                     {"dload", 1, 1},
                                     {"iskeyword", 1, 1},
                                     {"flury_g", 4, 1},
                                     {"svdrot2", 2, 1},
                                     {"uspline", 2, 1},
                                     {"uniparmproc", 1, 1}};
  ASSERT_EQ(d.size(), all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(d[i].name, all[i].name) << "entry " << i + 1;
    EXPECT_EQ(d[i].inputs, all[i].inputs) << all[i].name;
    EXPECT_EQ(d[i].outputs, all[i].outputs) << all[i].name;
    const OperationDeclaration* found = t.find(all[i].name);
    ASSERT_NE(found, nullptr) << all[i].name;
    EXPECT_EQ(found, &d[i]) << all[i].name;
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
