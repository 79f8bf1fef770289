// tessaly: the program with its windows. Started without arguments, it opens the main window
// and the results window and then reacts to the person until both are closed.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <clocale>
#include <iostream>

#include "analysis/resampling.h"
#include "app/front_end.h"
#include "app/install_paths.h"
#include "app/qt_dialogs.h"
#include "core/allocation.h"

namespace {

// One calm look on every desktop: Qt's own style, framed panels with their titles set into
// the frame line.
void applyLook(QApplication& application) {
  application.setStyle(QStringLiteral("Fusion"));
  application.setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 5px; margin-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
      "  left: 10px; padding: 0 4px; font-weight: bold; color: #1f4e5f; }"));
}

}  // namespace

int main(int argc, char** argv) {
  tessaly::tuneAllocation(argv);
  QApplication application(argc, argv);
  // The person's locale, as Qt itself sets it; numbers in files do not depend on it.
  std::setlocale(LC_ALL, "");
  QApplication::setApplicationName(QStringLiteral("Tessaly"));
  QApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("tessaly"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessaly.png")));
  applyLook(application);

  const std::string resources = tessaly::app::resourceFolder();
  if (resources.empty()) {
    const QString text = QStringLiteral(
        "The window description files (Tessaly6l.fig, AuxBox.fig) are neither beside the "
        "program nor in its share folder.");
    std::cerr << "tessaly: " << text.toStdString() << "\n";
    QMessageBox::critical(nullptr, QStringLiteral("Tessaly"), text);
    return 1;
  }

  // A thread count that is not one is reported, and resampling uses all cores.
  try {
    tessaly::analysis::applyThreadsVariable();
  } catch (const std::exception& e) {
    std::cerr << "tessaly: " << e.what() << "; all cores are used\n";
    QMessageBox::warning(nullptr, QStringLiteral("Tessaly"),
                         QStringLiteral("%1; all cores are used").arg(e.what()));
  }

  tessaly::app::FrontEnd* front = nullptr;
  tessaly::app::QtDialogs dialogs(
      [&front](double axes) { return front ? front->canvasOfAxes(axes) : nullptr; });
  dialogs.setExampleFolder(tessaly::app::exampleFolder());
  dialogs.setMainWindow([&front]() -> QWidget* { return front ? front->mainWindow() : nullptr; });
  tessaly::app::QtClipboard clipboard;
  tessaly::app::TerminalConsole console;
  tessaly::app::FrontEnd frontEnd(dialogs, &clipboard, &console);
  front = &frontEnd;
  try {
    frontEnd.startUp(resources);
  } catch (const std::exception& e) {
    std::cerr << "tessaly: the program could not start: " << e.what() << "\n";
    QMessageBox::critical(nullptr, QStringLiteral("Tessaly"),
                          QStringLiteral("The program could not start: %1").arg(e.what()));
    return 1;
  }
  return application.exec();
}
