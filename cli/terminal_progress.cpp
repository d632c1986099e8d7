#include "terminal_progress.h"

#include <cmath>
#include <cstdio>

#include "analyses/analysis_actions.h"

namespace vexmoor {
namespace {

// Short runs show nothing; longer ones a line that does not flicker.
constexpr std::chrono::milliseconds kQuietStart{2000};
constexpr std::chrono::milliseconds kRedraw{500};

std::string duration(double seconds) {
  long s = std::lround(seconds);
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  }
  return text;
}

// 1990000 as "1,990,000".
std::string grouped(std::int64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0 && digits[i - 1] != '-') {
      out += ',';
    }
    out += digits[i];
  }
  return out;
}

}  // namespace

TerminalProgress::TerminalProgress(const Progress& cancel, std::ostream& out, bool enabled,
                                   std::string unit)
    : m_cancel(cancel), m_out(out), m_enabled(enabled), m_unit(std::move(unit)) {}

std::string TerminalProgress::line(std::string_view doing, std::int64_t done, std::int64_t total,
                                   std::string_view unit, double elapsed) {
  std::string out(doing);
  if (total > 0) {
    out += (out.empty() ? "" : "; ") + grouped(done) + " of " + grouped(total);
    if (!unit.empty()) {
      out += " " + std::string(unit);
    }
  }
  out += (out.empty() ? "" : "; ") + duration(elapsed) + " elapsed";
  if (total > 0 && done > 0 && done < total) {
    double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
    out += ", about " + duration(left) + " left";
  }
  return out;
}

void TerminalProgress::report(std::int64_t done, std::int64_t total) {
  if (!m_enabled) {
    return;
  }
  std::lock_guard lock(m_mutex);
  m_done = done;
  m_total = total;
  drawWhenDue();
}

void TerminalProgress::describe(std::string_view text) {
  if (!m_enabled) {
    return;
  }
  std::lock_guard lock(m_mutex);
  m_doing = text;
  drawWhenDue();
}

void TerminalProgress::drawWhenDue() {
  Clock::time_point now = Clock::now();
  if (now - m_start < kQuietStart || now - m_lastDraw < kRedraw) {
    return;
  }
  m_lastDraw = now;
  double elapsed = std::chrono::duration<double>(now - m_start).count();
  // Back to the line's start, the line, and the rest of the old one erased.
  m_out << '\r' << line(m_doing, m_done, m_total, m_unit, elapsed) << "\033[K" << std::flush;
  m_drawn = true;
}

void TerminalProgress::finish() {
  std::lock_guard lock(m_mutex);
  if (m_drawn) {
    m_out << "\r\033[K" << std::flush;
    m_drawn = false;
  }
}

std::string progressUnit(std::string_view action) {
  const AnalysisAction* a = findAnalysisAction(action);
  return a && a->resampling ? "replicates" : "";
}

}  // namespace vexmoor
