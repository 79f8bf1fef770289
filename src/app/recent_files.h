#pragma once
// The files opened last, of each kind, kept in the program's settings so that File > Open
// Recent offers them in the next session too.
#include <QString>
#include <memory>
#include <string>
#include <vector>

class QSettings;

namespace tessaly::app {

// A kind of file the program opens, with the action that opens it.
struct FileKind {
  const char* action;  // the action of the main window ("LoadData")
  const char* key;     // the settings key of its list
  const char* title;   // the heading of its entries in the menu
};

// Every kind, in the order of the menu.
const std::vector<FileKind>& fileKinds();
// The kind opened by an action, or nullptr.
const FileKind* kindOfAction(const std::string& action);

class RecentFiles {
 public:
  // The person's settings, or (for tests) an INI file of that path.
  explicit RecentFiles(const QString& file = {});
  ~RecentFiles();

  // The newest first, at most kKept of each kind.
  std::vector<std::string> list(const FileKind& kind) const;
  void add(const FileKind& kind, const std::string& path);
  void remove(const FileKind& kind, const std::string& path);
  void clear();

  static constexpr int kKept = 6;

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace tessaly::app
