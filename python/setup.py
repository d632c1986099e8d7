"""Builds the module vexmoor with setuptools and pybind11's helpers.

In the repository the build step first copies what the module compiles
from the core into core/ (the library's sources, headers and version, as
the core's CMake files list them) and the example groups into
vexmoor/data/; a source distribution carries those copies, so it builds
anywhere with a C++20 compiler, Eigen 3.4, nlohmann-json, LAPACK and BLAS.
"""

import os
import re
import shutil
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

HERE = Path(__file__).resolve().parent
REPOSITORY = HERE.parent
CORE = HERE / "core"
EXAMPLES = ["gorilla/gorf.txt", "gorilla/gorm.txt", "macaque/macf.txt", "macaque/macm.txt"]


def _in_repository():
    top = REPOSITORY / "CMakeLists.txt"
    return top.is_file() and "project(Vexmoor " in top.read_text() and (REPOSITORY / "src").is_dir()


def _core_folders(src):
    """The folders the core library adds, in its CMake order (the desktop's
    folders come after the GUI switch and are left out)."""
    text = (src / "CMakeLists.txt").read_text().split("if(VEXMOOR_BUILD_GUI)")[0]
    return re.findall(r"^add_subdirectory\((\w+)\)", text, re.M)


def _listed_sources(folder):
    """(sources, the ones with options of their own) of one folder's CMake
    file: its target_sources(vexmoor_core ...) lists and the files whose
    COMPILE_OPTIONS it sets."""
    text = (folder / "CMakeLists.txt").read_text()
    sources = []
    for block in re.findall(r"target_sources\(vexmoor_core\s+PRIVATE([^)]*)\)", text):
        sources += block.split()
    options = {}
    for names, flags in re.findall(
            r"set_source_files_properties\(([^)]*?)TARGET_DIRECTORY[^)]*?COMPILE_OPTIONS([^)]*)\)",
            text):
        for name in names.split():
            options[name] = flags.split()
    return sources, options


def copy_core():
    """Refreshes core/ and vexmoor/data/ from the repository."""
    src = REPOSITORY / "src"
    if CORE.exists():
        shutil.rmtree(CORE)
    lines = []
    for name in _core_folders(src):
        folder = src / name
        shutil.copytree(folder, CORE / name, ignore=shutil.ignore_patterns("CMakeLists.txt"))
        sources, options = _listed_sources(folder)
        lines += [" ".join([f"{name}/{s}", *options.get(s, [])]) for s in sources]
    (CORE / "sources.txt").write_text("\n".join(lines) + "\n")
    version = re.search(r"project\(Vexmoor VERSION ([0-9.]+)", (REPOSITORY / "CMakeLists.txt").read_text())
    (CORE / "VERSION").write_text(version.group(1) + "\n")
    data = HERE / "vexmoor" / "data"
    data.mkdir(exist_ok=True)
    for example in EXAMPLES:
        shutil.copy(REPOSITORY / "examples" / example, data)


def core_sources():
    """{path relative to this folder: its own compile options}."""
    out = {}
    for line in (CORE / "sources.txt").read_text().splitlines():
        path, *options = line.split()
        out[f"core/{path}"] = options
    return out


class BuildExt(build_ext):
    """pybind11's build_ext that gives a source the options the core's
    CMake files give it (-O3 for the replicate loops)."""

    def build_extensions(self):
        compile_one = self.compiler._compile
        options = {os.path.normpath(HERE / path): flags for path, flags in core_sources().items()}

        def compile_with_options(obj, src, ext, cc_args, extra_postargs, pp_opts):
            own = options.get(os.path.normpath(HERE / src), [])
            compile_one(obj, src, ext, cc_args, extra_postargs + own, pp_opts)

        self.compiler._compile = compile_with_options
        super().build_extensions()


def uses_lapacke():
    return any("<lapacke.h>" in path.read_text() for path in CORE.rglob("*.cpp"))


if _in_repository():
    copy_core()
VERSION = (CORE / "VERSION").read_text().strip()

# VEXMOOR_BUILD_JOBS compiles that many files at once (default: every core).
ParallelCompile("VEXMOOR_BUILD_JOBS").install()

module = Pybind11Extension(
    "vexmoor._core",
    ["src/bindings.cpp", *sorted(core_sources())],
    include_dirs=["core"],
    define_macros=[("VEXMOOR_VERSION", f'"{VERSION}"')],
    # The core's own optimisation, whatever the interpreter was built with:
    # the batch's numbers to the last bit. Eigen as a system library, whose
    # warnings are not ours.
    extra_compile_args=["-O2", "-isystem", "/usr/include/eigen3"],
    libraries=(["lapacke"] if uses_lapacke() else []) + ["lapack", "blas"],
    cxx_std=20,
)

setup(version=VERSION, packages=["vexmoor"],
      package_data={"vexmoor": ["py.typed", "*.pyi", "data/*.txt"]},
      ext_modules=[module], cmdclass={"build_ext": BuildExt})
