#include "view_menu.h"

#include <QActionGroup>
#include <QDialog>
#include <QDockWidget>
#include <QMenu>
#include <QSettings>

#include "depth_settings.h"

using namespace abys;

namespace {

// The user's settings, where the options are kept; the only place this file
// reads or writes them, apart from the depth contours' own functions.
QSettings userSettings() {
  return QSettings(QStringLiteral("ABYS"), QStringLiteral("abys"));
}

QVariant kept(const char* key, const QVariant& fallback) {
  return userSettings().value(QString::fromLatin1(key), fallback);
}

}  // namespace

ViewMenu::ViewMenu(QDockWidget* messages, QDockWidget* identify, QWidget* window)
    : QObject(window), window_(window) {
  menu_ = new QMenu(tr("&View"), window);
  menu_->setObjectName(QStringLiteral("viewMenu"));
  menu_->setTearOffEnabled(true);
  into_ = menu_;
  addCommand(ViewCommand::FullView, tr("&Full view"), "fullViewAction", {Qt::Key_Home});
  // "+" is a shifted key on most keyboards; "=" beside it and the keypad's
  // plus do the same.
  addCommand(ViewCommand::ZoomIn, tr("Zoom &in"), "zoomInAction", {Qt::Key_Plus, Qt::Key_Equal});
  addCommand(ViewCommand::ZoomOut, tr("Zoom &out"), "zoomOutAction", {Qt::Key_Minus});
  addCommand(ViewCommand::Left, tr("Left"), "leftAction", {Qt::Key_Left});
  addCommand(ViewCommand::Right, tr("Right"), "rightAction", {Qt::Key_Right});
  addCommand(ViewCommand::Up, tr("Up"), "upAction", {Qt::Key_Up});
  addCommand(ViewCommand::Down, tr("Down"), "downAction", {Qt::Key_Down});
  menu_->addSeparator();
  settings_.depthContours = loadDepthContours();
  QAction* depths = menu_->addAction(tr("&Depth settings..."));
  depths->setObjectName(QStringLiteral("depthSettingsAction"));
  connect(depths, &QAction::triggered, this, &ViewMenu::editDepthContours);
  menu_->addSeparator();
  addDockItem(messages, tr("&Messages"), "messagesAction");
  addDockItem(identify, tr("I&dentify results"), "identifyAction");
  addOption(tr("&S-58 checks"), "s58Action", &ViewSettings::s58Checks, "checks/s58");
  // Added after the items above, so that they keep their places.
  menu_->addSeparator();
  addOption(tr("&Legend"), "legendAction", &ViewSettings::legend);
  addOption(tr("Sc&ale bar"), "scaleBarAction", &ViewSettings::scaleBar);
  // How the chart is drawn.
  menu_->addSeparator();
  addOption(tr("Declutter &names"), "declutterAction", &ViewSettings::declutterNames,
            "view/declutterNames");
  addOption(tr("&Wide depth lines"), "wideDepthLinesAction", &ViewSettings::wideDepthLines,
            "view/wideDepthLines");
  // How a cell is read.
  menu_->addSeparator();
  addOption(tr("&Read on past order errors"), "readPastOrderErrorsAction",
            &ViewSettings::readPastOrderErrors, "view/readPastOrderErrors");
  // How the chart is presented.
  menu_->addSeparator();
  beginSubmenu(tr("&Colours"), "coloursMenu");
  addChoices<ColourScheme>(&ViewSettings::colourScheme, "view/colours",
                           {{tr("&Day"), "dayColoursAction", ColourScheme::Day},
                            {tr("D&usk"), "duskColoursAction", ColourScheme::Dusk},
                            {tr("&Night"), "nightColoursAction", ColourScheme::Night}});
  endSubmenu();
  beginSubmenu(tr("Displa&y"), "displayMenu");
  addChoices<DisplayCategories>(
      &ViewSettings::categories, "view/display",
      {{tr("Display &base"), "displayBaseAction", DisplayCategories::Base},
       {tr("&Standard"), "displayStandardAction", DisplayCategories::Standard},
       {tr("&All"), "displayAllAction", DisplayCategories::All}});
  endSubmenu();
  addOption(tr("Scale &minimum"), "scaleMinimumAction", &ViewSettings::scaleMinimum,
            "view/scaleMinimum");
  addOption(tr("Na&mes"), "namesAction", &ViewSettings::names, "view/names");
  addOption(tr("&Other text"), "otherTextAction", &ViewSettings::otherText, "view/otherText");
  beginSubmenu(tr("Depth &presentation"), "depthPresentationMenu");
  addChoices<bool>(&ViewSettings::s52Depths, "view/depthPresentation",
                   {{tr("&Bands and hue scale"), "hueDepthsAction", false},
                    {tr("As &S-52"), "s52DepthsAction", true}});
  into_->addSeparator();
  addOption(tr("&Two shades"), "twoShadesAction", &ViewSettings::twoShades, "view/twoShades");
  addOption(tr("Shallow &pattern"), "shallowPatternAction", &ViewSettings::shallowPattern,
            "view/shallowPattern");
  endSubmenu();
  addOption(tr("S&ymbolised boundaries"), "symbolizedBoundariesAction",
            &ViewSettings::symbolizedBoundaries, "view/symbolizedBoundaries");
  addOption(tr("Si&mplified symbols"), "simplifiedSymbolsAction", &ViewSettings::simplifiedSymbols,
            "view/simplifiedSymbols");
  // What the update files changed.
  menu_->addSeparator();
  addOption(tr("&Highlight updates"), "highlightUpdatesAction", &ViewSettings::highlightUpdates,
            "view/highlightUpdates");
}

void ViewMenu::beginSubmenu(const QString& text, const char* objectName) {
  into_ = menu_->addMenu(text);
  into_->setObjectName(QString::fromLatin1(objectName));
  into_->menuAction()->setObjectName(QString::fromLatin1(objectName) + QStringLiteral("Action"));
}

void ViewMenu::addCommand(ViewCommand command, const QString& text, const char* objectName,
                          const QList<QKeySequence>& shortcuts) {
  QAction* item = menu_->addAction(text);
  item->setObjectName(QString::fromLatin1(objectName));
  item->setShortcuts(shortcuts);
  connect(item, &QAction::triggered, this, [this, command] { emit commandChosen(command); });
  commands_.emplace_back(command, item);
}

void ViewMenu::addDockItem(QDockWidget* dock, const QString& text, const char* objectName) {
  QAction* item = dock->toggleViewAction();
  item->setText(text);
  item->setObjectName(QString::fromLatin1(objectName));
  menu_->addAction(item);
}

void ViewMenu::addOption(const QString& text, const char* objectName, bool ViewSettings::*setting,
                         const char* key) {
  if (key != nullptr) settings_.*setting = kept(key, settings_.*setting).toBool();
  QAction* item = into_->addAction(text);
  item->setObjectName(QString::fromLatin1(objectName));
  item->setCheckable(true);
  item->setChecked(settings_.*setting);
  connect(item, &QAction::toggled, this, [this, setting, key](bool on) {
    settings_.*setting = on;
    chosen(key, on);
  });
  shows_.push_back([this, item, setting] { item->setChecked(settings_.*setting); });
}

void ViewMenu::addChoiceGroup(const char* key, const std::vector<Choice<int>>& choices,
                              std::function<int(const ViewSettings&)> get,
                              std::function<void(ViewSettings&, int)> set) {
  if (key != nullptr) {
    // A number no item stands for leaves the default.
    const int stored = kept(key, get(settings_)).toInt();
    for (const Choice<int>& choice : choices) {
      if (choice.value == stored) set(settings_, stored);
    }
  }
  auto* group = new QActionGroup(this);
  group->setExclusive(true);
  std::vector<std::pair<QAction*, int>> items;
  for (const Choice<int>& choice : choices) {
    QAction* item = group->addAction(choice.text);
    item->setObjectName(QString::fromLatin1(choice.objectName));
    item->setCheckable(true);
    item->setChecked(choice.value == get(settings_));
    into_->addAction(item);
    connect(item, &QAction::toggled, this, [this, set, key, value = choice.value](bool on) {
      if (!on) return;
      set(settings_, value);
      chosen(key, value);
    });
    items.emplace_back(item, choice.value);
  }
  shows_.push_back([this, items, get] {
    for (const auto& [item, value] : items) {
      if (value == get(settings_)) item->setChecked(true);
    }
  });
}

void ViewMenu::chosen(const char* key, const QVariant& value) {
  if (showing_) return;
  if (key != nullptr) userSettings().setValue(QString::fromLatin1(key), value);
  emit settingsChanged(settings_);
}

void ViewMenu::enableCommands(const std::function<bool(ViewCommand)>& enabled) {
  for (const auto& [command, item] : commands_)
    item->setEnabled(enabled(command));
}

void ViewMenu::editDepthContours() {
  DepthSettingsDialog dialog(settings_.depthContours, window_);
  if (dialog.exec() != QDialog::Accepted) return;
  settings_.depthContours = dialog.contours();
  saveDepthContours(settings_.depthContours);
  emit settingsChanged(settings_);
}

void ViewMenu::setForThisRun(const ViewSettings& settings) {
  settings_ = settings;
  showing_ = true;
  for (const std::function<void()>& show : shows_)
    show();
  showing_ = false;
  emit settingsChanged(settings_);
}
