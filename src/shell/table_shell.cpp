// Table entries of the windows, the window helpers, the dispatcher and the file readers.
#include "core/dload.h"
#include "core/error.h"
#include "dispatch/actions.h"
#include "dispatch/common.h"
#include "platform/platform.h"
#include "platform/window_files.h"
#include "shell/callback.h"
#include "shell/function_table.h"
#include "shell/windows.h"

namespace tessaly::shell {

namespace {

// The window of the running callback, or the current figure.
platform::Handle defaultWindow() {
  platform::Handle h = callbackObject();
  if (h >= 0 && platform::model().isHandle(h)) return h;
  return platform::model().gcf();
}

Value flag(bool b) {
  return Value(b ? 1.0 : 0.0);
}

}  // namespace

void addShellEntries(std::vector<FunctionEntry>& t) {
  t.push_back({"Tessaly6l", kVariable, kVariable,
               [](const Values& a, int nargout) { return Tessaly6l(a, nargout); }});
  t.push_back({"Tessalysw", 2, 0, [](const Values& a, int) -> Values {
                 dispatch::Tessalysw(textInput(a, 0), hasInput(a, 1) ? a[1] : Value());
                 return {};
               }});
  t.push_back({"AuxBox", kVariable, kVariable,
               [](const Values& a, int nargout) { return AuxBox(a, nargout); }});
  t.push_back({"AuxBoxsw", 0, 0, [](const Values&, int) -> Values {
                 AuxBoxsw();
                 return {};
               }});
  t.push_back({"RefAngleSetup", 1, 1, [](const Values&, int) -> Values {
                 std::optional<Value> y = RefAngleSetup();
                 if (!y) return {};
                 return {*y};
               }});
  t.push_back({"guidata", 2, 1, [](const Values& a, int) -> Values {
                 platform::Handle h = handleInput(a, 0);
                 if (hasInput(a, 1)) {
                   platform::guidata(h, a[1]);
                   return {};
                 }
                 return {platform::guidata(h)};
               }});
  t.push_back({"guihandles", 1, 1, [](const Values& a, int) -> Values {
                 platform::Handle h = hasInput(a, 0) ? handleInput(a, 0) : defaultWindow();
                 return {Value(platform::guihandles(h))};
               }});
  t.push_back({"openfig", 2, 1, [](const Values& a, int) -> Values {
                 std::string policy = hasInput(a, 1) ? textInput(a, 1) : "new";
                 return {Value(platform::openfig(textInput(a, 0), policy))};
               }});
  t.push_back({"isvarname", 1, 1, [](const Values& a, int) -> Values {
                 const Value& v = input(a, 0);
                 return {flag(v.isText() && platform::isvarname(v.text()))};
               }});
  t.push_back({"iskeyword", 1, 1, [](const Values& a, int) -> Values {
                 if (!hasInput(a, 0)) return {Value(Value::Texts(platform::iskeyword()))};
                 const Value& v = input(a, 0);
                 return {flag(v.isText() && platform::iskeyword(v.text()))};
               }});
  t.push_back({"dload", 1, 1,
               [](const Values& a, int) -> Values { return {Value(dload(textInput(a, 0)))}; }});
  t.push_back({"mfload", 1, 2, [](const Values&, int) -> Values {
                 // A cancelled dialog gives the empty matrix and the file name 0, as the
                 // file dialog itself reports a cancel.
                 std::optional<dispatch::LoadedFile> f = dispatch::mfload(1);
                 if (!f) return {Value(Matrix()), Value(0.0)};
                 return {Value(f->data), Value(f->fname)};
               }});
}

}  // namespace tessaly::shell
