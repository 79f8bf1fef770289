// The windows on Qt's offscreen platform: built from the window files, driven by clicks with
// the dialogs answered from a script, and the session record replayed by the batch runner.
#include "app/front_end.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/install_paths.h"
#include "app/qt_dialogs.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "platform/scripted_dialogs.h"
#include "render/figure_renderer.h"

namespace tessaly::app {
namespace {

namespace fs = std::filesystem;
using platform::Handle;
using platform::model;
using platform::Value;

QApplication& application() {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Made once and never destroyed: Qt's own statics go first at exit.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    platform::resetPlatform();
    dispatch::resetAnalysisState();
    oldFolder = fs::current_path();
    folder = fs::temp_directory_path() /
             ("tessaly-app-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    front = std::make_unique<FrontEnd>(person, nullptr, &console);
    front->startUp(TESSALY_RESOURCES);
    front->useSettingsFile((folder / "settings.ini").string());
  }

  void TearDown() override {
    front.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    fs::current_path(oldFolder);
    fs::remove_all(folder);
    platform::resetPlatform();
  }

  // The object of that Tag, in the main window when both windows have one.
  Handle tagged(const std::string& tag) {
    const auto found = model().findobj("Tag", Value(tag));
    EXPECT_FALSE(found.empty()) << tag;
    for (Handle h : found)
      if (front->mainWindow() && model().figureOf(h) == front->mainWindow()->figure()) return h;
    return found.empty() ? -1 : found.front();
  }
  FigureWindow* windowOfTag(const std::string& tag) {
    return front->windowOf(model().figureOf(tagged(tag)));
  }
  template <typename W>
  W* widget(const std::string& tag) {
    return qobject_cast<W*>(windowOfTag(tag)->widgetOf(tagged(tag)));
  }
  QAction* menuEntry(const std::string& callback) {
    for (auto& [h, action] : front->mainWindow()->menus())
      if (model().get(h, "Callback").toText() == callback) return action;
    ADD_FAILURE() << callback;
    return nullptr;
  }
  void click(const std::string& tag) { widget<QAbstractButton>(tag)->click(); }

  // Loads the apes and their groups with the buttons, as a person would.
  void runAnalysis() {
    person.answer(std::string(TESSALY_EXAMPLES) + "/apes/apes.txt");
    click("pushbutton1");
    person.answer(std::string(TESSALY_EXAMPLES) + "/apes/apes-groups.txt");
    click("LoadGroup");
  }

  fs::path oldFolder, folder;
  platform::ScriptedDialogs person;
  platform::StreamConsole console{nullptr};
  std::unique_ptr<FrontEnd> front;
};

TEST_F(FrontEndTest, StartUpBuildsBothWindowsWithEveryControlAndMenuEntry) {
  int windows = 0;
  for (Handle fig : model().children(platform::ObjectModel::kRoot)) {
    if (model().type(fig) != "figure") continue;
    ++windows;
    FigureWindow* w = front->windowOf(fig);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle().toStdString(), model().get(fig, "Name").toText());
    size_t controls = 0, menus = 0;
    for (Handle h : model().findall(fig)) {
      controls += model().type(h) == "uicontrol";
      menus += model().type(h) == "uimenu";
    }
    EXPECT_EQ(w->controls().size(), controls);
    EXPECT_EQ(w->menus().size(), menus);
  }
  EXPECT_EQ(windows, 2);
  EXPECT_EQ(widget<QLabel>("FileBox")->text(), "No File Loaded");
  EXPECT_FALSE(widget<QAbstractButton>("LoadGroup")->isEnabled());
  EXPECT_EQ(widget<QAbstractButton>("pushbutton1")->toolTip().toStdString(),
            model().get(tagged("pushbutton1"), "TooltipString").toText());
}

TEST_F(FrontEndTest, ButtonsRunTheirActionsAndTheWindowsFollow) {
  runAnalysis();
  EXPECT_EQ(person.pending(), 0u);
  EXPECT_TRUE(person.messages().empty() || person.messages().back().title != "Error");
  EXPECT_TRUE(widget<QAbstractButton>("NoLoadGroup")->isEnabled());
  EXPECT_FALSE(widget<QAbstractButton>("LoadReference")->isEnabled());
  EXPECT_NE(widget<QLabel>("FileBox")->text(), "No File Loaded");
  EXPECT_EQ(widget<QLabel>("GroupBox")->text().toStdString(),
            model().get(tagged("GroupBox"), "String").toText());
  const Handle axes = model().findobj("Tag", Value("axes1")).front();
  EXPECT_GT(model().childCount(axes), 40u);  // a point per specimen at least
  auto* report = widget<QPlainTextEdit>("AuxResults");
  EXPECT_FALSE(report->toPlainText().isEmpty());
  EXPECT_TRUE(report->isReadOnly());
  EXPECT_EQ(report->toPlainText().toStdString() + "\n", [&] {
    std::string s;
    for (const auto& l : model().get(tagged("AuxResults"), "String").lines()) s += l + "\n";
    return s;
  }());
}

TEST_F(FrontEndTest, EditsReachTheModelAndTheModelReachesTheWidgets) {
  auto* xbox = widget<QLineEdit>("XBox");
  xbox->setText("2");
  emit xbox->editingFinished();
  EXPECT_EQ(model().get(tagged("XBox"), "String").toText(), "2");
  model().set(tagged("XBox"), "String", Value("3"));
  EXPECT_EQ(xbox->text(), "3");
  model().set(tagged("LoadGroup"), "Enable", Value("on"));
  EXPECT_TRUE(widget<QAbstractButton>("LoadGroup")->isEnabled());
  auto* labels = widget<QAbstractButton>("PCALabel");
  labels->click();
  EXPECT_EQ(model().get(tagged("PCALabel"), "Value").number(), 1);
  EXPECT_NE(front->recorder().script("/").find("set PCALabel Value 1\n"), std::string::npos);
}

TEST_F(FrontEndTest, MenuCheckMarksFollowTheSettings) {
  QAction* d30 = menuEntry("Tessalysw('SetPlotDensity', 30)");
  QAction* d20 = menuEntry("Tessalysw('SetPlotDensity', 20)");
  ASSERT_TRUE(d30 && d20);
  EXPECT_TRUE(d20->isChecked());
  d30->trigger();
  EXPECT_TRUE(d30->isChecked());
  EXPECT_FALSE(d20->isChecked());
  // A click on a checked entry does not take its mark away: the action keeps it.
  d30->trigger();
  EXPECT_TRUE(d30->isChecked());
  EXPECT_FALSE(menuEntry("Tessalysw('SaveEigen')")->isCheckable());
}

TEST_F(FrontEndTest, LoadingAndQuittingHaveShortcuts) {
  EXPECT_EQ(menuEntry("Tessalysw('LoadData')")->shortcut(), QKeySequence("Ctrl+O"));
  EXPECT_EQ(menuEntry("Tessalysw('LoadGroupList')")->shortcut(), QKeySequence("Ctrl+G"));
  QStringList own;
  for (QAction* top : front->mainWindow()->menuBar()->actions())
    if (top->menu())
      for (QAction* a : top->menu()->actions())
        if (!a->shortcut().isEmpty()) own << a->text() + " " + a->shortcut().toString();
  EXPECT_TRUE(own.contains("Quit Ctrl+Q")) << own.join(", ").toStdString();
  EXPECT_TRUE(own.contains("User Guide " + QKeySequence(QKeySequence::HelpContents).toString()))
      << own.join(", ").toStdString();
  EXPECT_TRUE(own.contains("Save Session Script... Ctrl+S")) << own.join(", ").toStdString();
  EXPECT_EQ(fs::path(userGuide()).filename(), "README.md");  // found in the source tree
}

TEST_F(FrontEndTest, ThePictureGoesToTheClipboardAsImageAndSvg) {
  QtClipboard clipboard;
  platform::platform().setClipboard(&clipboard);
  runAnalysis();
  click("pushbutton7");
  menuEntry("CopyBigImage(1)")->trigger();
  platform::platform().setClipboard(nullptr);
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasImage());
  EXPECT_GT(qvariant_cast<QImage>(data->imageData()).width(), 100);
  EXPECT_TRUE(data->data("image/svg+xml").startsWith("<?xml"));
}

TEST_F(FrontEndTest, TheGrabOfTheMainWindowShowsThePlot) {
  runAnalysis();
  click("pushbutton7");  // the CVA scores
  FigureWindow* main = front->mainWindow();
  const fs::path png = folder / "main.png";
  ASSERT_TRUE(main->canvas()->grab().save(QString::fromStdString(png.string()), "PNG"));
  const QImage image(QString::fromStdString(png.string()));
  ASSERT_FALSE(image.isNull());
  const render::Rect box = render::axesBox(model(), tagged("axes1"));
  const QPoint origin(0, 0);
  int drawn = 0;
  for (int y = int(box.y) + 3; y < int(box.y + box.height) - 3; ++y)
    for (int x = int(box.x) + 3; x < int(box.x + box.width) - 3; ++x)
      drawn += image.pixelColor(origin + QPoint(x, y)) != QColor(Qt::white);
  EXPECT_GT(drawn, 200);
}

TEST_F(FrontEndTest, AClickInThePlotIsAPickInDataUnits) {
  runAnalysis();
  click("pushbutton7");
  const Handle axes = tagged("axes1");
  FigureCanvas* canvas = front->canvasOfAxes(axes);
  ASSERT_NE(canvas, nullptr);
  const render::Rect box = render::axesBox(model(), axes);
  const QPointF quarter(box.x + box.width / 4, box.y + box.height / 4);
  QTimer::singleShot(0, canvas, [&] {
    QMouseEvent press(QEvent::MouseButtonPress, quarter, canvas->mapToGlobal(quarter),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &press);
  });
  const auto pick = canvas->waitForPick(axes);
  ASSERT_TRUE(pick);
  const Matrix xlim = model().get(axes, "XLim").matrix(), ylim = model().get(axes, "YLim").matrix();
  EXPECT_NEAR(pick->x, xlim(0) + 0.25 * (xlim(1) - xlim(0)), 1e-9);
  EXPECT_NEAR(pick->y, ylim(1) - 0.25 * (ylim(1) - ylim(0)), 1e-9);
  EXPECT_EQ(pick->button, 3);
  // Escape gives no pick, so a picking loop can end.
  QTimer::singleShot(0, canvas, [&] {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &escape);
  });
  EXPECT_FALSE(canvas->waitForPick(axes));
}

// The wheel zooms about the point under it and a drag moves the view; neither reaches the
// axes (nor their pictures) until the person keeps the zoom, which the record then holds.
TEST_F(FrontEndTest, TheWheelZoomsAndADragMovesOnlyTheWindowsView) {
  runAnalysis();
  click("pushbutton7");
  const Handle axes = tagged("axes1");
  FigureCanvas* canvas = front->canvasOfAxes(axes);
  const Matrix xlim = model().get(axes, "XLim").matrix();
  const auto whole = canvas->shownLimits(axes);
  const render::Rect box = render::axesBox(model(), axes);
  const QPointF centre(box.x + box.width / 2, box.y + box.height / 2);
  const auto at = canvas->pickAt(axes, centre, 1);
  QWheelEvent wheel(centre, canvas->mapToGlobal(centre), {}, QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(canvas, &wheel);
  auto shown = canvas->shownLimits(axes);
  EXPECT_NEAR(shown[1] - shown[0], (whole[1] - whole[0]) / 1.25, 1e-9);
  EXPECT_NEAR(canvas->pickAt(axes, centre, 1).x, at.x, 1e-9);
  EXPECT_EQ(model().get(axes, "XLim").matrix(), xlim);

  const QPointF right = centre + QPointF(box.width / 4, 0);
  for (auto [type, where] : {std::pair{QEvent::MouseButtonPress, centre},
                             {QEvent::MouseMove, right},
                             {QEvent::MouseButtonRelease, right}}) {
    QMouseEvent e(type, where, canvas->mapToGlobal(where), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &e);
  }
  EXPECT_NEAR(canvas->pickAt(axes, right, 1).x, at.x, 1e-9);  // the point followed the drag
  shown = canvas->shownLimits(axes);
  front->applyZoom(front->mainWindow());
  EXPECT_FALSE(canvas->zoomed());
  EXPECT_EQ(model().get(axes, "XLim").matrix(), (RowVector{{shown[0], shown[1]}}));
  const std::string script = front->recorder().script(folder.string());
  EXPECT_NE(script.find("set axes1 XLim '" + exactNumber(shown[0]) + " "), std::string::npos)
      << script;
}

// The offscreen screen (800 by 600) is smaller than the main window's layout: every window
// lies on it, and the plot keeps the size of the layout inside a window that scrolls.
TEST_F(FrontEndTest, EveryWindowLiesOnTheScreen) {
  runAnalysis();
  for (Handle fig : model().children(platform::ObjectModel::kRoot)) {
    FigureWindow* w = front->windowOf(fig);
    if (!w) continue;
    const QRect room = w->screen()->availableGeometry();
    EXPECT_TRUE(room.contains(w->frameGeometry())) << w->windowTitle().toStdString();
  }
  const RowVector layout = platform::pixelPosition(model(), front->mainWindow()->figure());
  EXPECT_EQ(front->mainWindow()->canvas()->minimumSize(), QSize(int(layout(2)), int(layout(3))));
}

TEST_F(FrontEndTest, ALargerWindowGrowsThePlotAndKeepsTheControlsInPlace) {
  FigureWindow* main = front->mainWindow();
  const Handle axes = tagged("axes1");
  const Matrix before = model().get(axes, "Position").matrix();
  QWidget* load = widget<QWidget>("pushbutton1");     // left of the plot: under the top edge
  QWidget* marker = widget<QWidget>("pushbutton21");  // below the plot: above the bottom
  const QRect loadBefore = load->geometry(), markerBefore = marker->geometry();
  const QSize size = main->canvas()->size();
  // The person makes the window larger than its layout (which the screen may not hold).
  main->resize(main->size() - main->centralWidget()->size() + size + QSize(200, 100));
  QCoreApplication::processEvents();
  const Matrix after = model().get(axes, "Position").matrix();
  EXPECT_EQ(after(2) - before(2), 200);
  EXPECT_EQ(after(3) - before(3), 100);
  EXPECT_EQ(load->geometry(), loadBefore);
  EXPECT_EQ(marker->geometry(), markerBefore.translated(0, 100));
}

TEST_F(FrontEndTest, AClosedResultsWindowComesBackWithTheNextReport) {
  runAnalysis();
  FigureWindow* results = windowOfTag("AuxResults");
  results->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(model().findobj("Tag", Value("AuxResults")).empty());
  menuEntry("Tessalysw('CheckSig')")->trigger();
  auto* report = widget<QPlainTextEdit>("AuxResults");
  ASSERT_NE(report, nullptr);
  EXPECT_FALSE(report->toPlainText().isEmpty());
  EXPECT_TRUE(report->window()->isVisible());
}

// Closed by the person or by a marker display, the results window opens again with its text.
TEST_F(FrontEndTest, TheResultsWindowKeepsItsTextWhenClosed) {
  runAnalysis();
  const QString report = widget<QPlainTextEdit>("AuxResults")->toPlainText();
  ASSERT_FALSE(report.isEmpty());
  windowOfTag("AuxResults")->close();
  menuEntry("AuxBox")->trigger();
  EXPECT_EQ(widget<QPlainTextEdit>("AuxResults")->toPlainText(), report);
  click("Marker1Button");
  EXPECT_TRUE(model().findobj("Tag", Value("AuxResults")).empty());
  menuEntry("AuxBox")->trigger();
  EXPECT_EQ(widget<QPlainTextEdit>("AuxResults")->toPlainText(), report);
}

// A message of the title of a box still open replaces its text; boxes of other titles stand
// beside it.
TEST_F(FrontEndTest, MessageBoxesOfOneTitleDoNotPileUp) {
  QtDialogs dialogs(nullptr);
  dialogs.setMainWindow([this] { return front->mainWindow(); });
  dialogs.message("first", "Tessaly Error");
  QMessageBox* box = dialogs.openMessage("Tessaly Error");
  ASSERT_NE(box, nullptr);
  dialogs.message("second", "Tessaly Error");
  dialogs.message("done", "CVA Complete");
  EXPECT_EQ(dialogs.openMessage("Tessaly Error"), box);
  EXPECT_EQ(box->text(), "second");
  EXPECT_TRUE(box->isVisible());
  ASSERT_NE(dialogs.openMessage("CVA Complete"), nullptr);
  EXPECT_NE(dialogs.openMessage("CVA Complete"), box);
  box->close();
  dialogs.openMessage("CVA Complete")->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(dialogs.openMessage("Tessaly Error"), nullptr);
}

// Clear Data asks first while there are results not yet saved; a cancel clears nothing and
// records nothing. After a save it does not ask.
TEST_F(FrontEndTest, ClearDataAsksBeforeResultsNotYetSavedGo) {
  runAnalysis();
  person.answer("Cancel");
  click("pushbutton3");
  EXPECT_NE(widget<QLabel>("FileBox")->text(), "No File Loaded");
  EXPECT_EQ(front->recorder().script("/").find("ClearData"), std::string::npos);
  person.answer((folder / "eigen.txt").string());
  menuEntry("Tessalysw('SaveEigen')")->trigger();
  click("pushbutton3");
  EXPECT_EQ(widget<QLabel>("FileBox")->text(), "No File Loaded");
  EXPECT_EQ(person.pending(), 0u);
}

TEST_F(FrontEndTest, ThePointerFollowsTheFigure) {
  FigureWindow* main = front->mainWindow();
  menuEntry("spiffyfish")->trigger();
  EXPECT_EQ(main->cursor().shape(), Qt::BitmapCursor);
  menuEntry("boringcursor")->trigger();
  EXPECT_EQ(main->cursor().shape(), Qt::ArrowCursor);
  model().set(main->figure(), "Pointer", Value("watch"));
  EXPECT_EQ(main->cursor().shape(), Qt::WaitCursor);
}

TEST_F(FrontEndTest, AFailingActionIsShownAndRecordedAsAFailure) {
  click("pushbutton7");  // the CVA scores before any data
  ASSERT_FALSE(person.messages().empty());
  const std::string title = person.messages().back().title;
  EXPECT_TRUE(title == "Error" || title == "Tessaly Error") << title;
  const std::string script = front->recorder().script(folder.string());
  EXPECT_NE(script.find("on-error continue\nShowPCAAxis\non-error stop\n"), std::string::npos)
      << script;
  const std::string failed = front->statusText().toStdString();
  EXPECT_NE(failed.find(": failed"), std::string::npos) << failed;
  // The windows go on: the next click works.
  person.answer(std::string(TESSALY_EXAMPLES) + "/apes/apes.txt");
  click("pushbutton1");
  EXPECT_TRUE(widget<QAbstractButton>("LoadGroup")->isEnabled());
}

TEST_F(FrontEndTest, TheStatusBarSaysWhatIsLoadedAndWhatTheLastActionDid) {
  EXPECT_EQ(front->loadedText(), "No data loaded");
  runAnalysis();
  EXPECT_EQ(front->loadedText(), "167 specimens, 8 landmarks, 6 groups, CVA of 5 axes");
  EXPECT_EQ(front->statusText(), "Groups + CVA: done");
}

// A recent file and a dropped one load without a dialog, and are recorded as the File menu's
// actions with their file; a recent file that is gone is refused and taken off the list.
TEST_F(FrontEndTest, RecentAndDroppedFilesLoadAsTheFileMenuLoadsThem) {
  const std::string apes = TESSALY_EXAMPLES "/apes/apes.txt";
  const std::string groups = TESSALY_EXAMPLES "/apes/apes-groups.txt";
  const FileKind& data = *kindOfAction("LoadData");
  runAnalysis();
  EXPECT_EQ(front->recentFiles().list(data), std::vector<std::string>{apes});
  EXPECT_EQ(front->recentFiles().list(*kindOfAction("LoadGroupList")),
            std::vector<std::string>{groups});

  front->openFile("LoadData", apes);
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(groups))});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(front->mainWindow())->event(&drop);  // as a drop ends
  QCoreApplication::processEvents();
  delete mime;
  EXPECT_EQ(person.asked().size(), 2u);  // only the dialogs of the first two loads
  const std::string script = front->recorder().script(folder.string());
  EXPECT_EQ(script.substr(script.find("LoadData")), "LoadData " + apes + "\nLoadGroupList " +
                                                        groups + "\nLoadData " + apes +
                                                        "\nLoadGroupList " + groups + "\n");

  const std::string gone = (folder / "gone.txt").string();
  front->recentFiles().add(data, gone);
  front->openFile("LoadData", gone);
  ASSERT_FALSE(person.messages().empty());
  EXPECT_EQ(person.messages().back().text,
            "The file " + gone + " is no longer there: it is taken off the recent files");
  EXPECT_EQ(front->recentFiles().list(data), std::vector<std::string>{apes});
}

TEST_F(FrontEndTest, ARecordedSessionReplaysToTheSameFiles) {
  const fs::path clicks = folder / "clicks", replay = folder / "replay";
  fs::create_directories(clicks / "out");
  fs::create_directories(replay / "out");
  runAnalysis();
  widget<QAbstractButton>("CentroidButton")->click();
  person.answerAll({"20", "0.1"});  // a jackknife: its results depend on the random numbers
  menuEntry("Tessalysw('JackKnife')")->trigger();
  person.answer((clicks / "out" / "assignment.txt").string());
  menuEntry("Tessalysw('RunAssignmentTest')")->trigger();
  menuEntry("CopyBigImage(1)")->trigger();  // the replay passes over the clipboard copy
  person.answer((clicks / "out" / "scores.txt").string());
  menuEntry("Tessalysw('SavePCA')")->trigger();
  person.answer("");  // the person cancels the eigenvalue file
  menuEntry("Tessalysw('SaveEigen')")->trigger();
  person.answer((clicks / "out" / "report.txt").string());
  // The save button of the results window (whose Tag the main window uses as well).
  for (auto& [h, w] : windowOfTag("AuxResults")->controls())
    if (model().get(h, "Tag").toText() == "pushbutton1") qobject_cast<QAbstractButton*>(w)->click();
  ASSERT_NO_THROW(front->saveSessionScript((clicks / "session.tss").string()));

  const std::string script = readFile(clicks / "session.tss");
  EXPECT_NE(script.find("SavePCA out/scores.txt\n"), std::string::npos) << script;
  EXPECT_NE(script.find("SaveEigen ''\n"), std::string::npos) << script;
  fs::copy_file(clicks / "session.tss", replay / "session.tss");
  const std::string command = std::string(TESSALY_BATCH) + " " + (replay / "session.tss").string() +
                              " > " + (folder / "replay.log").string() + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << readFile(folder / "replay.log");
  for (const char* name : {"assignment.txt", "scores.txt", "report.txt"}) {
    ASSERT_TRUE(fs::exists(replay / "out" / name)) << name;
    EXPECT_EQ(readFile(replay / "out" / name), readFile(clicks / "out" / name)) << name;
  }
  EXPECT_NE(readFile(clicks / "out" / "report.txt").find("Jack-knife"), std::string::npos);
  EXPECT_FALSE(fs::exists(replay / "out" / "eigenvalues.txt"));
  EXPECT_NE(readFile(folder / "replay.log").find("the copy is skipped"), std::string::npos);
}

// The components' entries record their answers, and the replay writes the same tables.
TEST_F(FrontEndTest, ARecordedCvaOnComponentsReplaysToTheSameTables) {
  const fs::path clicks = folder / "clicks", replay = folder / "replay";
  fs::create_directories(clicks / "out");
  fs::create_directories(replay / "out");
  person.answer(std::string(TESSALY_EXAMPLES) + "/apes/apes.txt");
  click("pushbutton1");
  person.answerAll({"5", std::string(TESSALY_EXAMPLES) + "/apes/apes-groups.txt"});
  menuEntry("Tessalysw('LoadGroupListPCs')")->trigger();
  person.answerAll({"1", "3"});
  menuEntry("Tessalysw('ShowPCScores')")->trigger();
  menuEntry("Tessalysw('ShowPCVariance')")->trigger();
  person.answer("2");
  menuEntry("Tessalysw('ShowPCDeformation', 2)")->trigger();
  const char* tables[] = {"pca-scores.csv", "pca.csv", "pca-loadings.csv"};
  for (const char* name : tables) person.answer((clicks / "out" / name).string());
  menuEntry("Tessalysw('SavePCs')")->trigger();
  person.answer((clicks / "out" / "eigenvalues.txt").string());
  menuEntry("Tessalysw('SaveEigen')")->trigger();
  ASSERT_NO_THROW(front->saveSessionScript((clicks / "session.tss").string()));

  const std::string script = readFile(clicks / "session.tss");
  for (const char* step : {"LoadGroupListPCs 5 ", "ShowPCScores 1 3\n", "ShowPCVariance\n",
                           "call Tessalysw('ShowPCDeformation', 2) -- 2\n",
                           "SavePCs out/pca-scores.csv out/pca.csv out/pca-loadings.csv\n"})
    EXPECT_NE(script.find(step), std::string::npos) << step << "\n" << script;
  fs::copy_file(clicks / "session.tss", replay / "session.tss");
  const std::string command = std::string(TESSALY_BATCH) + " " + (replay / "session.tss").string() +
                              " > " + (folder / "replay.log").string() + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << readFile(folder / "replay.log");
  for (const char* name : {"pca-scores.csv", "pca.csv", "pca-loadings.csv", "eigenvalues.txt"})
    EXPECT_EQ(readFile(replay / "out" / name), readFile(clicks / "out" / name)) << name;
  // The CVA ran on five components: five eigenvalues.
  std::istringstream eigenvalues(readFile(clicks / "out" / "eigenvalues.txt"));
  EXPECT_EQ(
      std::distance(std::istream_iterator<double>(eigenvalues), std::istream_iterator<double>()),
      5);
}

}  // namespace
}  // namespace tessaly::app
