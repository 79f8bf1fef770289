#include "app/recent_files.h"

#include <QSettings>
#include <QStringList>

namespace tessaly::app {

const std::vector<FileKind>& fileKinds() {
  static const std::vector<FileKind> kinds = {
      {"LoadData", "recent/data", "Landmark data"},
      {"LoadGroupList", "recent/groups", "Group lists"},
      {"LoadReference", "recent/reference", "References"},
      {"LoadUData", "recent/unknowns", "Unknown specimens"},
      {"LoadUGroup", "recent/unknown-codes", "Unknowns' codes"},
  };
  return kinds;
}

const FileKind* kindOfAction(const std::string& action) {
  for (const FileKind& k : fileKinds())
    if (action == k.action) return &k;
  return nullptr;
}

RecentFiles::RecentFiles(const QString& file)
    : settings_(file.isEmpty() ? std::make_unique<QSettings>(QStringLiteral("Tessaly"),
                                                             QStringLiteral("Tessaly"))
                               : std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

RecentFiles::~RecentFiles() = default;

std::vector<std::string> RecentFiles::list(const FileKind& kind) const {
  std::vector<std::string> out;
  for (const QString& path : settings_->value(QString::fromUtf8(kind.key)).toStringList())
    out.push_back(path.toStdString());
  return out;
}

void RecentFiles::add(const FileKind& kind, const std::string& path) {
  QStringList paths = settings_->value(QString::fromUtf8(kind.key)).toStringList();
  const QString added = QString::fromStdString(path);
  paths.removeAll(added);
  paths.prepend(added);
  while (paths.size() > kKept) paths.removeLast();
  settings_->setValue(QString::fromUtf8(kind.key), paths);
  settings_->sync();
}

void RecentFiles::remove(const FileKind& kind, const std::string& path) {
  QStringList paths = settings_->value(QString::fromUtf8(kind.key)).toStringList();
  paths.removeAll(QString::fromStdString(path));
  settings_->setValue(QString::fromUtf8(kind.key), paths);
  settings_->sync();
}

void RecentFiles::clear() {
  for (const FileKind& k : fileKinds()) settings_->remove(QString::fromUtf8(k.key));
  settings_->sync();
}

}  // namespace tessaly::app
