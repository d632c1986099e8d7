// The Python side of the library interface: the package's groups and
// settings turned into the interface's plain types, and its result (JSON
// document, replicates, warnings) into Python values. Nothing is computed
// here. No C++ exception reaches the interpreter: every failure is raised
// as vexmoor.VexmoorError (a ValueError) with the batch front end's message,
// the user's interrupt as the interpreter's own KeyboardInterrupt.
#include <Python.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "api/analysis_run.h"
#include "api/background_run.h"
#include "api/input_groups.h"
#include "io/group_file.h"
#include "io/table_file.h"
#include "runtime/error.h"
#include "runtime/progress.h"

namespace py = pybind11;

namespace {

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
  return input;
}

std::uint64_t seedOf(const std::string& text) {
  std::uint64_t seed = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
  if (ec != std::errc() || end != text.data() + text.size()) {
    raiseError("seed needs a whole number from 0 to 18446744073709551615; \"" + text +
               "\" is not one");
  }
  return seed;
}

vexmoor::RunSettings settingsOf(const py::dict& s) {
  vexmoor::RunSettings out;
  out.action = s["action"].cast<std::string>();
  out.threeD = s["three_d"].cast<bool>();
  out.partialWarps = s["partial_warps"].cast<bool>();
  out.components = optionalBytes(s["k"], "k");
  out.bootValue = s["v"].cast<int>();
  out.pcs = s["pcs"].cast<int>();
  if (std::optional<std::string> seed = optionalBytes(s["seed"], "seed")) {
    out.seed = seedOf(*seed);
  }
  return out;
}

// The CSV's number texts are shortest round trips: from_chars reads back
// the very doubles that were written.
double csvNumber(const std::string& field, size_t line) {
  double v = 0;
  auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
  if (ec != std::errc() || end != field.data() + field.size()) {
    raiseError("replicate table, line " + std::to_string(line) + ": \"" + field +
               "\" is not a number");
  }
  return v;
}

// The replicates CSV as columns: group names as str arrays, the replicate
// number as int64, every other column as float64.
py::dict replicateColumns(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  size_t start = 0;
  while (start < csv.size()) {
    size_t end = csv.find('\n', start);
    if (end == std::string::npos) {
      end = csv.size();
    }
    rows.push_back(
        vexmoor::splitFields(std::string_view(csv).substr(start, end - start), ',',
                             "replicate table, line " + std::to_string(rows.size() + 1)));
    start = end + 1;
  }
  py::dict out;
  if (rows.empty()) {
    return out;
  }
  const std::vector<std::string>& names = rows.front();
  const size_t n = rows.size() - 1;
  for (size_t r = 1; r < rows.size(); ++r) {
    if (rows[r].size() != names.size()) {
      raiseError("replicate table, line " + std::to_string(r + 1) + ": " +
                 std::to_string(rows[r].size()) + " fields, the header has " +
                 std::to_string(names.size()));
    }
  }
  py::module_ numpy = py::module_::import("numpy");
  for (size_t c = 0; c < names.size(); ++c) {
    const std::string& name = names[c];
    if (name == "group_a" || name == "group_b") {
      py::list values;
      for (size_t r = 1; r <= n; ++r) {
        values.append(textOf(rows[r][c]));
      }
      out[textOf(name)] = numpy.attr("array")(values, py::arg("dtype") = "str");
    } else if (name == "replicate") {
      py::array_t<std::int64_t> values(static_cast<py::ssize_t>(n));
      auto w = values.mutable_unchecked<1>();
      for (size_t r = 1; r <= n; ++r) {
        w(static_cast<py::ssize_t>(r - 1)) =
            static_cast<std::int64_t>(csvNumber(rows[r][c], r + 1));
      }
      out[textOf(name)] = values;
    } else {
      py::array_t<double> values(static_cast<py::ssize_t>(n));
      auto w = values.mutable_unchecked<1>();
      for (size_t r = 1; r <= n; ++r) {
        w(static_cast<py::ssize_t>(r - 1)) = csvNumber(rows[r][c], r + 1);
      }
      out[textOf(name)] = values;
    }
  }
  return out;
}

// Collects what the core shows in message boxes, for Python's warnings.
class WarningHost : public vexmoor::Host {
 public:
  bool consoleEnabled() const override { return false; }
  void consoleWrite(std::string_view) override {}
  void messageBox(std::string_view text) override { warnings.emplace_back(text); }
  std::vector<std::string> warnings;
};

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
    raiseError(e.what());
  } catch (...) {
    raiseError("unexpected failure while " + doing);
  }
}

py::dict readGroup(py::object path, py::object dimension) {
  std::string file = bytesOf(path, "the path");
  std::optional<int> dim;
  if (!dimension.is_none()) {
    dim = dimension.cast<int>();
  }
  return guarded("reading \"" + file + "\"", [&] {
    WarningHost host;
    vexmoor::GroupCoordinates g;
    {
      py::gil_scoped_release release;
      g = vexmoor::readGroupCoordinates(file, dim, host);
    }
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
    out["warnings"] = pyList(host.warnings);
    return out;
  });
}

py::list fileNames(py::object files) {
  return guarded("naming groups",
                 [&] { return pyList(vexmoor::fileGroupNames(textList(files, "a file name"))); });
}

// Waits for the run with the GIL released, taking it back every
// kPollInterval to run Python's signal handlers: a KeyboardInterrupt (or
// whatever a handler raised) cancels the run and propagates.
vexmoor::RunOutput waitForRun(std::unique_ptr<vexmoor::BackgroundRun> run,
                              std::vector<std::string>& warnings) {
  for (;;) {
    bool ended;
    {
      py::gil_scoped_release release;
      ended = run->waitFor(kPollInterval);
    }
    if (ended) {
      break;
    }
    if (PyErr_CheckSignals() != 0) {
      py::error_already_set raised;
      {
        py::gil_scoped_release release;
        run.reset();  // cancels and joins: a fraction of a second
      }
      throw raised;
    }
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
    // The replicates CSV has one record per line.
    for (const vexmoor::InputGroup& g : runGroups.groups) {
      if (g.name.find_first_of("\n\r") != std::string::npos) {
        raiseError("the group name \"" + g.name + "\" holds a line break");
      }
    }
    std::vector<std::string> warnings;
    vexmoor::RunOutput out = waitForRun(
        std::make_unique<vexmoor::BackgroundRun>(std::move(runGroups), std::move(runSettings)),
        warnings);
    py::dict result;
    result["json"] = py::bytes(out.json);
    result["note"] = py::bytes(out.result.note);
    std::string csv = out.replicatesCsv();
    result["replicates"] = csv.empty() ? py::object(py::none()) : py::object(replicateColumns(csv));
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
  m.def("read_group", &readGroup, py::arg("path"), py::arg("dim"));
  m.def("file_group_names", &fileNames, py::arg("files"));
  m.def("run", &run, py::arg("groups"), py::arg("named"), py::arg("labels"), py::arg("settings"));
  py::list actions;
  for (std::string_view a : vexmoor::runActionNames()) {
    actions.append(py::str(std::string(a)));
  }
  m.attr("actions") = actions;
}
