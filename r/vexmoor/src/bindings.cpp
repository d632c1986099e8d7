// The R side of the library interface: R's groups and settings turned into
// the interface's plain types, and its result (text, JSON document,
// replicates) into R values. Nothing is computed here. No C++ exception
// crosses into R: every failure comes back as list(error = message), which
// the R functions raise as a condition of class vexmoor_error.
#include <R_ext/Utils.h>
#include <RcppEigen.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "api/analysis_run.h"
#include "api/background_run.h"
#include "api/input_groups.h"
#include "api/stream_host.h"
#include "runtime/error.h"

namespace {

using nlohmann::json;
using vexmoor::Matrix;

// Numbers beyond 2^53 (64-bit seeds) do not fit a double exactly: they
// travel as text.
SEXP integerToR(double asDouble, const std::string& asText) {
  if (std::fabs(asDouble) <= 9007199254740992.0) {
    return Rcpp::wrap(asDouble);
  }
  return Rcpp::wrap(asText);
}

bool isNumber(const json& j) {
  return j.is_number() || j.is_null();
}

bool numericArray(const json& j) {
  bool any = false;
  for (const json& e : j) {
    if (!isNumber(e) ||
        (e.is_number_integer() && std::fabs(e.get<double>()) > 9007199254740992.0)) {
      return false;
    }
    any = any || e.is_number();
  }
  return any;
}

SEXP toR(const json& j);

SEXP arrayToR(const json& j) {
  if (j.empty()) {
    return Rcpp::List();
  }
  if (numericArray(j)) {
    Rcpp::NumericVector v(j.size());
    for (size_t i = 0; i < j.size(); ++i) {
      v[i] = j[i].is_null() ? NA_REAL : j[i].get<double>();
    }
    return v;
  }
  if (std::all_of(j.begin(), j.end(), [](const json& e) { return e.is_string(); })) {
    Rcpp::CharacterVector v(j.size());
    for (size_t i = 0; i < j.size(); ++i) {
      v[i] = Rcpp::String(j[i].get<std::string>(), CE_UTF8);
    }
    return v;
  }
  if (std::all_of(j.begin(), j.end(), [](const json& e) { return e.is_boolean(); })) {
    Rcpp::LogicalVector v(j.size());
    for (size_t i = 0; i < j.size(); ++i) {
      v[i] = j[i].get<bool>();
    }
    return v;
  }
  // Rows of numbers of one length (the k-group tables): a matrix.
  size_t width = j[0].is_array() ? j[0].size() : 0;
  bool rows =
      width > 0 && std::all_of(j.begin(), j.end(), [&](const json& e) {
        return e.is_array() && e.size() == width && std::all_of(e.begin(), e.end(), isNumber);
      });
  if (rows) {
    Rcpp::NumericMatrix m(j.size(), width);
    for (size_t r = 0; r < j.size(); ++r) {
      for (size_t c = 0; c < width; ++c) {
        m(r, c) = j[r][c].is_null() ? NA_REAL : j[r][c].get<double>();
      }
    }
    return m;
  }
  Rcpp::List list(j.size());
  for (size_t i = 0; i < j.size(); ++i) {
    list[i] = toR(j[i]);
  }
  return list;
}

SEXP toR(const json& j) {
  switch (j.type()) {
    case json::value_t::null:
      return R_NilValue;
    case json::value_t::boolean:
      return Rcpp::wrap(j.get<bool>());
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
      return integerToR(j.get<double>(), j.dump());
    case json::value_t::number_float:
      return Rcpp::wrap(j.get<double>());
    case json::value_t::string:
      return Rcpp::wrap(Rcpp::String(j.get<std::string>(), CE_UTF8));
    case json::value_t::array:
      return arrayToR(j);
    case json::value_t::object: {
      Rcpp::List list(j.size());
      Rcpp::CharacterVector names(j.size());
      size_t i = 0;
      for (auto it = j.begin(); it != j.end(); ++it, ++i) {
        names[i] = Rcpp::String(it.key(), CE_UTF8);
        list[i] = toR(it.value());
      }
      list.attr("names") = names;
      return list;
    }
    default:
      return R_NilValue;
  }
}

Rcpp::List failure(const std::string& message) {
  return Rcpp::List::create(Rcpp::Named("error") = message);
}

std::vector<std::string> strings(SEXP x) {
  if (Rf_isNull(x)) {
    return {};
  }
  return Rcpp::as<std::vector<std::string>>(x);
}

vexmoor::InputGroup groupOf(const Rcpp::List& g, size_t position) {
  Matrix coordinates = Rcpp::as<Eigen::MatrixXd>(g["coords"]);
  int dimension = Rcpp::as<int>(g["dim"]);
  std::string label = Rcpp::as<std::string>(g["label"]);
  std::vector<std::string> identifiers = strings(g["identifiers"]);
  vexmoor::InputGroup input =
      Rf_isNull(g["file"])
          ? vexmoor::groupFromCoordinates(coordinates, dimension, identifiers, label)
          : vexmoor::groupFromFileCoordinates(coordinates, dimension, identifiers,
                                              Rcpp::as<std::string>(g["file"]),
                                              Rcpp::as<std::string>(g["format"]));
  input.name = Rf_isNull(g["name"]) ? "group " + std::to_string(position + 1)
                                    : Rcpp::as<std::string>(g["name"]);
  return input;
}

vexmoor::RunSettings settingsOf(const Rcpp::List& s) {
  vexmoor::RunSettings out;
  out.action = Rcpp::as<std::string>(s["action"]);
  out.threeD = Rcpp::as<bool>(s["three_d"]);
  out.partialWarps = Rcpp::as<bool>(s["partial_warps"]);
  if (!Rf_isNull(s["k"])) {
    out.components = Rcpp::as<std::string>(s["k"]);
  }
  out.bootValue = Rcpp::as<int>(s["v"]);
  if (!Rf_isNull(s["pcs"])) {
    out.pcs = Rcpp::as<int>(s["pcs"]);
  }
  if (!Rf_isNull(s["seed"])) {
    std::string text = Rcpp::as<std::string>(s["seed"]);
    std::uint64_t seed = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (ec != std::errc() || end != text.data() + text.size()) {
      throw vexmoor::Error("seed needs a whole number from 0 to 18446744073709551615; \"" + text +
                           "\" is not one");
    }
    out.seed = seed;
  }
  return out;
}

void checkInterruptOnce(void*) {
  R_CheckUserInterrupt();
}

// True when the user pressed Esc or Ctrl+C; R's own jump is caught here.
bool userInterrupted() {
  return R_ToplevelExec(checkInterruptOnce, nullptr) == FALSE;
}

void showProgress(const vexmoor::BackgroundRun::Progress& p, bool& shown) {
  if (p.total <= 0) {
    return;
  }
  constexpr int kWidth = 40;
  int filled = static_cast<int>(kWidth * p.done / p.total);
  Rprintf("\r  |%s%s| %3d%%", std::string(static_cast<size_t>(filled), '=').c_str(),
          std::string(static_cast<size_t>(kWidth - filled), ' ').c_str(),
          static_cast<int>(100 * p.done / p.total));
  R_FlushConsole();
  shown = true;
}

Rcpp::List outputToR(const vexmoor::RunOutput& out, const std::vector<std::string>& warnings) {
  return Rcpp::List::create(Rcpp::Named("json") = out.json, Rcpp::Named("note") = out.result.note,
                            Rcpp::Named("replicates") = out.replicatesCsv(),
                            Rcpp::Named("warnings") = warnings);
}

}  // namespace

// [[Rcpp::export(.vx_read_group)]]
Rcpp::List vxReadGroup(std::string path, SEXP dim) {
  try {
    std::ostringstream warnings;
    vexmoor::StreamHost host(warnings, false);
    std::optional<int> wanted;
    if (!Rf_isNull(dim)) {
      wanted = Rcpp::as<int>(dim);
    }
    vexmoor::GroupCoordinates g = vexmoor::readGroupCoordinates(path, wanted, host);
    return Rcpp::List::create(Rcpp::Named("coords") = Rcpp::wrap(Eigen::MatrixXd(g.coordinates)),
                              Rcpp::Named("dim") = g.dimension,
                              Rcpp::Named("identifiers") = g.group.info.identifiers,
                              Rcpp::Named("format") = vexmoor::formatName(g.group.info.format),
                              Rcpp::Named("file") = path, Rcpp::Named("warnings") = warnings.str());
  } catch (const std::exception& e) {
    return failure(e.what());
  }
}

// [[Rcpp::export(.vx_file_names)]]
std::vector<std::string> vxFileNames(std::vector<std::string> files) {
  return vexmoor::fileGroupNames(files);
}

// [[Rcpp::export(.vx_parse_json)]]
SEXP vxParseJson(std::string text) {
  try {
    return toR(json::parse(text));
  } catch (const std::exception& e) {
    return failure(e.what());
  }
}

// Runs on a thread of its own while R's thread shows progress and watches
// for the user's interrupt, so that R stays responsive.
// [[Rcpp::export(.vx_run)]]
Rcpp::List vxRun(Rcpp::List groups, bool named, Rcpp::List settings, bool progress) {
  try {
    std::vector<vexmoor::InputGroup> inputs;
    for (R_xlen_t i = 0; i < groups.size(); ++i) {
      inputs.push_back(groupOf(groups[i], static_cast<size_t>(i)));
    }
    vexmoor::RunGroups runGroups = vexmoor::groupsInMemory(std::move(inputs), named);
    vexmoor::BackgroundRun run(std::move(runGroups), settingsOf(settings));
    auto start = std::chrono::steady_clock::now();
    bool shown = false;
    while (!run.waitFor(std::chrono::milliseconds(50))) {
      if (userInterrupted()) {
        run.cancel();
        run.waitFor(std::chrono::seconds(5));
        if (shown) {
          Rprintf("\n");
        }
        return Rcpp::List::create(Rcpp::Named("interrupted") = true);
      }
      if (progress && std::chrono::steady_clock::now() - start > std::chrono::seconds(1)) {
        showProgress(run.progress(), shown);
      }
    }
    if (shown) {
      showProgress(run.progress(), shown);
      Rprintf("\n");
    }
    std::vector<std::string> warnings = run.takeWarnings();
    try {
      return outputToR(run.take(), warnings);
    } catch (const vexmoor::Cancelled&) {
      return Rcpp::List::create(Rcpp::Named("interrupted") = true);
    }
  } catch (const std::bad_alloc&) {
    return failure("out of memory");
  } catch (const std::exception& e) {
    return failure(e.what());
  }
}
