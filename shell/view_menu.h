// The View menu: the view commands, the depth settings, the docks' items and
// the options of how the chart is read and drawn. It keeps the options in
// the user's settings and hands them on as one ViewSettings; whoever shows
// the chart listens to its signals.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "chart_session.h"
#include "mariner_settings.h"

class QAction;
class QDockWidget;
class QMenu;
class QVariant;
class QWidget;

namespace abys {

// What the View menu's options say now.
struct ViewSettings {
  bool legend = false;    // drawn over the chart; this run only
  bool scaleBar = false;  // drawn over the chart; this run only
  bool s58Checks = false;
  bool declutterNames = false;
  bool wideDepthLines = false;
  bool readPastOrderErrors = false;
  DepthContours depthContours;
  // How the chart is presented.
  ColourScheme colourScheme = ColourScheme::Day;
  DisplayCategories categories = DisplayCategories::All;
  bool scaleMinimum = true;
  bool names = true;
  bool otherText = false;
  bool s52Depths = false;
  bool twoShades = false;
  bool shallowPattern = false;
  bool symbolizedBoundaries = false;
  // Buoys and beacons by the simplified symbols rather than by their shape.
  bool simplifiedSymbols = false;
  // The features the applied updates inserted or modified marked over the
  // chart.
  bool highlightUpdates = false;
};

}  // namespace abys

// In the global namespace so that its translation context is "ViewMenu".
class ViewMenu : public QObject {
  Q_OBJECT

 public:
  // The menu (a child of window, which also parents the depth settings
  // dialog) with every item, the options as the user last kept them.
  // messages and identify are the docks the menu shows and hides.
  ViewMenu(QDockWidget* messages, QDockWidget* identify, QWidget* window);

  QMenu* menu() const { return menu_; }
  // Appends an item that shows and hides dock.
  void addDockItem(QDockWidget* dock, const QString& text, const char* objectName);
  const abys::ViewSettings& settings() const { return settings_; }

  // Enables each view command's item as enabled says.
  void enableCommands(const std::function<bool(abys::ViewCommand)>& enabled);
  // The depth settings dialog; what it accepts is kept.
  void editDepthContours();
  // The items show settings, and settingsChanged follows; nothing is kept,
  // so the next run starts from the settings kept before (abys --lenient).
  void setForThisRun(const abys::ViewSettings& settings);

 signals:
  // The user chose a view command.
  void commandChosen(abys::ViewCommand command);
  // An option changed, by the user or by setForThisRun.
  void settingsChanged(const abys::ViewSettings& settings);

 protected:
  // Each adds its items at the end of the menu or of the submenu being
  // filled. key names the setting kept in the
  // user's settings; without one the item holds for this run only.

  // A checkable item for setting.
  void addOption(const QString& text, const char* objectName, bool abys::ViewSettings::*setting,
                 const char* key = nullptr);

  // A group of items, one of them checked, which gives setting its value;
  // kept as the value's number.
  template <typename T>
  struct Choice {
    QString text;
    const char* objectName;
    T value;
  };
  template <typename T>
  void addChoices(T abys::ViewSettings::*setting, const char* key,
                  std::initializer_list<Choice<T>> choices) {
    std::vector<Choice<int>> numbered;
    for (const Choice<T>& choice : choices)
      numbered.push_back({choice.text, choice.objectName, static_cast<int>(choice.value)});
    addChoiceGroup(
        key, numbered,
        [setting](const abys::ViewSettings& s) { return static_cast<int>(s.*setting); },
        [setting](abys::ViewSettings& s, int value) { s.*setting = static_cast<T>(value); });
  }

 private:
  void addCommand(abys::ViewCommand command, const QString& text, const char* objectName,
                  const QList<QKeySequence>& shortcuts);
  void addChoiceGroup(const char* key, const std::vector<Choice<int>>& choices,
                      std::function<int(const abys::ViewSettings&)> get,
                      std::function<void(abys::ViewSettings&, int)> set);
  // An item's change: kept under key (unless null) and handed on; nothing
  // while setForThisRun puts the items right.
  void chosen(const char* key, const QVariant& value);
  // Items added from now on go into a new submenu at the menu's end, until
  // endSubmenu.
  void beginSubmenu(const QString& text, const char* objectName);
  void endSubmenu() { into_ = menu_; }

  QWidget* window_ = nullptr;
  QMenu* menu_ = nullptr;
  QMenu* into_ = nullptr;  // where items are added
  abys::ViewSettings settings_;
  std::vector<std::pair<abys::ViewCommand, QAction*>> commands_;
  // Each option's items set from settings_.
  std::vector<std::function<void()>> shows_;
  bool showing_ = false;
};
