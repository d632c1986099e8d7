#include "shell/views/components_window.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

#include "plot/picture_caption.h"
#include "plot/picture_file.h"
#include "runtime/error.h"
#include "runtime/text.h"
#include "shell/views/result_saving.h"
#include "shell/views/reused_window.h"
#include "shell/views/stale_note.h"

namespace vexmoor {
namespace {

QPointer<ComponentsWindow> g_window;

// How near the mouse must be to a score point, in pixels.
constexpr double kReach = 7;
constexpr int kMeetingRowPixels = 190;
constexpr int kPngScale = 2;

QCustomPlot* newPlot(QWidget* parent, const char* name, QSize least) {
  auto* plot = new QCustomPlot(parent);
  plot->setObjectName(name);
  plot->setMinimumSize(least);
  return plot;
}

QString shapeChoiceText(const PrincipalComponents& pc, const GroupNames& names,
                        const ShapeChangeChoice& c) {
  if (c.kind == ShapeChangeChoice::Kind::kAxis) {
    const ComponentAxis& a = pc.groups[c.group].axes[static_cast<size_t>(c.index)];
    return QString::fromStdString(names[c.group]) +
           QString(", PC %1 (%2 %)").arg(c.index + 1).arg(100 * a.share, 0, 'f', 1);
  }
  const ComponentPair& p = pc.pairs[c.pair];
  size_t group = c.group == 0 ? p.first : p.second;
  return QString::fromStdString(names[group]) +
         QString::fromUtf8(", direction of angle %1 (%2\u00b0)")
             .arg(c.index + 1)
             .arg(p.angles(c.index), 0, 'f', 2);
}

}  // namespace

ComponentsWindow::ComponentsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Vexmoor: principal components");
  auto* layout = new QVBoxLayout(this);
  m_staleNote = makeStaleNote(this);
  layout->addWidget(m_staleNote);
  auto* choices = new QHBoxLayout;
  auto* axesLabel = new QLabel("Score plot axes:", this);
  m_axisX = new QSpinBox(this);
  m_axisX->setObjectName("ScoreAxisX");
  m_axisY = new QSpinBox(this);
  m_axisY->setObjectName("ScoreAxisY");
  for (QSpinBox* s : {m_axisX, m_axisY}) {
    s->setToolTip("Pooled principal axes of the score plot");
    s->setRange(1, 2);
  }
  m_axisY->setValue(2);
  axesLabel->setBuddy(m_axisX);
  auto* shownLabel = new QLabel("Shape change of:", this);
  m_shown = new QComboBox(this);
  m_shown->setObjectName("ShapeChangeChoice");
  m_shown->setToolTip("A group's principal axis, or one direction of a principal angle");
  shownLabel->setBuddy(m_shown);
  auto* cLabel = new QLabel(QString::fromUtf8("\u00b1"), this);
  m_deviations = new QDoubleSpinBox(this);
  m_deviations->setObjectName("Deviations");
  m_deviations->setRange(0.25, 10);
  m_deviations->setSingleStep(0.5);
  m_deviations->setValue(kDefaultDeviations);
  m_deviations->setSuffix(" sd");
  m_deviations->setToolTip("How many standard deviations the shapes are displaced by");
  cLabel->setBuddy(m_deviations);
  auto* save = new QPushButton("Save plot…", this);
  save->setObjectName("SaveComponentsButton");
  save->setToolTip("Save the four pictures as SVG, PNG or PDF");
  auto* copy = new QPushButton("Copy", this);
  copy->setObjectName("CopyComponentsButton");
  copy->setToolTip("Copy the four pictures to the clipboard");
  for (QWidget* w : std::initializer_list<QWidget*>{axesLabel, m_axisX, m_axisY, shownLabel,
                                                    m_shown, cLabel, m_deviations}) {
    choices->addWidget(w);
  }
  choices->addStretch(1);
  choices->addWidget(save);
  choices->addWidget(copy);
  layout->addLayout(choices);

  auto* grid = new QGridLayout;
  m_score = newPlot(this, "ScorePlot", QSize(340, 300));
  m_shape = newPlot(this, "ShapeChangePlot", QSize(420, 220));
  m_scree = newPlot(this, "ScreePlot", QSize(300, 220));
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("MeetingArea");
  scroll->setWidgetResizable(true);
  m_meeting = newPlot(scroll, "MeetingPlot", QSize(420, kMeetingRowPixels));
  scroll->setWidget(m_meeting);
  scroll->setMinimumSize(440, 240);
  grid->addWidget(m_score, 0, 0);
  grid->addWidget(m_shape, 0, 1);
  grid->addWidget(m_scree, 1, 0);
  grid->addWidget(scroll, 1, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid, 1);
  m_statusLine = new QLabel(this);
  m_statusLine->setObjectName("ComponentsStatus");
  m_statusLine->setWordWrap(true);
  layout->addWidget(m_statusLine);

  m_score->installEventFilter(this);
  m_shape->installEventFilter(this);
  m_meeting->installEventFilter(this);
  auto changed = [this] {
    if (!m_filling) {
      redraw();
    }
  };
  connect(m_axisX, &QSpinBox::valueChanged, this, changed);
  connect(m_axisY, &QSpinBox::valueChanged, this, changed);
  connect(m_shown, &QComboBox::currentIndexChanged, this, changed);
  connect(m_deviations, &QDoubleSpinBox::valueChanged, this, changed);
  connect(save, &QPushButton::clicked, this, [this] {
    std::optional<SaveDialogAnswer> answer =
        askWhereToSave(this, {"Save the principal components", "components.svg",
                              "SVG (*.svg);;PNG (*.png);;PDF (*.pdf)"});
    if (!answer) {
      return;
    }
    try {
      saveAs(answer->path);
      showStatus("Pictures saved to " + escapeNonPrintable(answer->path), false);
    } catch (const Error& e) {
      showStatus(std::string("Save plot failed: ") + e.what(), true);
    }
  });
  connect(copy, &QPushButton::clicked, this, [this] { copyToClipboard(); });
}

void ComponentsWindow::showResult(const PrincipalComponents& pc, IdentifierLookup identifiers,
                                  const ShownRun& shown) {
  m_result = pc;
  m_caption = shown.caption;
  showRun(shown);
  m_identifiers = std::move(identifiers);
  m_names.clear();
  for (const GroupComponents& g : pc.groups) {
    m_names.push_back(g.label);
  }
  fillChoices();
  redraw();
  if (!isVisible()) {
    resize(980, 720);
  }
  show();
  raise();
}

void ComponentsWindow::fillChoices() {
  const PrincipalComponents& pc = *m_result;
  m_filling = true;
  int axes = static_cast<int>(pc.pooledAxes.cols());
  int x = m_axisX->value(), y = m_axisY->value();
  m_axisX->setRange(1, axes);
  m_axisY->setRange(1, axes);
  if (x > axes || y > axes || x == y) {
    x = 1;
    y = std::min(2, axes);
  }
  m_axisX->setValue(x);
  m_axisY->setValue(y);
  // Keep the same kind of choice where it still exists.
  ShapeChangeChoice before = m_choices.empty() ? ShapeChangeChoice{} : shapeChoice();
  m_choices.clear();
  m_shown->clear();
  for (size_t g = 0; g < pc.groups.size(); ++g) {
    for (int j = 0; j < pc.k; ++j) {
      m_choices.push_back({ShapeChangeChoice::Kind::kAxis, g, j, 0});
    }
  }
  for (size_t p = 0; p < pc.pairs.size(); ++p) {
    for (int i = 0; i < pc.k; ++i) {
      for (size_t side = 0; side < 2; ++side) {
        m_choices.push_back({ShapeChangeChoice::Kind::kDirection, side, i, p});
      }
    }
  }
  int current = 0;
  for (size_t c = 0; c < m_choices.size(); ++c) {
    const ShapeChangeChoice& s = m_choices[c];
    m_shown->addItem(shapeChoiceText(pc, m_names, s));
    if (s.kind == before.kind && s.group == before.group && s.index == before.index &&
        s.pair == before.pair) {
      current = static_cast<int>(c);
    }
  }
  m_shown->setCurrentIndex(current);
  m_meeting->setMinimumHeight(pc.k * kMeetingRowPixels);
  m_filling = false;
}

ShapeChangeChoice ComponentsWindow::shapeChoice() const {
  int i = m_shown->currentIndex();
  return i >= 0 && static_cast<size_t>(i) < m_choices.size() ? m_choices[static_cast<size_t>(i)]
                                                             : ShapeChangeChoice{};
}

void ComponentsWindow::redraw() {
  // A stale result is not drawn again: its choices are idle.
  if (!m_result || stale()) {
    return;
  }
  try {
    m_scoreRect =
        drawScorePlot(*m_score, *m_result, m_names, m_axisX->value() - 1, m_axisY->value() - 1);
    drawScree(*m_scree, *m_result, m_names);
    redrawShapes();
    showStatus(m_result->dimension == 3 ? "Drag a shape to turn the three-dimensional view" : "",
               false);
  } catch (const Error& e) {
    showStatus(e.what(), true);
  }
}

void ComponentsWindow::redrawShapes() {
  double c = m_deviations->value();
  drawShapeChange(*m_shape, *m_result, m_names, shapeChoice(), c, m_view);
  drawSubspaceMeeting(*m_meeting, *m_result, m_names, 0, c, m_view);
}

void ComponentsWindow::showStatus(const std::string& text, bool error) {
  m_status = text;
  m_statusIsError = error;
  m_statusLine->setText(QString::fromStdString(text));
  m_statusLine->setStyleSheet(error ? "color: #c00000" : "");
}

std::optional<std::string> ComponentsWindow::scoreTextAt(QPoint pixel) const {
  if (!m_result || !m_scoreRect) {
    return std::nullopt;
  }
  QCPAxis* xAxis = m_scoreRect->axis(QCPAxis::atBottom);
  QCPAxis* yAxis = m_scoreRect->axis(QCPAxis::atLeft);
  int ax = m_axisX->value() - 1, ay = m_axisY->value() - 1;
  double best = kReach * kReach;
  std::optional<std::pair<size_t, Index>> found;
  for (size_t g = 0; g < m_result->pooledScores.size(); ++g) {
    const Matrix& s = m_result->pooledScores[g];
    for (Index i = 0; i < s.rows(); ++i) {
      double dx = xAxis->coordToPixel(s(i, ax)) - pixel.x();
      double dy = yAxis->coordToPixel(s(i, ay)) - pixel.y();
      if (dx * dx + dy * dy <= best) {
        best = dx * dx + dy * dy;
        found = std::pair{g, i};
      }
    }
  }
  if (!found) {
    return std::nullopt;
  }
  auto [g, i] = *found;
  std::optional<std::string> id;
  if (m_identifiers) {
    id = m_identifiers(static_cast<int>(g) + 1, i + 1);
  }
  return "Group " + std::to_string(g + 1) + " · specimen " +
         (id ? escapeNonPrintable(*id) : std::to_string(i + 1));
}

bool ComponentsWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_score && event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    if (std::optional<std::string> text = scoreTextAt(help->pos())) {
      QToolTip::showText(help->globalPos(), QString::fromStdString(*text), m_score);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  bool turnable = m_result && !stale() && m_result->dimension == 3 &&
                  (watched == m_shape || watched == m_meeting);
  if (!turnable) {
    return false;
  }
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease) {
    return false;
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
    m_dragFrom = mouse->position().toPoint();
    return true;
  }
  if (event->type() == QEvent::MouseMove && m_dragFrom) {
    QPoint now = mouse->position().toPoint();
    m_view = m_view.dragged(now.x() - m_dragFrom->x(), now.y() - m_dragFrom->y());
    m_dragFrom = now;
    try {
      redrawShapes();
    } catch (const Error& e) {
      showStatus(e.what(), true);
    }
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    m_dragFrom.reset();
  }
  return false;
}

QSize ComponentsWindow::pageSize() const {
  int left = std::max(m_score->width(), m_scree->width());
  int right = std::max(m_shape->width(), m_meeting->width());
  int top = std::max(m_score->height(), m_shape->height());
  int bottom = std::max(m_scree->height(), m_meeting->height());
  return QSize(left + right, top + bottom + kCaptionHeight);
}

void ComponentsWindow::paintPage(QCPPainter& painter) const {
  int left = std::max(m_score->width(), m_scree->width());
  int top = std::max(m_score->height(), m_shape->height());
  int bottom = std::max(m_scree->height(), m_meeting->height());
  const std::pair<QCustomPlot*, QPoint> cells[] = {{m_score, QPoint(0, 0)},
                                                   {m_shape, QPoint(left, 0)},
                                                   {m_scree, QPoint(0, top)},
                                                   {m_meeting, QPoint(left, top)}};
  for (const auto& [plot, at] : cells) {
    painter.save();
    painter.translate(at);
    plot->toPainter(&painter, plot->width(), plot->height());
    painter.restore();
  }
  // What the pictures are of, drawn as every picture's caption is, so
  // that a saved or copied page says it.
  int width = pageSize().width();
  QCustomPlot caption;
  caption.plotLayout()->clear();
  addCaption(caption, caption.plotLayout(), 0, m_caption, width);
  painter.save();
  painter.translate(0, top + bottom);
  caption.toPainter(&painter, width, kCaptionHeight);
  painter.restore();
}

void ComponentsWindow::saveAs(const std::string& path) {
  PictureFormat format = pictureFormatOf(path);
  if (!m_result) {
    throw Error("there are no principal components to save: run Principal components first");
  }
  writePicture(path, format, pageSize(), [this](QCPPainter& p, QSize) { paintPage(p); });
}

void ComponentsWindow::copyToClipboard() {
  if (!m_result) {
    showStatus("Nothing to copy yet: run Principal components first", true);
    return;
  }
  QImage image(pageSize() * kPngScale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QCPPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(kPngScale, kPngScale);
  paintPage(painter);
  painter.end();
  QApplication::clipboard()->setImage(image);
  showStatus("Pictures copied to the clipboard", false);
}

void ComponentsWindow::markStale(const std::optional<std::string>& reason) {
  markView(*m_staleNote, {m_score, m_shape, m_meeting, m_scree},
           reason ? "These principal components are " + *reason : "");
  for (QWidget* choice : std::initializer_list<QWidget*>{m_axisX, m_axisY, m_shown, m_deviations}) {
    choice->setEnabled(!reason);
  }
}

ComponentsWindow& componentsWindow() {
  return reusedWindow(g_window, [] { return new ComponentsWindow; });
}

ComponentsWindow* existingComponentsWindow() {
  return g_window.data();
}

}  // namespace vexmoor
