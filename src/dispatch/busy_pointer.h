#pragma once
// The "watch" pointer shown while a long action computes.
#include "platform/object_model.h"

namespace tessaly::dispatch {

// Shows the "watch" pointer on the current figure for as long as it lives. On leaving (at the
// end of the action or when an error stops it) the pointer returns to "arrow" on the figure
// that was current at construction and on whatever figure is current then.
class BusyPointer {
 public:
  BusyPointer();
  // Also remembers `remembered` (a figure current earlier in the action).
  explicit BusyPointer(platform::Handle remembered);
  ~BusyPointer();
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  platform::Handle first_ = -1;
  platform::Handle watched_ = -1;
};

}  // namespace tessaly::dispatch
