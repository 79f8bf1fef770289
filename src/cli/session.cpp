#include "cli/session.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "core/error.h"
#include "core/random.h"
#include "dispatch/actions.h"
#include "platform/platform.h"
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

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The program reports an error that ended an action (or a by-name call) in a message box with
// one of these titles, after writing it to the console; the batch runner takes such a box as
// the failure of the step.
bool isErrorReport(const std::string& title) {
  return title == "Tessaly Error" || title == "Error";
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
    char* end = nullptr;
    const double x = std::strtod(field.c_str(), &end);
    if (end != field.c_str() + field.size()) {
      throw Error("\"" + text + "\" is not a number for " + what);
    }
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

Session::Session(std::ostream& out, std::ostream& err) : out_(out), err_(err), console_(&out) {
  platform::platform().setDialogs(&dialogs_);
  platform::platform().setConsole(&console_);
  dialogs_.onMessage([this](const platform::ScriptedDialogs::MessageBox& m) {
    if (isErrorReport(m.title)) return;  // the step fails with it (see run)
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
  platform::setResourceFolder(resourceFolder);
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
  for (std::size_t i = shown; i < messages.size(); ++i) {
    if (isErrorReport(messages[i].title)) {
      dialogs_.takeUnused();
      throw Error(messages[i].text);
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

void Session::runPrint(const Step& step) {
  fs::path path(step.args.at(0));
  if (path.is_relative()) path = fs::path(baseFolder_) / path;
  const std::string ext = lower(path.extension().string());
  render::PictureFormat format;
  if (ext == ".png") {
    format = render::PictureFormat::Png;
  } else if (ext == ".svg") {
    format = render::PictureFormat::Svg;
  } else if (ext == ".pdf") {
    format = render::PictureFormat::Pdf;
  } else if (ext == ".eps") {
    format = render::PictureFormat::Eps;
  } else {
    throw Error("Cannot tell the picture type of \"" + step.args.at(0) +
                "\": end its name in .png, .svg, .pdf or .eps");
  }
  const Handle figure = model().currentFigure();
  if (figure < 0) throw Error("There is no window to print");
  render::RenderOptions options;
  options.noui = true;
  options.printing = true;

  // The plot fills the picture: the window's one axes is stretched over it for the print, as
  // the EPS export does, and put back as it was afterwards (also when the print fails).
  std::vector<Handle> axes;
  for (Handle h : model().children(figure)) {
    if (model().type(h) == "axes") axes.push_back(h);
  }
  if (axes.size() != 1) {
    render::writePicture(path.string(), model(), figure, format, options);
    return;
  }
  const Handle ax = axes.front();
  const Value units = model().get(ax, "Units");
  const Value position = model().get(ax, "Position");
  const render::Size size = render::figureSize(model(), figure);
  constexpr double left = 80, bottom = 50, right = 30, top = 40;  // room for ticks and title
  model().set(ax, "Units", Value("pixels"));
  model().set(ax, "Position",
              Value(RowVector{{left, bottom, std::max(size.width - left - right, 1.0),
                               std::max(size.height - bottom - top, 1.0)}}));
  try {
    render::writePicture(path.string(), model(), figure, format, options);
  } catch (...) {
    model().set(ax, "Units", units);
    model().set(ax, "Position", position);
    throw;
  }
  model().set(ax, "Units", units);
  model().set(ax, "Position", position);
}

int Session::runScript(const std::vector<Step>& steps, const std::string& scriptName) {
  bool continueOnError = false;
  int status = 0;
  for (const Step& step : steps) {
    if (step.kind == Step::Kind::OnError) continueOnError = step.continueOnError;
    std::string failure;
    try {
      const auto unused = run(step);
      if (!unused.empty()) {
        std::string list;
        for (const std::string& a : unused) list += " '" + a + "'";
        err_ << scriptName << ":" << step.line << ": warning: answers not used:" << list << "\n";
      }
    } catch (const std::exception& e) {
      failure = e.what();
    }
    if (failure.empty()) continue;
    out_.flush();
    err_ << scriptName << ":" << step.line << ": " << failure << "\n";
    err_.flush();
    if (!continueOnError) {
      status = 1;
      break;
    }
  }
  return status;
}

}  // namespace tessaly::cli
