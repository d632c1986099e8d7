// C-style formatting with the conventions of our result texts.
//
// - In the format, the two-character escapes \n, \t and \\ give a line break,
//   a tab and a backslash; %% gives a percent sign.
// - Conversions: %d %i %u %f %e %g %s (%E %G %x %o %c too), with flags,
//   width and precision.
// - %d and %i of a value that is not whole switch to %e, as a whole-number
//   conversion cannot show it.
// - Non-finite numbers print as "Inf", "-Inf" or "NaN", padded to the width.
// - Arguments left over after the last conversion run the format again; the
//   output stops at the first conversion that has no argument left.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace vexmoor {

using FormatArg = std::variant<double, std::string_view>;

std::string format(std::string_view fmt, std::initializer_list<FormatArg> args = {});

}  // namespace vexmoor
