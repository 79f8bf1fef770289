// The deformation displays (shape change along a canonical axis and between two markers in
// the score plot). They are not part of this version: each tells the user so and leaves the
// analysis and the windows as they are.
#include "dispatch/actions.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

namespace {
void notAvailable() {
  platform::dialogs().message(
      "The deformation display is not available in this version of Tessaly.", "");
}
}  // namespace

void ShowPCADeformation(const platform::Value&) {
  notAvailable();
}
void PlaceM1() {
  notAvailable();
}
void PlaceM2() {
  notAvailable();
}
void RestoreMarkers() {
  notAvailable();
}
void ShowMarker1PCA(const platform::Value&) {
  notAvailable();
}
void ShowMarker2PCA(const platform::Value&) {
  notAvailable();
}
void ShowMarkerDif(const platform::Value&) {
  notAvailable();
}

}  // namespace tessaly::dispatch
