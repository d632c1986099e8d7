#include "shell/long_action.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <exception>
#include <future>
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
  void cancel() { m_cancel.store(true); }
  std::int64_t done() const { return m_done.load(); }
  std::int64_t total() const { return m_total.load(); }

 private:
  std::atomic<std::int64_t> m_done{0}, m_total{0};
  std::atomic<bool> m_cancel{false};
};

constexpr int kProgressPollMs = 50;
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
  QEventLoop loop;
  std::thread worker([&] {
    task();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });

  QProgressDialog dialog(QString::fromStdString(label + "…"), "Cancel", 0, kBarSteps,
                         QApplication::activeWindow());
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
    std::int64_t total = progress.total();
    if (total > 0 && !progress.cancelRequested()) {
      std::int64_t done = std::min(progress.done(), total);
      dialog.setValue(static_cast<int>(done * kBarSteps / total));
      dialog.setLabelText(QString::fromStdString(label + ": " + std::to_string(done) + " of " +
                                                 std::to_string(total)));
    }
  });
  poll.start(kProgressPollMs);
  dialog.show();

  // Ends when the worker is done, or early when the application quits.
  loop.exec();
  if (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    progress.cancel();
    // The worker may be waiting for the GUI thread (a message box): keep
    // serving it until the work has seen the cancel.
    while (result.wait_for(std::chrono::milliseconds(kProgressPollMs)) !=
           std::future_status::ready) {
      QCoreApplication::processEvents();
    }
  }
  worker.join();
  poll.stop();
  dialog.hide();
  return result.get();
}

}  // namespace vexmoor
