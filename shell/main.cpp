// abys: the chart viewer. "abys FILE" opens FILE at start as File/Open would.
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "main_window.h"
#include "translation.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() > 2) {
    std::fprintf(stderr, "usage: abys [FILE.000]\n");
    return 2;
  }
  abys::installCatalogue(app);

  MainWindow window;
  window.setWindowTitle(QStringLiteral("ABYS Ver.0.1.1"));
  window.show();
  if (arguments.size() == 2) {
    // Once the event loop runs the window has its first size, which the
    // chart is fitted to, as for File/Open.
    const QString path = arguments.at(1);
    QTimer::singleShot(0, &window, [&window, path] { window.openFile(path); });
  }
  return app.exec();
}
