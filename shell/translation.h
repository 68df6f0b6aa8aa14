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

// Loads kCatalogueName from the working directory (not the program's own);
// when it is not there and the user's locale is Japanese, from the installed
// catalogue folder. Installs it into app, whether or not it was found:
// without it every text shows as written. The translator lives as long as
// app.
QTranslator* installCatalogue(QCoreApplication& app);

}  // namespace abys
