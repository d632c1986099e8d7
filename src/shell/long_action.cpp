#include "shell/long_action.h"

#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace vexmoor {
namespace {

class NeverCancelled : public Progress {
 public:
  void report(std::int64_t, std::int64_t) override {}
  bool cancelRequested() const override { return false; }
};

// Progress shared by the worker (which reports) and the GUI thread (which
// shows it and may cancel).
class SharedProgress : public Progress {
 public:
  void report(std::int64_t done, std::int64_t total) override {
    m_done.store(done);
    m_total.store(total);
  }
  bool cancelRequested() const override { return m_cancel.load(); }
  void describe(std::string_view text) override {
    std::lock_guard lock(m_mutex);
    m_doing = text;
  }
  void cancel() { m_cancel.store(true); }
  std::int64_t done() const { return m_done.load(); }
  std::int64_t total() const { return m_total.load(); }
  std::string doing() const {
    std::lock_guard lock(m_mutex);
    return m_doing;
  }

 private:
  std::atomic<std::int64_t> m_done{0}, m_total{0};
  std::atomic<bool> m_cancel{false};
  mutable std::mutex m_mutex;
  std::string m_doing;
};

constexpr int kProgressPollMs = 50;

// The main window when it is up: the dialog then stays over it whichever
// window has the focus, and never outlives it.
QWidget* dialogParent() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMainWindow*>(w) && w->isVisible()) {
      return w;
    }
  }
  return QApplication::activeWindow();
}
// The dialog's bar counts to this many parts of the total.
constexpr int kBarSteps = 1000;

}  // namespace

std::string InlineRunner::run(const std::string&, const LongWork& work) {
  NeverCancelled progress;
  return work(progress);
}

std::string ProgressDialogRunner::run(const std::string& label, const LongWork& work) {
  SharedProgress progress;
  std::packaged_task<std::string()> task([&] { return work(progress); });
  std::future<std::string> result = task.get_future();
  QObject waker;
  std::thread worker([&] {
    task();
    // Wakes the wait below, which may be sleeping until the next event.
    QMetaObject::invokeMethod(
        &waker, [] {}, Qt::QueuedConnection);
  });

  QProgressDialog dialog(QString::fromStdString(label + "…"), "Cancel", 0, kBarSteps,
                         dialogParent());
  dialog.setWindowTitle("Vexmoor");
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);
  dialog.setMinimumDuration(0);
  dialog.setValue(0);
  QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
    progress.cancel();
    dialog.setLabelText(QString::fromStdString(label + ": cancelling…"));
  });
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
    if (progress.cancelRequested()) {
      return;
    }
    std::int64_t total = progress.total();
    std::string doing = progress.doing();
    std::string text = label + (doing.empty() ? "" : ": " + doing);
    if (total > 0) {
      std::int64_t done = std::min(progress.done(), total);
      dialog.setMaximum(kBarSteps);
      dialog.setValue(static_cast<int>(done * kBarSteps / total));
      text += (doing.empty() ? ": " : ", ") + std::to_string(done) + " of " + std::to_string(total);
    } else if (!doing.empty()) {
      // Work without a known end (sweeps until they settle): a busy bar.
      dialog.setMaximum(0);
    }
    if (total > 0 || !doing.empty()) {
      dialog.setLabelText(QString::fromStdString(text));
    }
  });
  poll.start(kProgressPollMs);
  dialog.show();

  // Waits for the worker itself. A nested QEventLoop would not do: its
  // exec() returns at once, and keeps returning, once the thread's loops
  // were told to quit, and a run that nobody cancelled must never end as
  // cancelled. Only the dialog (Cancel, Escape, closing it) cancels.
  while (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  worker.join();
  poll.stop();
  dialog.hide();
  return result.get();
}

}  // namespace vexmoor
