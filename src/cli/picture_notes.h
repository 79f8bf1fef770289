#pragma once
// What makes a picture of the one-command analysis explain itself: a title naming the data
// file, axis titles, and a legend that maps each plot symbol to its group (its name when the
// groups have names, else its code). The notes are added to the main window's plot for the
// print only and taken away again, so the window's own actions draw exactly as they do.
#include <string>
#include <vector>

#include "core/matrix.h"
#include "platform/object_model.h"

namespace tessaly::cli {

// "CV 1 (58.0% of the between-group variance)": axis is 1-based; the share is the axis's
// eigenvalue in the sum of all eigenvalues.
std::string cvAxisTitle(int axis, const Matrix& eigenvalues);

// The group codes drawn in the plot: those of the specimens, and of the unknowns when they
// are active, each once, in increasing order.
std::vector<double> plottedCodes();

// The legend text of a code: its name, else "Group" and the code.
std::string legendText(double code);

// Sets the title and axis titles of the current axes and adds a legend axes (Tag "Legend")
// beside it for as long as it lives; then everything is as it was before. filled: the legend's
// markers are filled as the plot's are.
class PictureNotes {
 public:
  PictureNotes(const std::string& title, const std::string& xTitle, const std::string& yTitle,
               bool filled);
  ~PictureNotes();
  PictureNotes(const PictureNotes&) = delete;
  PictureNotes& operator=(const PictureNotes&) = delete;

  platform::Handle legend() const { return legend_; }

 private:
  void addLegend(bool filled);

  platform::Handle axes_ = -1;
  platform::Handle legend_ = -1;
  std::vector<std::pair<const char*, platform::Value>> saved_;
};

}  // namespace tessaly::cli
