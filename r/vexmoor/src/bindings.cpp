// The R side of the library interface: R's groups and settings turned into
// the interface's plain types, and its result (JSON document, replicate
// columns, warnings) into R values. Nothing is computed here. No C++
// exception crosses into R: every failure comes back as list(error =
// message), which the R functions raise as a condition of class
// vexmoor_error, and the user's interrupt as list(interrupted = TRUE).
#include <R_ext/Utils.h>
#include <RcppEigen.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "api/analysis_run.h"
#include "api/background_read.h"
#include "api/background_run.h"
#include "api/input_groups.h"
#include "api/setting_rules.h"
#include "runtime/blas_threads.h"
#include "runtime/error.h"

namespace {

using nlohmann::json;
using vexmoor::Matrix;

constexpr std::chrono::milliseconds kPollInterval{50};

// Numbers beyond 2^53 (64-bit seeds) do not fit a double exactly: they
// travel as text.
SEXP integerToR(double asDouble, const std::string& asText) {
  if (std::fabs(asDouble) <= 9007199254740992.0) {
    return Rcpp::wrap(asDouble);
  }
  return Rcpp::wrap(asText);
}

// The document's text writes numbers that are not finite as null; so do
// its R values, whichever way the document came.
bool isNull(const json& j) {
  return j.is_null() || (j.is_number_float() && !std::isfinite(j.get<double>()));
}

bool isNumber(const json& j) {
  return j.is_number() || j.is_null();
}

double numberOf(const json& j) {
  return isNull(j) ? NA_REAL : j.get<double>();
}

// Bytes that are no UTF-8 become U+FFFD, as in the document's text.
Rcpp::String textOf(const std::string& s) {
  bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) {
    return Rcpp::String(s, CE_UTF8);
  }
  std::string valid =
      json::parse(json(s).dump(-1, ' ', false, json::error_handler_t::replace)).get<std::string>();
  return Rcpp::String(valid, CE_UTF8);
}

bool numericArray(const json& j) {
  bool any = false;
  for (const json& e : j) {
    if (!isNumber(e) ||
        (e.is_number_integer() && std::fabs(e.get<double>()) > 9007199254740992.0)) {
      return false;
    }
    any = any || !isNull(e);
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
      v[i] = numberOf(j[i]);
    }
    return v;
  }
  if (std::all_of(j.begin(), j.end(), [](const json& e) { return e.is_string(); })) {
    Rcpp::CharacterVector v(j.size());
    for (size_t i = 0; i < j.size(); ++i) {
      v[i] = textOf(j[i].get_ref<const std::string&>());
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
        m(r, c) = numberOf(j[r][c]);
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

// The document as R values: objects are named lists, arrays vectors,
// matrices or lists. Nested no deeper than the document's own schema.
SEXP toR(const json& j) {
  if (isNull(j)) {
    return R_NilValue;
  }
  switch (j.type()) {
    case json::value_t::boolean:
      return Rcpp::wrap(j.get<bool>());
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
      return integerToR(j.get<double>(), j.dump());
    case json::value_t::number_float:
      return Rcpp::wrap(j.get<double>());
    case json::value_t::string:
      return Rcpp::wrap(textOf(j.get_ref<const std::string&>()));
    case json::value_t::array:
      return arrayToR(j);
    case json::value_t::object: {
      Rcpp::List list(j.size());
      Rcpp::CharacterVector names(j.size());
      size_t i = 0;
      for (auto it = j.begin(); it != j.end(); ++it, ++i) {
        names[i] = textOf(it.key());
        list[i] = toR(it.value());
      }
      list.attr("names") = names;
      return list;
    }
    default:
      return R_NilValue;
  }
}

// The replicate columns as the data frame read.csv makes of the batch's
// replicate file: group names as character, the replicate number as
// integer, every other column as double.
Rcpp::List replicateFrame(const vexmoor::ReplicateColumns& c) {
  const R_xlen_t n = static_cast<R_xlen_t>(c.replicate.size());
  Rcpp::List columns;
  Rcpp::CharacterVector names;
  if (!c.groupA.empty()) {
    for (const auto* side : {&c.groupA, &c.groupB}) {
      Rcpp::CharacterVector v(n);
      for (R_xlen_t i = 0; i < n; ++i) {
        v[i] = textOf((*side)[static_cast<size_t>(i)]);
      }
      columns.push_back(v);
    }
    names.push_back("group_a");
    names.push_back("group_b");
  }
  Rcpp::IntegerVector replicate(n);
  std::copy(c.replicate.begin(), c.replicate.end(), replicate.begin());
  columns.push_back(replicate);
  names.push_back("replicate");
  for (size_t column = 0; column < c.names.size(); ++column) {
    Rcpp::NumericVector v(n);
    for (R_xlen_t i = 0; i < n; ++i) {
      v[i] = c.values(i, static_cast<vexmoor::Index>(column));
    }
    columns.push_back(v);
    names.push_back(textOf(c.names[column]));
  }
  columns.attr("names") = names;
  columns.attr("class") = "data.frame";
  columns.attr("row.names") = Rcpp::IntegerVector::create(NA_INTEGER, -static_cast<int>(n));
  return columns;
}

// The interface words one rule with the batch front end's option; the
// package's users know it as an argument.
std::string inArgumentWords(std::string message) {
  const std::string option = " (--pcs)";
  if (size_t at = message.find(option); at != std::string::npos) {
    message.replace(at, option.size(), " (argument pcs)");
  }
  return message;
}

Rcpp::List failure(const std::string& message) {
  return Rcpp::List::create(Rcpp::Named("error") = inArgumentWords(message));
}

Rcpp::List interrupted() {
  return Rcpp::List::create(Rcpp::Named("interrupted") = true);
}

std::vector<std::string> strings(SEXP x) {
  if (Rf_isNull(x)) {
    return {};
  }
  return Rcpp::as<std::vector<std::string>>(x);
}

// Specimens a file's reading left out, as read_group's `dropped` columns.
Rcpp::List droppedToR(const std::vector<vexmoor::DroppedSpecimen>& dropped) {
  Rcpp::IntegerVector specimen;
  Rcpp::CharacterVector identifier;
  Rcpp::List missing;
  for (const vexmoor::DroppedSpecimen& d : dropped) {
    specimen.push_back(static_cast<int>(d.specimen));
    identifier.push_back(d.identifier);
    missing.push_back(Rcpp::IntegerVector(d.missing.begin(), d.missing.end()));
  }
  return Rcpp::List::create(Rcpp::Named("specimen") = specimen,
                            Rcpp::Named("identifier") = identifier,
                            Rcpp::Named("missing") = missing);
}

// The same back: a group from a file carries them into the run's note and
// JSON, as the batch's --drop-incomplete does.
std::vector<vexmoor::DroppedSpecimen> droppedOf(SEXP frame) {
  std::vector<vexmoor::DroppedSpecimen> out;
  if (Rf_isNull(frame)) {
    return out;
  }
  Rcpp::List columns(frame);
  Rcpp::IntegerVector specimen = columns["specimen"];
  Rcpp::CharacterVector identifier = columns["identifier"];
  Rcpp::List landmarks = columns["landmarks"];
  for (R_xlen_t i = 0; i < specimen.size(); ++i) {
    vexmoor::DroppedSpecimen d;
    d.specimen = static_cast<size_t>(specimen[i]);
    d.identifier = Rcpp::as<std::string>(identifier[i]);
    for (int l : Rcpp::IntegerVector(landmarks[i])) {
      d.missing.push_back(static_cast<size_t>(l));
    }
    d.trailingValue = d.missing.empty();
    out.push_back(std::move(d));
  }
  return out;
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
  if (!input.inMemory && g.containsElementNamed("dropped")) {
    input.group.info.dropped = droppedOf(g["dropped"]);
  }
  if (g.containsElementNamed("within") && !Rf_isNull(g["within"])) {
    input.within = strings(g["within"]);
  }
  return input;
}

// One argument's value as the library's setting rules take it: R has
// checked that it is one value of a type the argument takes.
vexmoor::SettingValue settingValue(SEXP x) {
  switch (TYPEOF(x)) {
    case INTSXP:
      return std::int64_t{INTEGER(x)[0]};
    case REALSXP:
      return REAL(x)[0];
    case LGLSXP:
      return LOGICAL(x)[0] != 0;
    default:
      return Rcpp::as<std::string>(x);
  }
}

// The setting's rule applied to an argument; its message names the
// argument as the batch's names its option.
template <typename Rule>
auto argument(const char* name, SEXP x, Rule rule) {
  try {
    return rule(settingValue(x));
  } catch (const vexmoor::Error& e) {
    vexmoor::rethrowWithContext(std::string("argument ") + name, e);
  }
}

// The covariance analyses' own settings; the library checks each against
// the action.
vexmoor::CovarianceSettings covarianceOf(const Rcpp::List& c) {
  vexmoor::CovarianceSettings out;
  if (!Rf_isNull(c["total_pcs"])) {
    out.totalPcs = argument("total_pcs", c["total_pcs"], vexmoor::totalComponentsSetting);
  }
  if (!Rf_isNull(c["reference"])) {
    out.reference = argument("reference", c["reference"], [](const vexmoor::SettingValue& v) {
      return vexmoor::nameSetting(v, "reference");
    });
  }
  out.logEuclidean = Rcpp::as<bool>(c["log_euclidean"]);
  out.diagonal = Rcpp::as<bool>(c["diagonal"]);
  out.meanAngle = Rcpp::as<bool>(c["mean_angle"]);
  out.resample = Rcpp::as<bool>(c["resample"]);
  return out;
}

// Each setting by the library's rule; R has checked only the types.
vexmoor::RunSettings settingsOf(const Rcpp::List& s) {
  vexmoor::RunSettings out;
  out.action = Rcpp::as<std::string>(s["action"]);
  out.threeD = Rcpp::as<bool>(s["three_d"]);
  out.partialWarps = Rcpp::as<bool>(s["partial_warps"]);
  if (!Rf_isNull(s["k"])) {
    out.components = argument("k", s["k"], vexmoor::componentsSetting);
  }
  out.bootValue = argument("v", s["v"], vexmoor::resamplingSizeSetting);
  if (!Rf_isNull(s["pcs"])) {
    out.pcs = argument("pcs", s["pcs"], vexmoor::pooledComponentsSetting);
  }
  if (!Rf_isNull(s["threads"])) {
    out.threads = argument("threads", s["threads"], vexmoor::threadCountSetting);
  }
  if (s.containsElementNamed("covariance") && !Rf_isNull(s["covariance"])) {
    out.covariance = covarianceOf(s["covariance"]);
  }
  if (!Rf_isNull(s["seed"])) {
    out.seed = argument("seed", s["seed"], vexmoor::seedSetting);
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
  vexmoor::ReplicateColumns columns = out.replicateColumns();
  return Rcpp::List::create(
      Rcpp::Named("document") = toR(*out.document), Rcpp::Named("note") = out.result.note,
      Rcpp::Named("replicates") =
          columns.names.empty() ? R_NilValue : static_cast<SEXP>(replicateFrame(columns)),
      Rcpp::Named("warnings") = warnings);
}

}  // namespace

// The file is read on a thread of its own: a read that blocks (a FIFO
// nobody writes) must not keep the user's interrupt from R.
// [[Rcpp::export(.vx_read_group)]]
Rcpp::List vxReadGroup(std::string path, SEXP dim, bool dropIncomplete) {
  try {
    std::optional<int> wanted;
    if (!Rf_isNull(dim)) {
      wanted = Rcpp::as<int>(dim);
    }
    vexmoor::BackgroundRead read(
        path, wanted,
        dropIncomplete ? vexmoor::MissingValues::kDropIncomplete : vexmoor::MissingValues::kRefuse);
    while (!read.waitFor(kPollInterval)) {
      if (userInterrupted()) {
        return interrupted();
      }
    }
    std::vector<std::string> warnings;
    vexmoor::GroupCoordinates g = read.take(warnings);
    return Rcpp::List::create(Rcpp::Named("coords") = Rcpp::wrap(Eigen::MatrixXd(g.coordinates)),
                              Rcpp::Named("dim") = g.dimension,
                              Rcpp::Named("identifiers") = g.group.info.identifiers,
                              Rcpp::Named("format") = vexmoor::formatName(g.group.info.format),
                              Rcpp::Named("file") = path, Rcpp::Named("warnings") = warnings,
                              Rcpp::Named("dropped") = droppedToR(g.group.info.dropped));
  } catch (const std::bad_alloc&) {
    return failure("out of memory while reading \"" + path + "\"");
  } catch (const std::exception& e) {
    return failure(e.what());
  }
}

// [[Rcpp::export(.vx_file_names)]]
std::vector<std::string> vxFileNames(std::vector<std::string> files) {
  return vexmoor::fileGroupNames(files);
}

// OpenBLAS's thread count (0 for another BLAS), for the tests.
// [[Rcpp::export(.vx_blas_threads)]]
int vxBlasThreads() {
  return vexmoor::blasThreads();
}

// The batch front end's document read back, for the tests' comparisons.
// [[Rcpp::export(.vx_parse_json)]]
SEXP vxParseJson(std::string text) {
  try {
    return toR(json::parse(text));
  } catch (const std::exception& e) {
    return failure(e.what());
  }
}

// Runs on a thread of its own while R's thread shows progress and watches
// for the user's interrupt, so that R stays responsive. labels: NULL, or
// one per specimen of the only group, which is then split into named
// groups.
// [[Rcpp::export(.vx_run)]]
Rcpp::List vxRun(Rcpp::List groups, bool named, SEXP labels, Rcpp::List settings, bool progress) {
  try {
    std::vector<vexmoor::InputGroup> inputs;
    for (R_xlen_t i = 0; i < groups.size(); ++i) {
      inputs.push_back(groupOf(groups[i], static_cast<size_t>(i)));
    }
    vexmoor::RunGroups runGroups;
    if (!Rf_isNull(labels)) {
      runGroups = vexmoor::splitByLabels(inputs.at(0), strings(labels));
      // Data in memory is labelled by its group's name.
      for (vexmoor::InputGroup& g : runGroups.groups) {
        if (g.inMemory) {
          g.file = g.name;
        }
      }
    } else {
      runGroups = vexmoor::groupsInMemory(std::move(inputs), named);
    }
    vexmoor::BackgroundRun run(std::move(runGroups), settingsOf(settings));
    auto start = std::chrono::steady_clock::now();
    bool shown = false;
    while (!run.waitFor(kPollInterval)) {
      if (userInterrupted()) {
        run.cancel();
        run.waitFor(std::chrono::seconds(5));
        if (shown) {
          Rprintf("\n");
        }
        return interrupted();
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
      return interrupted();
    }
  } catch (const std::bad_alloc&) {
    return failure("out of memory");
  } catch (const std::exception& e) {
    return failure(e.what());
  }
}
