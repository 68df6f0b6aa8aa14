// abys: the chart viewer. "abys FILE" opens FILE at start as File/Open would
// (a folder as File/Open folder would)
// ("abys --lenient FILE" reading on past fields out of order);
// "abys --help" and "abys --version" answer without opening a window.
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "main_window.h"
#include "translation.h"

int main(int argc, char** argv) {
  // Answered before Qt starts, so that neither needs a display.
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(
        "usage: abys [--lenient] [FILE.000|FOLDER]\n"
        "Opens the chart viewer, with the S-57 cell FILE.000 when given (as File/Open would),\n"
        "or the cells of FOLDER (an exchange set's ENC_ROOT, any folder of cells, or a\n"
        "CATALOG.031) as one chart (as File/Open folder would).\n"
        "  --lenient  read on past a field out of order for this run, as View > Read on\n"
        "             past order errors does\n"
        "  --help     this text\n"
        "  --version  the program's version\n",
        stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("abys " ABYS_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  const bool lenient = arguments.removeAll(QStringLiteral("--lenient")) > 0;
  if (arguments.size() > 2) {
    std::fprintf(stderr, "usage: abys [--lenient] [FILE.000|FOLDER]\n");
    return 2;
  }
  abys::installCatalogue(app);

  MainWindow window;
  window.setWindowTitle(QStringLiteral("ABYS Ver.0.1.1"));
  // The size and place of the last run's window, when there was one.
  window.restorePlacement();
  if (lenient) window.readPastOrderErrorsThisRun();
  window.show();
  if (arguments.size() == 2) {
    // Once the event loop runs the window has its first size, which the
    // chart is fitted to, as for File/Open.
    const QString path = arguments.at(1);
    QTimer::singleShot(0, &window, [&window, path] { window.openPathGiven(path); });
  }
  const int status = app.exec();
  window.savePlacement();
  return status;
}
