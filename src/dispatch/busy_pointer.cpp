#include "dispatch/busy_pointer.h"

#include "platform/platform.h"

namespace tessaly::dispatch {

using platform::Handle;

namespace {
void setPointer(Handle figure, const char* pointer) {
  auto& m = platform::model();
  if (figure >= 0 && m.isHandle(figure) && m.type(figure) == "figure")
    m.set(figure, "Pointer", platform::Value(pointer));
}
}  // namespace

BusyPointer::BusyPointer() : BusyPointer(platform::model().currentFigure()) {}

BusyPointer::BusyPointer(Handle remembered)
    : first_(remembered), watched_(platform::model().currentFigure()) {
  setPointer(watched_, "watch");
}

BusyPointer::~BusyPointer() {
  setPointer(platform::model().currentFigure(), "arrow");
  setPointer(watched_, "arrow");
  setPointer(first_, "arrow");
}

}  // namespace tessaly::dispatch
