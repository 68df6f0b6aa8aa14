// The viewer's translation catalogue.
#pragma once

class QCoreApplication;
class QTranslator;

namespace abys {

// The catalogue's file name, looked for in the current working directory.
inline constexpr const char* kCatalogueName = "abys_jp.qm";

// Loads kCatalogueName from the working directory (not the program's own)
// and installs it into app, whether or not it was found: without it every
// text shows as written. The translator lives as long as app.
QTranslator* installCatalogue(QCoreApplication& app);

}  // namespace abys
