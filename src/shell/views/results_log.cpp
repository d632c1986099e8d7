#include "shell/views/results_log.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "api/analysis_run.h"
#include "io/landmark_file.h"
#include "io/output_file.h"
#include "runtime/error.h"
#include "runtime/text.h"
#include "shell/views/result_saving.h"

namespace vexmoor {
namespace {

std::string localTime(std::chrono::system_clock::time_point t) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm parts{};
  localtime_r(&seconds, &parts);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &parts);
  return buffer;
}

std::string joined(const std::vector<std::string>& parts, const std::string& between) {
  std::string out;
  for (const std::string& p : parts) {
    out += (out.empty() ? "" : between) + p;
  }
  return out;
}

}  // namespace

LogEntry logEntryOf(const RunOutput& output, std::chrono::system_clock::time_point time) {
  const AnalysisResult& result = output.result;
  const RunDescription& run = output.description;
  LogEntry e;
  e.time = time;
  e.action = actionLabel(result.action);
  e.actionName = result.action;
  e.text = result.text;
  for (const GroupSource* g : {&run.group1, &run.group2}) {
    e.files.push_back(fileNameOf(g->file));
    e.paths.push_back(g->file);
  }
  if (result.groups.npca > 0) {
    e.components = result.groups.npca;
  }
  if (result.resampling) {
    e.bootValue = run.settings.bootValue;
  }
  e.seed = result.seed;
  e.threeD = run.settings.threeD;
  e.partialWarps = run.settings.partialWarps;
  return e;
}

std::string logHeading(const LogEntry& e) {
  std::vector<std::string> parts{"[" + localTime(e.time) + "] " + e.action};
  std::vector<std::string> files;
  for (const std::string& f : e.files) {
    files.push_back(escapeNonPrintable(f));
  }
  if (!files.empty()) {
    parts.push_back(joined(files, ", "));
  }
  if (e.components) {
    parts.push_back("k = " + std::to_string(*e.components));
  }
  if (e.bootValue) {
    parts.push_back("v = " + std::to_string(*e.bootValue));
  }
  if (e.seed) {
    parts.push_back("seed " + std::to_string(*e.seed));
  }
  if (!e.actionName.empty()) {
    parts.push_back(e.threeD ? (e.partialWarps ? "3D" : "3D, partial warps off")
                             : (e.partialWarps ? "partial warps" : "raw coordinates"));
  }
  return joined(parts, " · ");
}

std::string shellQuoted(const std::string& arg) {
  auto plain = [](unsigned char c) {
    return std::isalnum(c) || std::string_view("_./:=+-,@%").find(char(c)) != std::string::npos;
  };
  if (!arg.empty() && std::all_of(arg.begin(), arg.end(), plain)) {
    return arg;
  }
  std::string doubled;
  for (char c : arg) {
    doubled += c == '\\' ? std::string("\\\\") : std::string(1, c);
  }
  if (escapeNonPrintable(arg) == doubled) {
    std::string out = "'";
    for (char c : arg) {
      out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
  }
  std::string out = "$'";
  for (char c : arg) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", b);
      out += hex;
    } else if (c == '\\' || c == '\'') {
      out += std::string("\\") + c;
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string batchCommand(const LogEntry& e) {
  if (e.actionName.empty()) {
    return "";
  }
  std::string line = "vexmoor-batch " + shellQuoted(e.actionName);
  for (const std::string& p : e.paths) {
    line += " " + shellQuoted(p);
  }
  if (e.threeD) {
    line += " --3d";
  }
  if (!e.partialWarps) {
    line += " --raw";
  }
  if (e.components) {
    line += " -k " + std::to_string(*e.components);
  }
  if (e.bootValue) {
    line += " -v " + std::to_string(*e.bootValue);
  }
  if (e.seed) {
    line += " --seed " + std::to_string(*e.seed);
  }
  return line;
}

ResultsLog::ResultsLog(QWidget* parent)
    : QWidget(parent),
      m_view(new QPlainTextEdit(this)),
      m_saveButton(new QPushButton("Save log…", this)),
      m_clearButton(new QPushButton("Clear log", this)) {
  setObjectName("ResultsLog");
  m_view->setObjectName("ResultsLogText");
  m_view->setReadOnly(true);
  m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  m_view->setPlaceholderText("Every analysis's result is kept here, newest last.");
  m_view->setToolTip("Every analysis of this session with its time, files and settings");
  m_saveButton->setObjectName("SaveLogButton");
  m_saveButton->setToolTip("Save the whole log as a text file");
  m_clearButton->setObjectName("ClearLogButton");
  m_clearButton->setToolTip("Forget every entry of the log");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_saveButton);
  buttons->addWidget(m_clearButton);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(m_view, 1);
  layout->addLayout(buttons);
  m_saveDialog = [this]() -> std::optional<std::string> {
    std::optional<SaveDialogAnswer> answer = askWhereToSave(
        this, {"Save the results log", "vexmoor-log.txt", "Text files (*.txt);;All files (*)"});
    if (!answer) {
      return std::nullopt;
    }
    return answer->path;
  };
  connect(m_saveButton, &QPushButton::clicked, this, [this] { save(); });
  connect(m_clearButton, &QPushButton::clicked, this, [this] { clear(); });
  refresh();
}

void ResultsLog::append(LogEntry entry) {
  m_entries.push_back(std::move(entry));
  refresh();
  m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
}

void ResultsLog::appendNote(const std::string& heading, const std::string& message) {
  LogEntry note;
  note.time = std::chrono::system_clock::now();
  note.action = heading;
  note.text = message;
  append(std::move(note));
}

void ResultsLog::clear() {
  m_entries.clear();
  refresh();
}

std::string ResultsLog::text() const {
  std::string out;
  for (const LogEntry& e : m_entries) {
    if (!out.empty()) {
      out += "\n\n";
    }
    out += logHeading(e) + "\n";
    if (std::string command = batchCommand(e); !command.empty()) {
      out += "$ " + command + "\n";
    }
    out += e.text;
  }
  return out.empty() ? out : out + "\n";
}

void ResultsLog::saveTo(const std::string& path) const {
  writeOutputFile(path, text());
}

void ResultsLog::save() {
  std::optional<std::string> path = m_saveDialog ? m_saveDialog() : std::nullopt;
  if (!path) {
    return;
  }
  try {
    saveTo(*path);
    if (m_report) {
      m_report("Results log saved to " + escapeNonPrintable(*path), false);
    }
  } catch (const std::exception& e) {
    if (m_report) {
      m_report(std::string("Save log failed: ") + e.what(), true);
    }
  }
}

void ResultsLog::refresh() {
  m_view->setPlainText(QString::fromStdString(text()));
  m_saveButton->setEnabled(!m_entries.empty());
  m_clearButton->setEnabled(!m_entries.empty());
}

}  // namespace vexmoor
