#include "batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "actions/analysis_actions.h"
#include "actions/replicate_table.h"
#include "io/group_file.h"
#include "io/landmark_file.h"
#include "output_file.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

std::string dimensionWord(int d) {
  return d == 3 ? "three-dimensional" : "two-dimensional";
}

// The dimension of the run: --3d, or what a file states. A file that states
// another dimension than --3d or than the other file is an error.
bool settleDimension(const BatchOptions& options, const LandmarkGroup& g1,
                     const LandmarkGroup& g2) {
  const std::optional<int>& d1 = g1.info.dimension;
  const std::optional<int>& d2 = g2.info.dimension;
  if (d1 && d2 && *d1 != *d2) {
    throw Error("file \"" + options.group2File + "\" holds " + dimensionWord(*d2) +
                " landmarks, file \"" + options.group1File + "\" " + dimensionWord(*d1) +
                " ones; both groups must have the same dimension");
  }
  if (options.threeD) {
    for (const auto& [d, path] : {std::pair{d1, &options.group1File}, {d2, &options.group2File}}) {
      if (d && *d == 2) {
        throw Error("--3d contradicts file \"" + *path +
                    "\", which holds two-dimensional landmarks");
      }
    }
  }
  return options.threeD || (d1 && *d1 == 3) || (d2 && *d2 == 3);
}

// Landmark analyses need landmark configurations; the raw-coordinate path
// (two dimensions, --raw) takes any consistent column count.
void checkColumns(const LandmarkGroup& g, const std::string& path, bool threeD, bool raw) {
  bool rawPath = raw && !threeD;
  if (g.info.kind == RowKind::kVariables) {
    if (!rawPath) {
      throw Error("file \"" + path + "\" is " + variablesTableText(g) + "; " +
                  (threeD ? "three-dimensional analyses need landmarks"
                          : "partial warps need landmarks: give --raw to analyse its columns as "
                            "they stand"));
    }
    return;
  }
  if (g.info.kind == RowKind::kUnstated && !rawPath) {
    checkLandmarkColumns(g.data, threeD, path);
  }
}

void report(const LandmarkGroup& g, const std::string& path, Host& host) {
  for (const std::string& w : g.info.warnings) {
    host.messageBox("file \"" + path + "\": " + w);
  }
  if (host.consoleEnabled()) {
    for (const std::string& n : g.info.notes) {
      host.consoleWrite("note: file \"" + path + "\": " + n + "\n");
    }
  }
}

std::string lowerExtension(const std::string& path) {
  std::string e = std::filesystem::path(path).extension().string();
  std::transform(e.begin(), e.end(), e.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

AnalysisSettings settingsOf(const BatchOptions& options) {
  AnalysisSettings s;
  s.threeD = options.threeD;
  s.partialWarps = !options.raw;
  s.componentsText = options.components.value_or("");
  s.bootValue = options.bootValue;
  return s;
}

}  // namespace

void StreamHost::consoleWrite(std::string_view text) {
  m_out << text << std::flush;
}

void StreamHost::waitForKey() {
  if (!m_keyWaits || !m_keys) {
    return;
  }
  m_out << "Press Enter to continue." << std::endl;
  std::string line;
  std::getline(*m_keys, line);
}

bool batchKeyWaits(bool diagnostics, int inputDescriptor) {
  return diagnostics && ::isatty(inputDescriptor) == 1;
}

void StreamHost::messageBox(std::string_view text) {
  m_out << "warning: " << text << std::endl;
}

namespace {

GroupSource sourceOf(const std::string& file, const LandmarkGroup& group) {
  GroupSource source{file, formatName(group.info.format), {}};
  // A plain file names no specimens: its identifiers are running numbers.
  if (group.info.format != GroupFormat::kPlain) {
    source.identifiers = group.info.identifiers;
  }
  return source;
}

}  // namespace

std::string batchJson(const BatchOptions& options, const AnalysisResult& result,
                      const LandmarkGroup& group1, const LandmarkGroup& group2, bool threeD) {
  RunDescription run;
  run.group1 = sourceOf(options.group1File, group1);
  run.group2 = sourceOf(options.group2File, group2);
  run.settings = settingsOf(options);
  run.settings.threeD = threeD;
  return resultJson(result, run);
}

std::string runBatch(const BatchOptions& options, Host& host, const PictureWriter& drawPicture,
                     Progress* progress) {
  const AnalysisAction* action = findAnalysisAction(options.action);
  if (!action) {
    throw Error("unknown action \"" + options.action + "\"");
  }
  // Before any work: a long run must not be lost to a path that cannot be
  // written.
  std::unique_ptr<PendingOutput> replicates, plot;
  if (options.replicatesFile) {
    replicates = std::make_unique<PendingOutput>(*options.replicatesFile);
  }
  if (options.plotFile) {
    if (!drawPicture) {
      throw Error("option --plot: this build of vexmoor-batch draws no pictures");
    }
    plot = std::make_unique<PendingOutput>(*options.plotFile);
  }
  LandmarkGroup group1 = readGroupFile(options.group1File);
  LandmarkGroup group2 = readGroupFile(options.group2File);
  bool threeD = settleDimension(options, group1, group2);
  checkColumns(group1, options.group1File, threeD, options.raw);
  checkColumns(group2, options.group2File, threeD, options.raw);
  report(group1, options.group1File, host);
  report(group2, options.group2File, host);
  AnalysisRequest request;
  request.data1 = &group1.data;
  request.data2 = &group2.data;
  request.settings = settingsOf(options);
  request.settings.threeD = threeD;
  request.seed = options.seed;
  request.progress = progress;
  AnalysisResult result = action->run(request, host);

  if (replicates && result.resampling) {
    replicates->commit(replicateCsv(*result.resampling));
  }
  if (plot) {
    drawPicture(BatchPicture{result, group1.data, group2.data, threeD}, plot->temporaryPath(),
                lowerExtension(plot->path()));
    plot->commitFile();
  }
  return (options.json ? batchJson(options, result, group1, group2, threeD) : result.text) + "\n";
}

}  // namespace vexmoor
