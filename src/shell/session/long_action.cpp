#include "shell/session/long_action.h"

#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <string>

#include "api/background_run.h"

namespace vexmoor {
namespace {

class NeverCancelled : public Progress {
 public:
  void report(std::int64_t, std::int64_t) override {}
  bool cancelRequested() const override { return false; }
};

constexpr std::chrono::milliseconds kPoll{50};

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

// Shows where the work stands.
void showProgress(QProgressDialog& dialog, const std::string& label,
                  const BackgroundRun::Progress& p) {
  std::string text = label + (p.doing.empty() ? "" : ": " + p.doing);
  if (p.total > 0) {
    std::int64_t done = std::min(p.done, p.total);
    dialog.setMaximum(kBarSteps);
    dialog.setValue(static_cast<int>(done * kBarSteps / p.total));
    text +=
        (p.doing.empty() ? ": " : ", ") + std::to_string(done) + " of " + std::to_string(p.total);
  } else if (!p.doing.empty()) {
    // Work without a known end (sweeps until they settle): a busy bar.
    dialog.setMaximum(0);
  }
  if (p.total > 0 || !p.doing.empty()) {
    dialog.setLabelText(QString::fromStdString(text));
  }
}

}  // namespace

RunOutput InlineRunner::run(const std::string&, const LongWork& work, Host& host) {
  NeverCancelled progress;
  return work(host, progress);
}

RunOutput ProgressDialogRunner::run(const std::string& label, const LongWork& work, Host& host) {
  BackgroundRun job(work, host.consoleEnabled());
  QProgressDialog dialog(QString::fromStdString(label + "…"), "Cancel", 0, kBarSteps,
                         dialogParent());
  dialog.setWindowTitle("Vexmoor");
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);
  dialog.setMinimumDuration(0);
  dialog.setValue(0);
  QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
    job.cancel();
    dialog.setLabelText(QString::fromStdString(label + ": cancelling…"));
  });
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
    job.relay(host);
    if (!job.cancelled()) {
      showProgress(dialog, label, job.progress());
    }
  });
  poll.start(kPoll);
  dialog.show();

  // Waits for the work itself, woken at least by the poll. A nested
  // QEventLoop would not do: its exec() returns at once, and keeps
  // returning, once the thread's loops were told to quit, and a run that
  // nobody cancelled must never end as cancelled. Only the dialog (Cancel,
  // Escape, closing it) cancels.
  while (!job.waitFor(std::chrono::milliseconds(0))) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  poll.stop();
  dialog.hide();
  job.relay(host);
  return job.take();
}

}  // namespace vexmoor
