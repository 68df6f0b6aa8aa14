// The viewer's translation catalogue.
#pragma once

class QCoreApplication;
class QTranslator;

namespace abys {

// The catalogue's file name, looked for in the current working directory.
inline constexpr const char* kCatalogueName = "abys_jp.qm";

// Where an installed viewer keeps its catalogue, relative to the program's
// own folder (bin/ beside share/).
inline constexpr const char* kInstalledCatalogueFolder = "/../share/abys/translations";

// Qt's own catalogue of the same language, for the texts of its standard
// dialogs and buttons; the build and the installation put it beside ours.
inline constexpr const char* kQtCatalogueName = "qtbase_ja.qm";

// Loads kCatalogueName from the working directory (not the program's own);
// when it is not there and the user's locale is Japanese, from the installed
// catalogue folder. Installs it into app, whether or not it was found:
// without it every text shows as written. The translator lives as long as
// app. When it was found, Qt's catalogue is installed with it
// (installQtCatalogue).
QTranslator* installCatalogue(QCoreApplication& app);

// Loads kQtCatalogueName from the folder ours came from, else from Qt's own
// translations folder, and installs it as a child of ours: it goes when ours
// is deleted. Null when neither holds it.
QTranslator* installQtCatalogue(QTranslator& ours);

}  // namespace abys
