#include "app/install_paths.h"

#include <filesystem>
#include <vector>

namespace tessaly::app {

namespace fs = std::filesystem;

std::string programFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path().string() : exe.parent_path().string();
}

std::string resourceFolder() {
  const fs::path here(programFolder());
  for (const fs::path& folder : {here, here / ".." / "share" / "tessaly"}) {
    std::error_code ec;
    if (fs::exists(folder / "Tessaly6l.fig", ec)) return fs::weakly_canonical(folder, ec).string();
  }
  return {};
}

std::string exampleFolder() {
  const fs::path here(programFolder());
  std::vector<fs::path> candidates = {here / ".." / "share" / "tessaly" / "examples"};
#ifdef TESSALY_SOURCE_EXAMPLES
  candidates.emplace_back(TESSALY_SOURCE_EXAMPLES);
#endif
  for (const fs::path& folder : candidates) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return fs::weakly_canonical(folder, ec).string();
  }
  return {};
}

std::string userGuide() {
  const fs::path here(programFolder());
  std::vector<fs::path> candidates = {here / ".." / "share" / "doc" / "tessaly" / "README.md"};
#ifdef TESSALY_SOURCE_EXAMPLES
  candidates.emplace_back(fs::path(TESSALY_SOURCE_EXAMPLES) / ".." / "README.md");
#endif
  for (const fs::path& file : candidates) {
    std::error_code ec;
    if (fs::is_regular_file(file, ec)) return fs::weakly_canonical(file, ec).string();
  }
  return {};
}

}  // namespace tessaly::app
