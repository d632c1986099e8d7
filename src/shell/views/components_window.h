// The window of the principal components: the score plot, a shape change,
// how the subspaces meet and the scree, drawn from the last
// PrincipalComponents result. One window, shown again and redrawn for every
// run. Its choices (score axes, the axis or direction shown, c) redraw it
// from the result it holds; the analysis itself runs through the
// dispatcher like every other. It is a RunView: once the session moves on
// it says whose components it shows, fades them, and its choices stay idle
// until the next result; saved and copied pages carry a caption with the
// files and settings of the run.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "api/result_types.h"
#include "graphics/view_geometry.h"
#include "plot/component_plots.h"
#include "shell/views/shown_run.h"

class QComboBox;
class QCPPainter;
class QCustomPlot;
class QCPAxisRect;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace vexmoor {

class ComponentsWindow : public QWidget, public RunView {
 public:
  // The identifier of a specimen (group 1 or 2, 1-based row), nullopt
  // where the file names none.
  using IdentifierLookup = std::function<std::optional<std::string>(int group, Index row)>;

  explicit ComponentsWindow(QWidget* parent = nullptr);

  // Draws `pc`, the result of `shown`, with the choices made so far (those
  // that no longer exist go back to their first value) and shows the
  // window.
  void showResult(const PrincipalComponents& pc, IdentifierLookup identifiers,
                  const ShownRun& shown);
  bool hasResult() const { return m_result.has_value(); }

  // The hover text of the score point nearest `pixel` of the score plot
  // (within a few pixels): "Group 2 · specimen M03".
  std::optional<std::string> scoreTextAt(QPoint pixel) const;

  QCustomPlot& scorePlot() { return *m_score; }
  QCustomPlot& shapePlot() { return *m_shape; }
  QCustomPlot& meetingPlot() { return *m_meeting; }
  QCustomPlot& screePlot() { return *m_scree; }
  const std::string& status() const { return m_status; }
  bool statusIsError() const { return m_statusIsError; }

  // The four pictures side by side as one picture (Save plot…, Copy).
  void saveAs(const std::string& path);
  void copyToClipboard();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void markStale(const std::optional<std::string>& reason) override;

 private:
  void fillChoices();
  void redraw();
  void redrawShapes();
  void showStatus(const std::string& text, bool error);
  ShapeChangeChoice shapeChoice() const;
  QSize pageSize() const;
  void paintPage(QCPPainter& painter) const;

  QCustomPlot *m_score, *m_shape, *m_meeting, *m_scree;
  QSpinBox *m_axisX, *m_axisY;
  QComboBox* m_shown;
  std::vector<ShapeChangeChoice> m_choices;  // one for each entry of m_shown
  QDoubleSpinBox* m_deviations;
  QLabel* m_statusLine;
  QLabel* m_staleNote;
  std::string m_caption;  // the run's files and settings, below saved pages
  std::optional<PrincipalComponents> m_result;
  GroupNames m_names;
  IdentifierLookup m_identifiers;
  QCPAxisRect* m_scoreRect = nullptr;
  graphics::View3D m_view;
  std::optional<QPoint> m_dragFrom;
  std::string m_status;
  bool m_statusIsError = false;
  bool m_filling = false;
};

// The one principal-components window of the process, made on first use.
ComponentsWindow& componentsWindow();
// Null until it was made.
ComponentsWindow* existingComponentsWindow();

}  // namespace vexmoor
