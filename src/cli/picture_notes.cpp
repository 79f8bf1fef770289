#include "cli/picture_notes.h"

#include "dispatch/plot_notes.h"
#include "platform/platform.h"

namespace tessaly::cli {

using platform::Handle;
using platform::model;
using platform::Value;

PictureNotes::PictureNotes(const std::string& title, const std::string& xTitle,
                           const std::string& yTitle, bool filled)
    : axes_(model().gca()) {
  for (const char* property : {"Title", "XLabel", "YLabel"})
    saved_.emplace_back(property, model().get(axes_, property));
  model().set(axes_, "Title", Value(title));
  model().set(axes_, "XLabel", Value(xTitle));
  model().set(axes_, "YLabel", Value(yTitle));
  addLegend(filled);
}

PictureNotes::~PictureNotes() {
  if (legend_ >= 0 && model().isHandle(legend_)) model().remove(legend_);
  if (!model().isHandle(axes_)) return;
  for (const auto& [property, value] : saved_) model().set(axes_, property, value);
  model().setCurrentAxes(axes_);
}

void PictureNotes::addLegend(bool filled) {
  legend_ = dispatch::addLegend(axes_, filled);
}

}  // namespace tessaly::cli
