#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "runtime/error.h"
#include "shell/layout/callback_text.h"
#include "shell/layout/identifiers.h"
#include "shell/shell_fixture.h"
#include "support/error_message.h"

using namespace vexmoor;

namespace {

using vexmoor::testing::anyErrorMessage;

std::vector<Value> call(Application& app, std::string_view name, std::vector<Value> args,
                        int nargout = 0) {
  return app.table().call(name, args, nargout);
}

constexpr const char* kTagsForm = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="TagsWindow">
  <layout class="QVBoxLayout" name="layout">
   <item><widget class="QPushButton" name="FileBox1"/></item>
   <item><widget class="QLabel" name="FileBox1"/></item>
   <item><widget class="QLabel" name="end"/></item>
   <item><widget class="QLabel" name="1abc"/></item>
   <item><widget class="QLabel" name="has space"/></item>
   <item><widget class="QLabel" name="x_2"/></item>
  </layout>
 </widget>
</ui>
)";

}  // namespace

class WindowShellTest : public QObject {
  Q_OBJECT

 private:
  ShellFixture m_fx;
  QTemporaryDir m_dir;

 private slots:
  void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
  void init() { m_fx.start(); }
  void cleanup() { m_fx.stop(); }

  void identifiersFollowTheRules() {
    QVERIFY(isvarname("FileBox1"));
    QVERIFY(isvarname("x_2"));
    QVERIFY(isvarname(std::string(31, 'a')));
    QVERIFY(!isvarname(std::string(32, 'a')));
    QVERIFY(!isvarname("1abc"));
    QVERIFY(!isvarname("_a"));
    QVERIFY(!isvarname("has space"));
    QVERIFY(!isvarname(""));
    QVERIFY(!isvarname("end"));
    QVERIFY(isvarname("End"));
    QCOMPARE(reservedWords().size(), size_t(17));
    for (std::string_view w : reservedWords()) {
      QVERIFY(iskeyword(w) && !isvarname(w));
    }
    QCOMPARE(std::get<Matrix>(call(m_fx.app(), "isvarname", {textValue("ok1")}, 1)[0])(0), 1.0);
    QCOMPARE(std::get<Matrix>(call(m_fx.app(), "isvarname", {scalarValue(3)}, 1)[0])(0), 0.0);
    QCOMPARE(std::get<Matrix>(call(m_fx.app(), "iskeyword", {textValue("while")}, 1)[0])(0), 1.0);
  }

  void callbackTextsParse() {
    CallExpression c = parseCallbackText("mezeysw('DoMezeyAngle')");
    QCOMPARE(c.name, std::string("mezeysw"));
    QCOMPARE(std::get<std::string>(std::get<Value>(c.args[0].content)),
             std::string("DoMezeyAngle"));
    c = parseCallbackText("Vexmoor('pushbutton1_Callback', gcbo, [], guidata(gcbo));");
    QCOMPARE(c.args.size(), size_t(4));
    QCOMPARE(std::get<Matrix>(std::get<Value>(c.args[2].content)).size(), Index(0));
    auto nested = std::get<std::shared_ptr<CallExpression>>(c.args[3].content);
    QCOMPARE(nested->name, std::string("guidata"));
    QCOMPARE(nested->args.size(), size_t(1));
    c = parseCallbackText("incrementsymbolsize(gca, -1.5)");
    QCOMPARE(std::get<Matrix>(std::get<Value>(c.args[1].content))(0), -1.5);
    c = parseCallbackText("f('it''s', [1 2,3])");
    QCOMPARE(std::get<std::string>(std::get<Value>(c.args[0].content)), std::string("it's"));
    QCOMPARE(std::get<Matrix>(std::get<Value>(c.args[1].content)).size(), Index(3));
    QCOMPARE(anyErrorMessage([] { parseCallbackText("mezeysw('x'"); }),
             std::string("callback \"mezeysw('x'\", column 12: \",\" or \")\" is expected"));
    QVERIFY(!anyErrorMessage([] { parseCallbackText("f('open"); }).empty());
    QVERIFY(!anyErrorMessage([] { parseCallbackText("f(1) g"); }).empty());
    QVERIFY(!anyErrorMessage([] { parseCallbackText("3"); }).empty());
  }

  void aSecondVexmoorCallShowsTheSameWindow() {
    size_t windows = graphics::graphics().figures().size();
    graphics::Handle first = m_fx.mainWindow().handle();
    std::vector<Value> r = call(m_fx.app(), "Vexmoor", {}, 1);
    QCOMPARE(std::get<Matrix>(r[0])(0), first);
    QCOMPARE(graphics::graphics().figures().size(), windows);
    Record handles = std::get<Record>(m_fx.app().shell().guidata(first));
    QVERIFY(handles.find("ResBox"));
    QVERIFY(handles.find("GroupAxes"));
    QCOMPARE((*handles.find("Vexmoor"))(0), first);
    // "new" loads another copy.
    graphics::Handle second = m_fx.app().shell().openfig("Vexmoor.fig", "new");
    QVERIFY(second != first);
    QCOMPARE(graphics::graphics().figures().size(), windows + 1);
    QCOMPARE(graphics::graphics().currentFigure()->handle(), second);
  }

  void openfigChecksItsArguments() {
    WindowShell& shell = m_fx.app().shell();
    QCOMPARE(anyErrorMessage([&] { shell.openfig("Vexmoor", "again"); }),
             std::string("Second input argument must be 'new' or 'reuse'."));
    QCOMPARE(anyErrorMessage([&] { shell.openfig("Vexmoor.ui", "reuse"); }),
             std::string("Argument must be a .fig file"));
    QVERIFY(anyErrorMessage([&] {
              shell.openfig("/nonexistent/Other", "new");
            }).starts_with("cannot open layout file \"/nonexistent/Other.fig\""));
  }

  void guihandlesKeepsValidTagsOnly() {
    QString path = m_dir.filePath("tags.fig");
    std::ofstream(path.toStdString()) << kTagsForm;
    graphics::Handle fig = m_fx.app().shell().openfig(path.toStdString(), "new");
    Record handles = m_fx.app().shell().guihandles(fig);
    std::vector<std::string> names;
    for (const auto& [name, value] : handles.fields) {
      names.push_back(name);
    }
    QCOMPARE(names, (std::vector<std::string>{"TagsWindow", "FileBox1", "x_2"}));
    QCOMPARE(handles.find("FileBox1")->size(), Index(2));
    // Any object of the window names it.
    graphics::Handle label = graphics::graphics().findByTag("x_2").front();
    QCOMPARE(m_fx.app().shell().guihandles(label).fields.size(), size_t(3));
    QCOMPARE(anyErrorMessage([&] { m_fx.app().shell().guihandles(0); }),
             std::string("H must be the handle to a figure or figure descendent."));
    QCOMPARE(anyErrorMessage([&] { m_fx.app().shell().guidata(42.5, scalarValue(1)); }),
             std::string("H must be the handle to a figure or figure descendent."));
  }

  void guidataStoresWithTheWindow() {
    graphics::Handle fig = m_fx.mainWindow().handle();
    graphics::Handle button = graphics::graphics().findByTag("AngleButton").front();
    call(m_fx.app(), "guidata", {scalarValue(button), textValue("kept")});
    std::vector<Value> r = call(m_fx.app(), "guidata", {scalarValue(fig)}, 1);
    QCOMPARE(std::get<std::string>(r[0]), std::string("kept"));
  }

  void placeholderCallbacksOnlyPrint() {
    QCOMPARE(WindowShell::placeholderCallbacks().size(), size_t(21));
    std::string box = m_fx.string("ResBox");
    call(m_fx.app(), "Vexmoor",
         {textValue("pushbutton1_Callback"), scalarValue(1), scalarValue(0), Record{}});
    call(m_fx.app(), "Vexmoor", {textValue("Suppress3_Callback"), scalarValue(1)});
    QCOMPARE(m_fx.console(), std::string("pushbutton1 Callback not implemented yet.\n"
                                         "Suppress3 Callback not implemented yet.\n"));
    QCOMPARE(m_fx.string("ResBox"), box);
    // A first argument that is not a text does nothing.
    QVERIFY(call(m_fx.app(), "Vexmoor", {scalarValue(3)}).empty());
  }

  void aFaultOfAnyKindIsReportedNotFatal() {
    // Stand-ins for faults that no message was written for.
    m_fx.app().table().bind("centsize",
                            [](std::span<const Value>, int) -> std::vector<Value> { throw 42; });
    m_fx.app().table().bind("centpos", [](std::span<const Value>, int) -> std::vector<Value> {
      throw std::bad_alloc();
    });
    call(m_fx.app(), "Vexmoor", {textValue("centsize"), scalarValue(1)});
    QCOMPARE(m_fx.status(), std::string("centsize failed: unexpected fault"));
    m_fx.app().shell().runCallbackText(0, "centpos(1)");
    QVERIFY(m_fx.statusIsError());
    QCOMPARE(m_fx.console(), std::string("unexpected fault\nout of memory\n"));
    QVERIFY(m_fx.status().ends_with("out of memory"));
  }

  void argumentCountMessagesThroughVexmoor() {
    call(m_fx.app(), "Vexmoor", {textValue("mezeysw"), textValue("a"), textValue("b")});
    std::vector<Value> args{textValue("mezeysw"), textValue("a")};
    QVERIFY(m_fx.app().shell().Vexmoor(args, 1).empty());
    call(m_fx.app(), "Vexmoor",
         {textValue("showshape3D"), scalarValue(1), textValue("gp"), scalarValue(3)});
    call(m_fx.app(), "Vexmoor", {textValue("mezeysw")});
    QCOMPARE(m_fx.console(),
             std::string("Run-time Error: File: mezeysw Line: 1 Column: 1 The function \"mezeysw\" "
                         "was called with more than the declared number of inputs (1).\n"
                         "Run-time Error: File: mezeysw Line: 1 Column: 1 The function \"mezeysw\" "
                         "was called with more than the declared number of outputs (0).\n"
                         "Run-time Error: File: showshape3D Line: 1 Column: 1 The function "
                         "\"showshape3D\" was called with more than the declared number of inputs "
                         "(2).\n"
                         "Run-time Error: File: mezeysw Line: 1 Column: 1 The input \"Action\" of "
                         "\"mezeysw\" has no value.\n"));
    QVERIFY(m_fx.statusIsError());
    QVERIFY(m_fx.status().starts_with("mezeysw failed: Run-time Error"));
    // The styling operations count their arguments too.
    QCOMPARE(anyErrorMessage([&] {
               call(m_fx.app(), "setsymbolbw", {scalarValue(1), scalarValue(2)});
             }),
             std::string("Run-time Error: File: setsymbolbw Line: 1 Column: 1 The function "
                         "\"setsymbolbw\" was called with more than the declared number of inputs "
                         "(1)."));
  }

  void stylingButtonsRestyleTheGroupPlot() {
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.click("Pushbutton1");
    m_fx.click("FillButton");
    graphics::GraphicsObject* point = m_fx.mainWindow().currentAxes()->children().front();
    QCOMPARE(std::get<Matrix>(point->get("MarkerFaceColor")),
             std::get<Matrix>(point->get("Color")));
    m_fx.click("LargerButton");
    QCOMPARE(std::get<Matrix>(point->get("MarkerSize"))(0), 4.0);
    m_fx.click("BlackButton");
    QCOMPARE(std::get<Matrix>(point->get("MarkerFaceColor")).sum(), 0.0);
    QVERIFY(!m_fx.statusIsError());
  }

  void aBadCallbackTextIsReported() {
    graphics::GraphicsObject& button = m_fx.control("AngleButton");
    button.set("Callback", textValue("mezeysw('DoMezeyAngle'"));
    m_fx.click("AngleButton");
    QVERIFY(m_fx.statusIsError());
    QVERIFY(m_fx.status().starts_with("Callback failed: callback \"mezeysw('DoMezeyAngle'\""));
    button.set("Callback", textValue("nosuchoperation(1)"));
    m_fx.click("AngleButton");
    QCOMPARE(m_fx.status(), std::string("nosuchoperation failed: Undefined function or variable "
                                        "\"nosuchoperation\"."));
  }

  void moveguiBringsTheWindowOnScreen() {
    QWidget* w = m_fx.mainWindow().window();
    QRect area = w->screen()->availableGeometry();
    w->move(area.right() + 500, area.bottom() + 500);
    call(m_fx.app(), "movegui", {scalarValue(m_fx.mainWindow().handle()), textValue("onscreen")});
    QVERIFY(area.contains(w->frameGeometry()) || w->frameGeometry().width() > area.width());
    call(m_fx.app(), "movegui", {scalarValue(m_fx.mainWindow().handle()), textValue("northwest")});
    QCOMPARE(w->frameGeometry().topLeft(), area.topLeft());
    QVERIFY(
        anyErrorMessage([&] {
          call(m_fx.app(), "movegui", {scalarValue(m_fx.mainWindow().handle()), textValue("up")});
        }).starts_with("movegui: \"up\" is not a position"));
  }

  void claEmptiesTheCurrentAxes() {
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    std::vector<Value> r = call(m_fx.app(), "cla", {}, 1);
    QCOMPARE(std::get<Matrix>(r[0])(0), m_fx.mainWindow().currentAxes()->handle());
    QVERIFY(m_fx.mainWindow().currentAxes()->children().empty());
  }

  void mfloadByName() {
    m_fx.answer(ShellFixture::example("gorilla/gorm.txt"));
    std::vector<Value> r = call(m_fx.app(), "mfload", {scalarValue(1)}, 2);
    QCOMPARE(std::get<Matrix>(r[0]).rows(), Index(29));
    QCOMPARE(std::get<std::string>(r[1]), std::string("gorm.txt"));
    m_fx.answer(std::nullopt);
    QVERIFY(call(m_fx.app(), "mfload", {scalarValue(1)}).empty());
    QCOMPARE(anyErrorMessage([&] { call(m_fx.app(), "mfload", {scalarValue(1)}, 3); }),
             std::string("Run-time Error: File: mfload Line: 1 Column: 1 The function \"mfload\" "
                         "was called with more than the declared number of outputs (2)."));
  }
};

QTEST_MAIN(WindowShellTest)
#include "window_shell_test.moc"
