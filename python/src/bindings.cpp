// The Python side of the library interface: the package's groups and
// settings turned into the interface's plain types, and its result (JSON
// document, replicate columns, warnings) into Python values. Nothing is
// computed here. No C++ exception reaches the interpreter: every failure is
// raised as vexmoor.VexmoorError (a ValueError), the user's interrupt as the
// interpreter's own KeyboardInterrupt.
#include <Python.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "api/analysis_run.h"
#include "api/background_read.h"
#include "api/background_run.h"
#include "api/input_groups.h"
#include "api/setting_rules.h"
#include "io/group_file.h"
#include "runtime/error.h"

#ifndef VEXMOOR_VERSION
#define VEXMOOR_VERSION "unknown"
#endif

namespace py = pybind11;

namespace {

using nlohmann::json;
using vexmoor::Matrix;

// How often a waiting call takes the GIL back to look for Ctrl+C.
constexpr std::chrono::milliseconds kPollInterval{50};

PyObject* g_error = nullptr;  // vexmoor.VexmoorError, owned by the module

// Raised as VexmoorError with `message` exactly; the batch front end
// prints a message on one line, so line breaks become blanks as there.
[[noreturn]] void raiseError(std::string message) {
  for (char& c : message) {
    if (c == '\n' || c == '\r') {
      c = ' ';
    }
  }
  py::object text = py::reinterpret_steal<py::object>(PyUnicode_DecodeUTF8(
      message.data(), static_cast<Py_ssize_t>(message.size()), "backslashreplace"));
  PyErr_SetObject(g_error, text.ptr());
  throw py::error_already_set();
}

// Text from files (identifiers, paths) need not be UTF-8: it travels as
// str with surrogate escapes, so that it comes back byte for byte.
py::str textOf(const std::string& s) {
  PyObject* o =
      PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogateescape");
  if (!o) {
    throw py::error_already_set();
  }
  return py::reinterpret_steal<py::str>(o);
}

std::string bytesOf(py::handle h, const char* what) {
  if (PyBytes_Check(h.ptr())) {
    return std::string(PyBytes_AS_STRING(h.ptr()), static_cast<size_t>(PyBytes_GET_SIZE(h.ptr())));
  }
  if (!PyUnicode_Check(h.ptr())) {
    raiseError(std::string(what) + " must be text");
  }
  py::object b = py::reinterpret_steal<py::object>(
      PyUnicode_AsEncodedString(h.ptr(), "utf-8", "surrogateescape"));
  if (!b) {
    PyErr_Clear();
    raiseError(std::string(what) + " is no valid text");
  }
  return std::string(PyBytes_AS_STRING(b.ptr()), static_cast<size_t>(PyBytes_GET_SIZE(b.ptr())));
}

std::optional<std::string> optionalBytes(py::handle h, const char* what) {
  if (h.is_none()) {
    return std::nullopt;
  }
  return bytesOf(h, what);
}

std::vector<std::string> textList(py::handle h, const char* what) {
  std::vector<std::string> out;
  if (h.is_none()) {
    return out;
  }
  for (py::handle item : h) {
    out.push_back(bytesOf(item, what));
  }
  return out;
}

py::list pyList(const std::vector<std::string>& v) {
  py::list out;
  for (const std::string& s : v) {
    out.append(textOf(s));
  }
  return out;
}

// The JSON document as the objects json.loads gives for its text: dicts,
// lists, str, int, float, bool and None (numbers that are not finite).
// Nested no deeper than the document's own schema.
py::object toPython(const json& j) {
  switch (j.type()) {
    case json::value_t::boolean:
      return py::bool_(j.get<bool>());
    case json::value_t::number_integer:
      return py::int_(j.get<std::int64_t>());
    case json::value_t::number_unsigned:
      return py::reinterpret_steal<py::object>(PyLong_FromUnsignedLongLong(j.get<std::uint64_t>()));
    case json::value_t::number_float: {
      double v = j.get<double>();
      return std::isfinite(v) ? py::object(py::float_(v)) : py::object(py::none());
    }
    case json::value_t::string:
      return textOf(j.get_ref<const std::string&>());
    case json::value_t::array: {
      py::list list;
      for (const json& e : j) {
        list.append(toPython(e));
      }
      return list;
    }
    case json::value_t::object: {
      py::dict dict;
      for (auto it = j.begin(); it != j.end(); ++it) {
        dict[textOf(it.key())] = toPython(it.value());
      }
      return dict;
    }
    default:
      return py::none();
  }
}

// The replicate columns as numpy arrays, in the order of the CSV table's
// columns: group names as str arrays, the replicate number as int64, every
// other column as float64.
py::dict replicateArrays(const vexmoor::ReplicateColumns& c) {
  py::dict out;
  const auto n = static_cast<py::ssize_t>(c.replicate.size());
  if (!c.groupA.empty()) {
    py::module_ numpy = py::module_::import("numpy");
    out["group_a"] = numpy.attr("array")(pyList(c.groupA), py::arg("dtype") = "str");
    out["group_b"] = numpy.attr("array")(pyList(c.groupB), py::arg("dtype") = "str");
  }
  py::array_t<std::int64_t> replicate(n);
  std::copy(c.replicate.begin(), c.replicate.end(), replicate.mutable_data());
  out["replicate"] = replicate;
  for (size_t column = 0; column < c.names.size(); ++column) {
    py::array_t<double> values(n);
    auto w = values.mutable_unchecked<1>();
    for (py::ssize_t i = 0; i < n; ++i) {
      w(i) = c.values(i, static_cast<vexmoor::Index>(column));
    }
    out[textOf(c.names[column])] = values;
  }
  return out;
}

// The Python package hands over rows x1 y1 [z1] x2 ... as a C-ordered
// N × d·p float64 array.
Matrix matrixOf(py::handle h) {
  auto a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(h);
  if (!a) {
    throw py::error_already_set();
  }
  if (a.ndim() != 2) {
    raiseError("the coordinates must be one row per specimen");
  }
  Matrix m(a.shape(0), a.shape(1));
  auto r = a.unchecked<2>();
  for (py::ssize_t i = 0; i < a.shape(0); ++i) {
    for (py::ssize_t j = 0; j < a.shape(1); ++j) {
      m(i, j) = r(i, j);
    }
  }
  return m;
}

vexmoor::InputGroup groupOf(const py::dict& g) {
  Matrix coordinates = matrixOf(g["coords"]);
  int dimension = g["dim"].cast<int>();
  std::vector<std::string> identifiers = textList(g["identifiers"], "an identifier");
  std::optional<std::string> file = optionalBytes(g["file"], "a file name");
  vexmoor::InputGroup input =
      file ? vexmoor::groupFromFileCoordinates(coordinates, dimension, std::move(identifiers),
                                               *file, bytesOf(g["format"], "a format"))
           : vexmoor::groupFromCoordinates(coordinates, dimension, std::move(identifiers),
                                           bytesOf(g["label"], "a group label"));
  input.name = bytesOf(g["name"], "a group name");
  // A group from a file carries the specimens its reading left out into
  // the run's note and JSON, as the batch's --drop-incomplete does.
  for (py::handle h : g["dropped"]) {
    auto t = h.cast<py::tuple>();
    vexmoor::DroppedSpecimen d;
    d.specimen = t[0].cast<size_t>();
    d.identifier = bytesOf(t[1], "an identifier");
    for (py::handle l : t[2]) {
      d.missing.push_back(l.cast<size_t>());
    }
    d.trailingValue = d.missing.empty();
    input.group.info.dropped.push_back(std::move(d));
  }
  if (g.contains("within") && !g["within"].is_none()) {
    input.within = textList(g["within"], "a sub-group label");
  }
  return input;
}

// One argument's value as the library's setting rules take it: the
// package has made it an int, a float or a str. An int beyond 64 bits
// goes as its digits, which the rule then finds out of range.
vexmoor::SettingValue settingValue(py::handle x) {
  if (py::isinstance<py::bool_>(x)) {
    return x.cast<bool>();
  }
  if (py::isinstance<py::int_>(x)) {
    try {
      return x.cast<std::int64_t>();
    } catch (const py::cast_error&) {
      return py::str(x).cast<std::string>();
    }
  }
  if (py::isinstance<py::float_>(x)) {
    return x.cast<double>();
  }
  return bytesOf(x, "a setting");
}

// The setting's rule applied to an argument; its message names the
// argument as the batch's names its option.
template <typename Rule>
auto argument(const char* name, py::handle x, Rule rule) {
  try {
    return rule(settingValue(x));
  } catch (const vexmoor::Error& e) {
    vexmoor::rethrowWithContext(std::string("argument ") + name, e);
  }
}

// The covariance analyses' own settings; the library checks each against
// the action.
vexmoor::CovarianceSettings covarianceOf(const py::dict& c) {
  vexmoor::CovarianceSettings out;
  if (!c["total_pcs"].is_none()) {
    out.totalPcs = argument("total_pcs", c["total_pcs"], vexmoor::totalComponentsSetting);
  }
  if (!c["reference"].is_none()) {
    out.reference = argument("reference", c["reference"], [](const vexmoor::SettingValue& v) {
      return vexmoor::nameSetting(v, "reference");
    });
  }
  out.logEuclidean = c["log_euclidean"].cast<bool>();
  out.diagonal = c["diagonal"].cast<bool>();
  out.meanAngle = c["mean_angle"].cast<bool>();
  out.resample = c["resample"].cast<bool>();
  return out;
}

// Each setting by the library's rule; the package has checked only the
// types.
vexmoor::RunSettings settingsOf(const py::dict& s) {
  vexmoor::RunSettings out;
  out.action = s["action"].cast<std::string>();
  out.threeD = s["three_d"].cast<bool>();
  out.partialWarps = s["partial_warps"].cast<bool>();
  if (!s["k"].is_none()) {
    out.components = argument("k", s["k"], vexmoor::componentsSetting);
  }
  out.bootValue = argument("v", s["v"], vexmoor::resamplingSizeSetting);
  if (!s["pcs"].is_none()) {
    out.pcs = argument("pcs", s["pcs"], vexmoor::pooledComponentsSetting);
  }
  if (!s["threads"].is_none()) {
    out.threads = argument("threads", s["threads"], vexmoor::threadCountSetting);
  }
  if (s.contains("covariance")) {
    out.covariance = covarianceOf(s["covariance"].cast<py::dict>());
  }
  if (!s["seed"].is_none()) {
    out.seed = argument("seed", s["seed"], vexmoor::seedSetting);
  }
  return out;
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

// Calls `body`, turning every C++ failure into VexmoorError; `doing` ends
// the message of an out-of-memory or unknown failure, as the batch says it.
template <typename F>
auto guarded(const std::string& doing, F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const py::error_already_set&) {
    throw;
  } catch (const std::bad_alloc&) {
    raiseError("out of memory while " + doing);
  } catch (const std::exception& e) {
    raiseError(inArgumentWords(e.what()));
  } catch (...) {
    raiseError("unexpected failure while " + doing);
  }
}

// Waits with the GIL released until `ended(timeout)` is true, taking the
// GIL back every kPollInterval to run Python's signal handlers. Returns
// false, with the handler's exception (KeyboardInterrupt, ...) set, when
// one raised.
template <typename Ended>
bool waitInterruptibly(Ended&& ended) {
  for (;;) {
    bool done;
    {
      py::gil_scoped_release release;
      done = ended(kPollInterval);
    }
    if (PyErr_CheckSignals() != 0) {
      return false;
    }
    if (done) {
      return true;
    }
  }
}

// The file is read on a thread of its own: a read that blocks (a FIFO
// nobody writes) must not keep Ctrl+C from the interpreter.
py::dict readGroup(py::object path, py::object dimension, bool dropIncomplete) {
  std::string file = bytesOf(path, "the path");
  std::optional<int> dim;
  if (!dimension.is_none()) {
    dim = dimension.cast<int>();
  }
  return guarded("reading \"" + file + "\"", [&] {
    vexmoor::BackgroundRead read(
        file, dim,
        dropIncomplete ? vexmoor::MissingValues::kDropIncomplete : vexmoor::MissingValues::kRefuse);
    if (!waitInterruptibly([&](auto timeout) { return read.waitFor(timeout); })) {
      throw py::error_already_set();
    }
    std::vector<std::string> warnings;
    vexmoor::GroupCoordinates g = read.take(warnings);
    const py::ssize_t n = g.coordinates.rows(), d = g.dimension;
    const py::ssize_t p = g.coordinates.cols() / d;
    py::array_t<double> coords({n, p, d});
    auto w = coords.mutable_unchecked<3>();
    for (py::ssize_t i = 0; i < n; ++i) {
      for (py::ssize_t l = 0; l < p; ++l) {
        for (py::ssize_t c = 0; c < d; ++c) {
          w(i, l, c) = g.coordinates(i, l * d + c);
        }
      }
    }
    py::dict out;
    out["coords"] = coords;
    out["identifiers"] = pyList(g.group.info.identifiers);
    out["format"] = textOf(vexmoor::formatName(g.group.info.format));
    out["file"] = textOf(file);
    out["warnings"] = pyList(warnings);
    py::list dropped;
    for (const vexmoor::DroppedSpecimen& d : g.group.info.dropped) {
      py::list landmarks;
      for (size_t l : d.missing) {
        landmarks.append(l);
      }
      dropped.append(py::make_tuple(d.specimen, textOf(d.identifier), py::tuple(landmarks)));
    }
    out["dropped"] = dropped;
    return out;
  });
}

// Groups named by their files must come from distinct files, as on the
// batch's command line (`once`).
py::list fileNames(py::object files, bool once) {
  return guarded("naming groups", [&] {
    std::vector<std::string> paths = textList(files, "a file name");
    if (once) {
      vexmoor::checkFilesNamedOnce(paths);
    }
    return pyList(vexmoor::fileGroupNames(paths));
  });
}

// Waits for the run; a KeyboardInterrupt (or whatever a signal handler
// raised) cancels it and propagates.
vexmoor::RunOutput waitForRun(std::unique_ptr<vexmoor::BackgroundRun> run,
                              std::vector<std::string>& warnings) {
  if (!waitInterruptibly([&](auto timeout) { return run->waitFor(timeout); })) {
    py::error_already_set raised;
    {
      py::gil_scoped_release release;
      run.reset();  // cancels and joins: a fraction of a second
    }
    throw raised;
  }
  warnings = run->takeWarnings();
  try {
    py::gil_scoped_release release;
    return run->take();
  } catch (const vexmoor::Cancelled&) {
    PyErr_SetNone(PyExc_KeyboardInterrupt);
    throw py::error_already_set();
  }
}

// groups: dicts of coords (N × d·p), dim, identifiers, label, file, format,
// name. labels: none, or one per specimen of the only group, which is then
// split into named groups.
py::dict run(py::list groups, bool named, py::object labels, py::dict settings) {
  std::string action = settings["action"].cast<std::string>();
  return guarded("running " + action, [&] {
    vexmoor::RunSettings runSettings = settingsOf(settings);
    std::vector<vexmoor::InputGroup> inputs;
    for (py::handle g : groups) {
      inputs.push_back(groupOf(g.cast<py::dict>()));
    }
    vexmoor::RunGroups runGroups;
    if (!labels.is_none()) {
      if (inputs.size() != 1) {
        raiseError("groups= splits one array; give just one");
      }
      runGroups = vexmoor::splitByLabels(inputs.front(), textList(labels, "a group label"));
      // Data in memory is labelled by its group's name.
      for (vexmoor::InputGroup& g : runGroups.groups) {
        if (g.inMemory) {
          g.file = g.name;
        }
      }
    } else {
      runGroups = vexmoor::groupsInMemory(std::move(inputs), named);
    }
    std::vector<std::string> warnings;
    vexmoor::RunOutput out = waitForRun(
        std::make_unique<vexmoor::BackgroundRun>(std::move(runGroups), std::move(runSettings)),
        warnings);
    py::dict result;
    result["document"] = toPython(*out.document);
    result["note"] = textOf(out.result.note);
    vexmoor::ReplicateColumns columns = out.replicateColumns();
    result["replicates"] =
        columns.names.empty() ? py::object(py::none()) : py::object(replicateArrays(columns));
    result["warnings"] = pyList(warnings);
    return result;
  });
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The compiled part of vexmoor: use the functions of the vexmoor package";
  g_error = PyErr_NewExceptionWithDoc(
      "vexmoor.VexmoorError",
      "A failure of an analysis or of its input, with the message vexmoor-batch gives",
      PyExc_ValueError, nullptr);
  if (!g_error) {
    throw py::error_already_set();
  }
  m.add_object("VexmoorError", py::handle(g_error));
  m.def("read_group", &readGroup, py::arg("path"), py::arg("dim"), py::arg("drop_incomplete"));
  m.def("file_group_names", &fileNames, py::arg("files"), py::arg("once") = false);
  m.def("run", &run, py::arg("groups"), py::arg("named"), py::arg("labels"), py::arg("settings"));
  py::list actions;
  for (std::string_view a : vexmoor::runActionNames()) {
    actions.append(py::str(std::string(a)));
  }
  m.attr("actions") = actions;
  m.attr("__version__") = VEXMOOR_VERSION;
}
