// The console lines of the action that runs or ran last, for the window's
// Output box: a host that keeps the last lines written and passes
// everything on to the host it wraps.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "runtime/host.h"

namespace vexmoor {

// How many lines the Output box keeps: a bootstrap run at v = 10 writes
// over a megabyte.
inline constexpr size_t kOutputLines = 2000;

class ConsoleTail : public Host {
 public:
  // `inner` must outlive the tail.
  explicit ConsoleTail(Host& inner, size_t maxLines = kOutputLines)
      : m_inner(inner), m_maxLines(maxLines) {}

  // Always on: the Output box shows the lines whether or not the inner
  // host prints them.
  bool consoleEnabled() const override { return true; }
  // Thread-safe.
  void consoleWrite(std::string_view text) override;
  void messageBox(std::string_view text) override { m_inner.messageBox(text); }
  void waitForKey() override { m_inner.waitForKey(); }

  // Forgets the lines kept (a new action starts).
  void clear();
  // The last lines, at most maxLines, an unfinished last line included.
  std::string text() const;
  // Whether anything was written since the last clear().
  bool written() const;
  // Called on the writing thread after each write.
  void setOnWrite(std::function<void()> onWrite) { m_onWrite = std::move(onWrite); }

 private:
  Host& m_inner;
  size_t m_maxLines;
  mutable std::mutex m_mutex;
  std::deque<std::string> m_lines;
  std::string m_partial;
  bool m_written = false;
  std::function<void()> m_onWrite;
};

}  // namespace vexmoor
