// The callback texts of a layout: a call of an operation by name with
// literal arguments, for example
//   mezeysw('DoMezeyAngle')
//   setsymbolfill(gca, 1)
//   Vexmoor('pushbutton1_Callback', gcbo, [], guidata(gcbo))
// Arguments are texts in single quotes (two quotes for one), numbers, rows
// of numbers in brackets ([] is empty), or further calls; a name without
// parentheses is a call without arguments. A final semicolon is allowed.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/value.h"

namespace vexmoor {

struct CallExpression;

struct CallArgument {
  std::variant<Value, std::shared_ptr<CallExpression>> content;
};

struct CallExpression {
  std::string name;
  std::vector<CallArgument> args;
};

// Throws vexmoor::Error naming the text and the column where it goes wrong.
CallExpression parseCallbackText(std::string_view text);

}  // namespace vexmoor
