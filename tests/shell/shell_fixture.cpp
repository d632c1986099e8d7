#include "shell_fixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>
#include <array>
#include <cmath>

#include "graphics/message_box.h"
#include "runtime/error.h"

namespace vexmoor {

void ShellFixture::start(std::unique_ptr<LongActionRunner> runner) {
  m_app = std::make_unique<Application>(
      m_host, QCoreApplication::applicationDirPath().toStdString(), std::move(runner));
  m_app->dispatcher().setFileDialog(
      [this](const FileDialogRequest& r) -> std::optional<std::string> {
        m_requests.push_back(r);
        if (m_answers.empty()) {
          throw Error("the test gave the file dialog no answer");
        }
        std::optional<std::string> a = m_answers.front();
        m_answers.pop_front();
        return a;
      });
  // No question box in tests: a file with missing values is refused
  // unless a test answers in its place.
  m_app->dispatcher().setDropQuestion(nullptr);
  setSaveDialog([this](QWidget*, const SaveDialogRequest& r) -> std::optional<SaveDialogAnswer> {
    m_saveRequests.push_back(r);
    if (m_saveAnswers.empty()) {
      return std::nullopt;
    }
    std::optional<SaveDialogAnswer> a = m_saveAnswers.front();
    m_saveAnswers.pop_front();
    return a;
  });
  graphics::setMessageBoxHook(
      [this](const std::string& text, const std::string&) { m_boxes.push_back(text); });
  m_main = m_app->open();
}

void ShellFixture::stop() {
  m_app.reset();
  m_answers.clear();
  m_requests.clear();
  m_saveAnswers.clear();
  m_saveRequests.clear();
  setSaveDialog(nullptr);
  m_boxes.clear();
  m_console.str("");
  graphics::graphics().closeAll();
  graphics::setMessageBoxHook(nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

graphics::Figure& ShellFixture::mainWindow() {
  return dynamic_cast<graphics::Figure&>(graphics::graphics().object(m_main));
}

graphics::GraphicsObject& ShellFixture::control(std::string_view tag) {
  std::vector<graphics::Handle> found = graphics::graphics().findByTag(tag);
  if (found.empty()) {
    throw Error("no control tagged " + std::string(tag));
  }
  return graphics::graphics().object(found.front());
}

std::string ShellFixture::string(std::string_view tag) {
  return std::get<std::string>(control(tag).get("String"));
}

double ShellFixture::value(std::string_view tag) {
  return std::get<Matrix>(control(tag).get("Value"))(0);
}

std::string ShellFixture::enable(std::string_view tag) {
  return std::get<std::string>(control(tag).get("Enable"));
}

void ShellFixture::click(std::string_view tag) {
  auto& c = dynamic_cast<graphics::UiControl&>(control(tag));
  auto* button = qobject_cast<QAbstractButton*>(c.widget());
  if (!button) {
    throw Error(std::string(tag) + " is not a button");
  }
  QTest::mouseClick(button, Qt::LeftButton);
}

graphics::Axes& ShellFixture::groupAxes() {
  for (graphics::GraphicsObject* o : mainWindow().children()) {
    if (auto* axes = dynamic_cast<graphics::Axes*>(o)) {
      return *axes;
    }
  }
  throw Error("the main window has no axes");
}

std::string ShellFixture::plotMismatch() {
  const ApplicationState& st = dispatcher().state();
  bool threeD = st.tval && *st.tval != 0;
  bool raw = dispatcher().plotView() == PlotView::kRaw;
  std::array<size_t, 2> expected{}, found{};
  for (int g = 0; g < 2; ++g) {
    const Matrix* d = st.data(g + 1);
    const GroupInfo* info = st.info(g + 1);
    if (!d || info->kind == RowKind::kVariables) {
      continue;
    }
    auto k = static_cast<size_t>((d->cols() - 1) / (threeD ? 3 : 2));
    auto rows = static_cast<size_t>(d->rows());
    expected[g] = threeD ? 1 : rows * k + (rows > 1 ? k : 0);
  }
  for (graphics::GraphicsObject* o : groupAxes().children()) {
    const PointLabel* label = dispatcher().pointLabels().find(o->handle());
    auto* line = dynamic_cast<graphics::Line*>(o);
    if (!label || !line) {
      return "a plotted object stands for no group's point";
    }
    int g = label->group - 1;
    const Matrix* d = st.data(g + 1);
    if (!d) {
      return "group " + std::to_string(g + 1) + " is not loaded but drawn";
    }
    ++found[static_cast<size_t>(g)];
    if (threeD || !raw) {
      continue;
    }
    Index j = label->landmark - 1;
    Index s = label->specimen;
    double x = s > 0 ? (*d)(s - 1, 2 * j) : d->col(2 * j).mean();
    double y = s > 0 ? (*d)(s - 1, 2 * j + 1) : d->col(2 * j + 1).mean();
    auto near = [](double a, double b) { return std::abs(a - b) <= 1e-9 * (1 + std::abs(b)); };
    if (line->x().size() != 1 || !near(line->x()[0], x) || !near(line->y()[0], y)) {
      return "group " + std::to_string(g + 1) + " specimen " + std::to_string(s) + " landmark " +
             std::to_string(j + 1) + " is not where the file has it";
    }
  }
  for (int g = 0; g < 2; ++g) {
    if (found[g] != expected[g]) {
      return "group " + std::to_string(g + 1) + ": " + std::to_string(found[g]) +
             " points drawn, " + std::to_string(expected[g]) + " loaded";
    }
  }
  return "";
}

std::string ShellFixture::example(const std::string& file) {
  return std::string(VEXMOOR_EXAMPLES) + "/" + file;
}

}  // namespace vexmoor
