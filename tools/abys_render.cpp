// abys-render FILE -o OUT.png [--size WxH] [--view CMD]... [--pick COL,ROW]...
//
// Draws a cell the way the viewer shows it, without a display: the viewer's
// own window (never shown on a screen) opens FILE as File/Open does, with a
// drawing area of WxH pixels (600x400 by default), runs each View command
// in order where its menu item is enabled, and writes the drawing area's
// picture as PNG. Then, for each --pick, prints the position read-out for a
// pointer moved to that pixel and the depth read-out for a press there (an
// empty line when no depth line is near). Exit status 0 on success, 1 when
// the cell cannot be opened or fails its checks, or the image cannot be
// written, 2 on a usage error.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "drawing_area.h"
#include "load_driver.h"
#include "main_window.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: abys-render FILE -o OUT.png [--size WxH] [--view CMD]... "
               "[--pick COL,ROW]...\n"
               "  CMD: full, in, out, left, right, up, down (the View menu)\n");
  return 2;
}

bool parsePair(const char* text, char separator, int& a, int& b) {
  char* end = nullptr;
  const long first = std::strtol(text, &end, 10);
  if (end == text || *end != separator) return false;
  const char* rest = end + 1;
  const long second = std::strtol(rest, &end, 10);
  if (end == rest || *end != '\0') return false;
  if (first < -1000000 || first > 1000000 || second < -1000000 || second > 1000000) return false;
  a = static_cast<int>(first);
  b = static_cast<int>(second);
  return true;
}

const std::map<std::string, const char*> kViewCommands = {
    {"full", "fullViewAction"}, {"in", "zoomInAction"},   {"out", "zoomOutAction"},
    {"left", "leftAction"},     {"right", "rightAction"}, {"up", "upAction"},
    {"down", "downAction"},
};

void sendMouse(QWidget* target, QEvent::Type type, QPoint at) {
  QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

}  // namespace

int main(int argc, char** argv) {
  std::string file, output;
  int width = 600, height = 400;
  std::vector<std::string> views;
  std::vector<QPoint> picks;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "-o" && hasValue) {
      output = argv[++i];
    } else if (arg == "--size" && hasValue) {
      if (!parsePair(argv[++i], 'x', width, height) || width < 1 || height < 1 || width > 20000 ||
          height > 20000) {
        std::fprintf(stderr, "abys-render: bad size %s (WxH, 1 to 20000 each)\n", argv[i]);
        return usage();
      }
    } else if (arg == "--view" && hasValue) {
      views.emplace_back(argv[++i]);
      if (kViewCommands.count(views.back()) == 0) {
        std::fprintf(stderr, "abys-render: unknown view command %s\n", argv[i]);
        return usage();
      }
    } else if (arg == "--pick" && hasValue) {
      int column = 0, row = 0;
      if (!parsePair(argv[++i], ',', column, row)) {
        std::fprintf(stderr, "abys-render: bad pick %s (COL,ROW)\n", argv[i]);
        return usage();
      }
      picks.emplace_back(column, row);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage();
    } else if (file.empty()) {
      file = arg;
    } else {
      return usage();
    }
  }
  if (file.empty() || output.empty()) return usage();

  // No display is needed or used; a private runtime folder spares the
  // warning Qt gives without one.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    char runtime[] = "/tmp/abys-render-XXXXXX";
    if (mkdtemp(runtime) != nullptr) qputenv("XDG_RUNTIME_DIR", runtime);
  }
  QApplication app(argc, argv);
  MainWindow window;
  auto* area = window.findChild<DrawingArea*>();
  area->setFixedSize(width, height);
  window.show();  // lays the window out on the offscreen screen

  if (!window.openFile(QString::fromLocal8Bit(file.c_str()))) {
    if (window.lastLoadStatus() == abys::kCannotOpen) {
      std::fprintf(stderr, "abys-render: cannot open %s\n", file.c_str());
    } else {
      std::fprintf(stderr, "abys-render: %s fails the checks: status %d (load status %d)\n",
                   file.c_str(), window.lastCheckStatus(), window.lastLoadStatus());
    }
    return 1;
  }
  for (const std::string& command : views) {
    auto* action = window.findChild<QAction*>(QString::fromLatin1(kViewCommands.at(command)));
    if (!action->isEnabled()) {
      std::fprintf(stderr, "abys-render: skipped --view %s: the menu item is disabled\n",
                   command.c_str());
      continue;
    }
    action->trigger();
  }
  if (!area->chartPixmap().save(QString::fromLocal8Bit(output.c_str()), "PNG")) {
    std::fprintf(stderr, "abys-render: cannot write %s\n", output.c_str());
    return 1;
  }

  auto* position = window.findChild<QLabel*>(QStringLiteral("latLonLabel"));
  auto* depth = window.findChild<QLabel*>(QStringLiteral("valdcoLabel"));
  for (const QPoint& pick : picks) {
    sendMouse(area, QEvent::MouseMove, pick);
    std::printf("%s\n", position->text().toUtf8().constData());
    depth->clear();
    sendMouse(area, QEvent::MouseButtonPress, pick);
    sendMouse(area, QEvent::MouseButtonRelease, pick);
    std::printf("%s\n", depth->text().toUtf8().constData());
  }
  return 0;
}
