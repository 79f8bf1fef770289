#include "cli/session.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <variant>

#include "core/error.h"
#include "core/numbers.h"
#include "core/random.h"
#include "core/text.h"
#include "dispatch/actions.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "platform/property_guard.h"
#include "platform/window_files.h"
#include "render/print.h"
#include "shell/callback.h"
#include "shell/function_table.h"

namespace tessaly::cli {

namespace fs = std::filesystem;
using platform::Handle;
using platform::model;
using platform::Value;

namespace {

// The text of a failure that gave none.
const char* const kSilentFailure = "the step failed without giving a reason";

}  // namespace

// A script has no clipboard: a copy to it (as a recorded session holds it) does nothing, with a
// note on the error stream, and the script goes on.
void NoScriptClipboard::setPicture(const std::string&, const std::string&) {
  err_ << "note: there is no clipboard in a script; the copy is skipped (print FILE writes "
          "the picture)\n";
  err_.flush();
}

namespace {

// What turns on a control that the program switches off, by its Tag.
std::string whatEnables(const std::string& tag) {
  if (tag == "LoadReference")
    return "LoadData enables it (LoadGroupList and LoadUGroup switch it off)";
  if (tag == "LoadGroup" || tag == "NoLoadGroup") return "LoadData enables it";
  return "the program enables it when the analysis allows";
}

bool switchedOff(Handle h) {
  const Value enable = model().get(h, "Enable");
  return enable.isText() && lowercase(enable.text()) == "off";
}

// Whether a callback text runs the action (or the function) `name`.
bool runs(const std::string& callback, const std::string& name) {
  shell::CallbackCall call;
  try {
    call = shell::parseCallback(callback);
  } catch (const Error&) {
    return false;
  }
  if (call.function == name) return true;
  if (call.function != "Tessalysw" || call.args.empty()) return false;
  const auto* value = std::get_if<Value>(&call.args.front().value);
  return value && value->isText() && value->text() == name;
}

// The first control or menu entry under `parent` that runs `name` and is switched off (or sits
// in a menu that is), or -1.
Handle disabledBinding(Handle parent, const std::string& name, bool parentOff) {
  for (Handle h : model().children(parent)) {
    const std::string type = model().type(h);
    if (type != "uicontrol" && type != "uimenu") continue;
    const bool off = parentOff || switchedOff(h);
    if (off && model().hasProperty(h, "Callback") &&
        runs(model().get(h, "Callback").toText(), name))
      return h;
    if (type == "uimenu") {
      const Handle inner = disabledBinding(h, name, off);
      if (inner >= 0) return inner;
    }
  }
  return -1;
}

// The name a person sees on a control or menu entry.
std::string shownName(Handle h) {
  const char* property = model().type(h) == "uimenu" ? "Label" : "String";
  return model().get(h, property).toText();
}

bool isResultsControl(Handle h) {
  const Value tag = model().get(h, "Tag");
  return tag.isText() && tag.text() == "AuxResults";
}

// The text of a "String" value as it would fill a text area: list entries one a line.
std::string stringText(const Value& v) {
  if (v.isTexts()) {
    std::string text;
    for (const std::string& line : v.texts()) text += line + "\n";
    return text;
  }
  if (v.isText()) return v.text();
  return v.toText();
}

}  // namespace

Value propertyValueFromText(const Value& current, const std::string& text,
                            const std::string& what) {
  if (!current.isNumeric()) return Value(text);
  std::vector<double> numbers;
  std::string field;
  auto flush = [&] {
    if (field.empty()) return;
    double x = 0;
    if (!parseNumber(field, x)) throw Error("\"" + text + "\" is not a number for " + what);
    numbers.push_back(x);
    field.clear();
  };
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == ',') {
      flush();
    } else {
      field += c;
    }
  }
  flush();
  if (numbers.empty()) return Value(Matrix());
  return Value(Matrix(
      Eigen::Map<const RowVector>(numbers.data(), static_cast<Eigen::Index>(numbers.size()))));
}

std::string programFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path().string();
  return exe.parent_path().string();
}

Session::Session(std::ostream& out, std::ostream& err)
    : out_(out), err_(err), console_(&out), clipboard_(err) {
  platform::platform().setDialogs(&dialogs_);
  platform::platform().setConsole(&console_);
  platform::platform().setClipboard(&clipboard_);
  dialogs_.onMessage([this](const platform::ScriptedDialogs::MessageBox& m) {
    if (m.error) return;  // the step fails with it (see run)
    if (m.title.empty()) {
      out_ << "message: " << m.text << "\n";
    } else {
      out_ << "message (" << m.title << "): " << m.text << "\n";
    }
    out_.flush();
  });
  baseFolder_ = fs::current_path().string();
  dialogs_.setBaseFolder(baseFolder_);
}

Session::~Session() {
  if (listener_) model().unsubscribe(listener_);
  platform::platform().setDialogs(nullptr);
  platform::platform().setConsole(nullptr);
  platform::platform().setClipboard(nullptr);
}

void Session::setBaseFolder(const std::string& folder) {
  baseFolder_ = fs::absolute(folder).lexically_normal().string();
  dialogs_.setBaseFolder(baseFolder_);
}

void Session::watchResults() {
  if (listener_) model().unsubscribe(listener_);
  listener_ = model().subscribe([this](const platform::Change& change) {
    if (!echoResults_ || change.kind != platform::Change::Kind::Property ||
        change.property != "string" || !model().isHandle(change.handle) ||
        !isResultsControl(change.handle)) {
      return;
    }
    std::string text = stringText(model().get(change.handle, "String"));
    if (text.empty() || text.back() != '\n') text += '\n';
    out_ << "results:\n" << text;
    out_.flush();
  });
}

void Session::startUp(const std::string& resourceFolder) {
  // A TESSALY_SEED that is not a whole number stops the start with its message.
  setRandomSeed(startingSeed());
  platform::setResourceFolder(resourceFolder);
  // As a fresh program: nothing of an earlier session in this process counts as loaded.
  dispatch::resetAnalysisState();
  watchResults();
  const shell::Values result = shell::callFunction("Tessaly6l", {}, 1);
  mainWindow_ = result.at(0).number();
}

std::string Session::resultsText() const {
  const auto found = model().findobj("Tag", Value("AuxResults"));
  if (found.empty()) return {};
  return stringText(model().get(found.front(), "String"));
}

std::vector<std::string> Session::run(const Step& step) {
  dialogs_.takeUnused();
  const std::size_t shown = dialogs_.messages().size();
  switch (step.kind) {
    case Step::Kind::Action:
      dialogs_.answerAll(step.args);
      runAction(step);
      break;
    case Step::Kind::Call:
      dialogs_.answerAll(step.args);
      runCall(step);
      break;
    case Step::Kind::Set:
      runSet(step);
      break;
    case Step::Kind::Print:
      runPrint(step);
      break;
    case Step::Kind::Seed:
      setRandomSeed(step.seed);
      break;
    case Step::Kind::OnError:
      break;
  }
  const auto& messages = dialogs_.messages();
  // Every error that ended the step fails it, whatever its text.
  for (std::size_t i = shown; i < messages.size(); ++i) {
    if (messages[i].error) {
      dialogs_.takeUnused();
      throw Error(messages[i].text.empty() ? kSilentFailure : messages[i].text);
    }
  }
  return dialogs_.takeUnused();
}

void Session::runAction(const Step& step) {
  const auto& actions = dispatch::actionNames();
  const bool isAction = std::find(actions.begin(), actions.end(), step.name) != actions.end();
  if (!isAction && !shell::findFunction(step.name)) {
    throw Error("\"" + step.name + "\" is neither an action nor a function of the program");
  }
  // A click makes the clicked window current: the results window for its save button, the
  // main window for everything else.
  Handle window = mainWindow_;
  if (step.name == "AuxBoxsw") {
    const auto found = model().findobj("Tag", Value("AuxResults"));
    if (!found.empty()) window = model().figureOf(found.front());
  }
  if (window >= 0 && model().isHandle(window)) model().setCurrentFigure(window);

  // A control or menu entry that the window shows greyed out cannot be clicked.
  if (mainWindow_ >= 0 && model().isHandle(mainWindow_)) {
    const Handle off = disabledBinding(mainWindow_, step.name, false);
    if (off >= 0) {
      const Value tag = model().get(off, "Tag");
      throw Error("The action " + step.name + " is not available now: its " +
                  (model().type(off) == "uimenu" ? "menu entry" : "control") + " \"" +
                  shownName(off) + "\" is disabled in the main window; " +
                  whatEnables(tag.isText() ? tag.text() : std::string()));
    }
  }

  if (isAction) {
    dispatch::Tessalysw(step.name);
  } else {
    shell::callFunction(step.name, {}, 0);
  }
}

void Session::runCall(const Step& step) {
  // As the menus and buttons of the main window run it, except that an error ends the step
  // (and so the script) instead of being shown and passed over.
  if (mainWindow_ >= 0 && model().isHandle(mainWindow_)) model().setCurrentFigure(mainWindow_);
  const shell::CallbackCall call = shell::parseCallback(step.text);
  shell::callFunction(call.function, shell::resolveArguments(call, -1), 0);
}

void Session::runSet(const Step& step) {
  const std::string& tag = step.args.at(0);
  const std::string& property = step.args.at(1);
  const auto found = model().findobj("Tag", Value(tag));
  if (found.empty()) throw Error("No object has the Tag \"" + tag + "\"");
  for (Handle h : found) {
    const Value current = model().get(h, property);
    model().set(h, property,
                propertyValueFromText(current, step.args.at(2), "the " + property + " of " + tag));
  }
}

namespace {

// Moves an axes for a print and puts its Units and Position back when it goes out of scope.

}  // namespace

void Session::runPrint(const Step& step) {
  fs::path path(step.args.at(0));
  if (path.is_relative()) path = fs::path(baseFolder_) / path;
  const std::optional<render::PictureFormat> format = render::pictureFormatOf(path.string());
  if (!format) {
    throw Error("Cannot tell the picture type of \"" + step.args.at(0) +
                "\": end its name in .png, .svg, .pdf or .eps");
  }
  const Handle figure = model().currentFigure();
  if (figure < 0) throw Error("There is no window to print");
  render::RenderOptions options;
  options.noui = true;
  options.printing = true;

  // The plot fills the picture: the window's one axes is stretched over it for the print, as
  // the EPS export does, and put back as it was afterwards (also when the print fails). A
  // legend (an axes tagged "Legend", sized in pixels) goes to the right of the plot, at its top.
  std::vector<Handle> axes, legends;
  for (Handle h : model().children(figure)) {
    if (model().type(h) != "axes") continue;
    (model().get(h, "Tag").toText() == "Legend" ? legends : axes).push_back(h);
  }
  if (axes.size() != 1 || legends.size() > 1) {
    render::writePicture(path.string(), model(), figure, *format, options);
    return;
  }
  const render::Size size = render::figureSize(model(), figure);
  constexpr double left = 80, bottom = 50, right = 30, top = 40;  // room for ticks and title
  platform::PropertyGuard layout(model());
  const auto place = [&](Handle ax, const RowVector& pixels) {
    layout.keep(ax, {"Units", "Position"});
    layout.set(ax, "Units", Value("pixels"));
    layout.set(ax, "Position", Value(pixels));
  };
  double legendRoom = 0;
  if (!legends.empty()) {
    const RowVector at = platform::pixelPosition(model(), legends.front());
    legendRoom = at(2) + 20;
    place(legends.front(),
          RowVector{{size.width - right - at(2), size.height - top - at(3), at(2), at(3)}});
  }
  place(axes.front(),
        RowVector{{left, bottom, std::max(size.width - left - right - legendRoom, 1.0),
                   std::max(size.height - bottom - top, 1.0)}});
  render::writePicture(path.string(), model(), figure, *format, options);
  layout.restore();
}

int Session::runScript(const std::vector<Step>& steps, const std::string& scriptName) {
  bool continueOnError = false;
  int status = 0;
  for (const Step& step : steps) {
    if (step.kind == Step::Kind::OnError) continueOnError = step.continueOnError;
    std::optional<std::string> failure;
    try {
      const auto unused = run(step);
      if (!unused.empty()) {
        std::string list;
        for (const std::string& a : unused) list += " '" + a + "'";
        err_ << scriptName << ":" << step.line << ": warning: answers not used:" << list << "\n";
      }
    } catch (const std::exception& e) {
      failure = *e.what() ? e.what() : kSilentFailure;
    } catch (...) {
      failure = kSilentFailure;
    }
    if (!failure) continue;
    out_.flush();
    err_ << scriptName << ":" << step.line << ": " << *failure << "\n";
    err_.flush();
    if (!continueOnError) {
      status = 1;
      break;
    }
  }
  return status;
}

}  // namespace tessaly::cli
