#include "graphics/rotation.h"

#include <cmath>
#include <exception>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "core/dload.h"
#include "core/format.h"
#include "graphics/showshape.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"

namespace tessaly::graphics {

namespace pf = tessaly::platform;

namespace {

const char* const kTitle = "Reference Rotation Selection, Positive is Counter-Clockwise";
const char* const kPrompt = "Enter Desired Rotation, or Zero to end rotation";

void drawReference(pf::Handle figh, const Matrix& reference) {
  if (pf::ishandle(figh)) pf::figure(figh);
  plotlib::cla();
  showshape(reference, "m*");
  numberLandmarks(reference);
  pf::axis("auto");
  pf::axis("equal");
}

// The step typed, in degrees: one number, else 0 (which ends the loop).
double stepOf(const std::string& text) {
  std::vector<double> numbers;
  std::string bad;
  if (!parseNumberLine(text, numbers, bad) || numbers.size() != 1 ||
      !std::isfinite(numbers.front()))
    return 0;
  return numbers.front();
}

}  // namespace

Rotation rotationhandler(pf::Handle figh, pf::Handle, const Matrix& reference, double defangle) {
  Rotation result{0, reference};
  drawReference(figh, result.reference);
  std::string answer = num2str(defangle == 0 ? 10 : defangle);
  double step = 0;
  do {
    std::string text = "0";
    try {
      auto answers = pf::dialogs().input({kPrompt}, kTitle, {answer});
      if (answers && !answers->empty()) {
        text = answers->front();
        answer = text;
      }
    } catch (const std::exception&) {
      pf::dialogs().message("Sorry, Failure on input dialog Box", "");
    }
    step = stepOf(text) * std::numbers::pi / 180;
    if (step != 0) {
      result.reference = rotateConfiguration(result.reference, step);
      drawReference(figh, result.reference);
    }
    result.theta += step;
  } while (step != 0);
  return result;
}

}  // namespace tessaly::graphics
