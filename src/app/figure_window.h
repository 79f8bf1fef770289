#pragma once
// A window of the program built from a figure of the object model: every uicontrol becomes a
// widget and every uimenu a menu entry, bound to its object both ways (what the person does
// sets the object's properties through the front end; what an action sets shows at once),
// over a drawing area that paints the figure's axes.
#include <QMainWindow>
#include <map>
#include <string>

#include "app/figure_canvas.h"
#include "platform/object_model.h"

class QMenu;

namespace tessaly::app {

class FrontEnd;

class FigureWindow : public QMainWindow {
  Q_OBJECT
 public:
  FigureWindow(platform::Handle figure, FrontEnd& front);

  platform::Handle figure() const { return figure_; }
  FigureCanvas* canvas() const { return canvas_; }
  // The widget of a control, the menu entry of a uimenu; nullptr when it is not shown here.
  QWidget* widgetOf(platform::Handle control) const;
  QAction* actionOf(platform::Handle menu) const;
  // Every control and menu entry, by handle.
  const std::map<platform::Handle, QWidget*>& controls() const { return controls_; }
  const std::map<platform::Handle, QAction*>& menus() const { return menus_; }

  // The model changed a property of h; shows the change when h is this window or one of its
  // controls or menu entries.
  void follow(platform::Handle h, const std::string& property);
  // h is gone from the model.
  void forget(platform::Handle h);
  // Adds a menu entry of the windows themselves (not of the window file) to a top menu.
  QMenu* topMenu(const QString& title);
  // The window at the size of its layout, or smaller to fit the screen's free area (with
  // scroll bars then), and moved to lie on it.
  void fitOnScreen();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A file dropped on a window that takes drops is opened as the File menu opens it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  void addControl(platform::Handle h);
  QWidget* makeControl(platform::Handle h, const std::string& style);
  void addMenu(platform::Handle h, QMenu* parent);
  void refreshControl(platform::Handle h);
  void refreshMenu(platform::Handle h);
  void place(platform::Handle h, QWidget* w);
  void applyPointer();
  void applyTitle();
  void growPlot(QSize size);

  platform::Handle figure_;
  FrontEnd& front_;
  FigureCanvas* canvas_;
  std::map<platform::Handle, QWidget*> controls_;
  std::map<platform::Handle, QAction*> menus_;
  bool growing_ = false;
};

}  // namespace tessaly::app
