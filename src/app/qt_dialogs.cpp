#include "app/qt_dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "platform/platform.h"

namespace tessaly::app {

namespace {

QWidget* activeWindow() {
  return QApplication::activeWindow();
}

}  // namespace

QString qtFilter(const std::string& filter) {
  if (filter.empty() || filter == "*.*" || filter == "*") return QObject::tr("All files (*)");
  return qs(filter) + ";;" + QObject::tr("All files (*)");
}

BusyPause::BusyPause() {
  while (QApplication::overrideCursor()) {
    QApplication::restoreOverrideCursor();
    ++paused_;
  }
}

BusyPause::~BusyPause() {
  for (int i = 0; i < paused_; ++i) QApplication::setOverrideCursor(Qt::WaitCursor);
}

QtDialogs::QtDialogs(std::function<FigureCanvas*(platform::Handle)> canvasOf)
    : canvasOf_(std::move(canvasOf)) {}

std::optional<platform::FileChoice> QtDialogs::file(bool save, const std::string& filter,
                                                    const std::string& title) {
  BusyPause pause;
  QFileDialog dialog(activeWindow(), qs(title), QDir::currentPath(), qtFilter(filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // Several actions append to the file they are given: no warning about replacing it.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (!examples_.empty()) {
    QList<QUrl> places = dialog.sidebarUrls();
    places << QUrl::fromLocalFile(QDir::homePath()) << QUrl::fromLocalFile(qs(examples_));
    dialog.setSidebarUrls(places);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const std::filesystem::path path(dialog.selectedFiles().front().toStdString());
  platform::FileChoice choice;
  choice.name = path.filename().string();
  choice.folder = path.parent_path().string() + "/";
  // As every file dialog of the program does, the chosen folder becomes the current one.
  std::error_code ec;
  std::filesystem::current_path(path.parent_path(), ec);
  return choice;
}

std::optional<platform::FileChoice> QtDialogs::getFile(const std::string& filter,
                                                       const std::string& title) {
  return file(false, filter, title);
}

std::optional<platform::FileChoice> QtDialogs::putFile(const std::string& filter,
                                                       const std::string& title) {
  return file(true, filter, title);
}

std::optional<std::vector<std::string>> QtDialogs::input(const std::vector<std::string>& prompts,
                                                         const std::string& title,
                                                         const std::vector<std::string>& defaults) {
  BusyPause pause;
  QDialog dialog(activeWindow());
  dialog.setWindowTitle(qs(title));
  auto* form = new QFormLayout(&dialog);
  std::vector<QLineEdit*> edits;
  for (std::size_t i = 0; i < prompts.size(); ++i) {
    auto* edit = new QLineEdit(i < defaults.size() ? qs(defaults[i]) : QString(), &dialog);
    edit->setMinimumWidth(260);
    form->addRow(new QLabel(qs(prompts[i]), &dialog));
    form->addRow(edit);
    edits.push_back(edit);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<std::string> answers;
  for (QLineEdit* edit : edits) answers.push_back(edit->text().toStdString());
  return answers;
}

std::string QtDialogs::question(const std::string& question, const std::string& title,
                                const std::vector<std::string>& buttons) {
  BusyPause pause;
  const std::vector<std::string> standard = {"Yes", "No", "Cancel"};
  const std::vector<std::string>& choices = buttons.empty() ? standard : buttons;
  QMessageBox box(QMessageBox::Question, qs(title), qs(question), QMessageBox::NoButton,
                  activeWindow());
  std::vector<std::pair<QAbstractButton*, std::string>> made;
  for (const std::string& b : choices)
    made.emplace_back(box.addButton(qs(b), QMessageBox::ActionRole), b);
  box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
  box.exec();
  for (const auto& [button, text] : made)
    if (box.clickedButton() == button) return text;
  return {};
}

QtDialogs::~QtDialogs() = default;

// The dialog is modal to the windows, so nothing else runs meanwhile, and the events it
// handles here keep the windows painted and its Cancel button alive.
bool QtDialogs::progress(const std::string& title, double done, double total) {
  constexpr int kSteps = 1000;
  if (!progress_) {
    progress_ = std::make_unique<QProgressDialog>(QString::fromStdString(title),
                                                  QStringLiteral("Cancel"), 0, kSteps);
    progress_->setWindowTitle(QString::fromStdString(title));
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(300);
  }
  const double share = total > 0 ? done / total : 0;
  progress_->setValue(static_cast<int>(std::clamp(share, 0.0, 1.0) * (kSteps - 1)));
  QApplication::processEvents();
  return !progress_->wasCanceled();
}

void QtDialogs::endProgress() {
  progress_.reset();
}

void QtDialogs::message(const std::string& text, const std::string& title) {
  const bool error = title == "Error" || title == "Tessaly Error";
  const QString shownTitle = title.empty() ? QStringLiteral("Tessaly") : qs(title);
  // A message of a title still on screen replaces that box's text: boxes do not pile up.
  QPointer<QMessageBox>& box = boxes_[shownTitle];
  if (!box) {
    QWidget* parent = activeWindow();
    if (!parent || qobject_cast<QMessageBox*>(parent))
      parent = mainWindow_ ? mainWindow_() : nullptr;
    box = new QMessageBox(QMessageBox::NoIcon, shownTitle, QString(), QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  box->setIcon(error ? QMessageBox::Warning : QMessageBox::Information);
  box->setText(qs(text));
  box->show();   // returns at once: the program goes on while the message is up
  box->raise();  // in front of the window that asked for it
  box->activateWindow();
}

std::optional<platform::Pick> QtDialogs::pick(double axesHandle) {
  FigureCanvas* canvas = canvasOf_ ? canvasOf_(axesHandle) : nullptr;
  if (!canvas) return std::nullopt;
  BusyPause pause;
  return canvas->waitForPick(axesHandle);
}

void QtClipboard::setPicture(const std::string& png, const std::string& svg) {
  auto* data = new QMimeData;
  const QByteArray pngBytes(png.data(), static_cast<qsizetype>(png.size()));
  data->setImageData(QImage::fromData(pngBytes, "PNG"));
  data->setData(QStringLiteral("image/png"), pngBytes);
  data->setData(QStringLiteral("image/svg+xml"),
                QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
  QApplication::clipboard()->setMimeData(data);
}

void TerminalConsole::write(const std::string& text) {
  std::cout << text;
  std::cout.flush();
}

}  // namespace tessaly::app
