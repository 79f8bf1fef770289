#pragma once
// What makes a picture of the one-command analysis explain itself: a title naming the data
// file, axis titles, and a legend that maps each plot symbol to its group (its name when the
// groups have names, else its code). The notes are added to the main window's plot for the
// print only and taken away again, so the window's own actions draw exactly as they do.
#include <string>
#include <vector>

#include "core/matrix.h"
#include "dispatch/plot_notes.h"
#include "platform/object_model.h"

namespace tessaly::cli {

using dispatch::cvAxisTitle;
using dispatch::legendText;
using dispatch::plottedCodes;

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
