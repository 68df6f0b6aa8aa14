// abys-render FILE|FOLDER -o OUT.png [--size WxH] [--depths SHALLOW,SAFETY,DEEP] [--view CMD]...
//                                [--pick COL,ROW]... [--no-updates] [--lenient]
//                                [--colours day|dusk|night] [--display base|standard|all]
//                                [--no-scamin] [--depth-style abys|s52] [--two-shades]
//                                [--shallow-pattern] [--symbolized-boundaries]
//                                [--simplified-symbols] [--no-names] [--other-text] [--list]
//                                [--highlight-updates]
// abys-render --help | --version
//
// Draws a cell the way the viewer shows it, without a display: a chart
// session opens FILE as File/Open does, with a window of WxH pixels (600x400
// by default), runs each View command in order where its menu item is
// enabled, and the viewer's render pass paints it into an image written as
// PNG; a NAME.000 is drawn with the update files beside it applied unless
// --no-updates is given; with --lenient a field out of order is read past
// instead of ending the load (said on standard error). Then, for each --pick, prints the position
// read-out for a pointer at that pixel and the depth read-out for a press there (an empty line when
// no depth line is near). The presentation options are the View menu's; the display scale
// is reckoned at 96 pixels per inch. --list prints, after the image is written, one line
// per feature: record name, class, category, priority, instructions, and "drawn" or why
// not. --highlight-updates marks the features the applied update files
// inserted or modified over the chart, as View > Highlight updates does, and
// says on standard error how many features they inserted, modified and
// deleted, with a line for each one deleted. Exit status 0 on success, 1 when the cell cannot
// be opened, holds no chart or fails its checks, or the image cannot be
// written, 2 on a usage error.
//
// A FOLDER (an exchange set's ENC_ROOT, any folder of cells, or its
// CATALOG.031) is drawn as the viewer's File > Open folder draws it: one
// chart from all its cells, each place from the cell of the best scale for
// the view, the cells the view needs built before the picture is painted.
// What could not be read and each cell that does not open are said on
// standard error; the exit status is 1 only when no cell opens. --list and
// --pick read the cell drawn at the view's centre and at the pixel.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "chart_render.h"
#include "chart_session.h"
#include "exchange_catalogue.h"
#include "prepare_chart.h"
#include "quilt_render.h"
#include "readouts.h"

namespace {

constexpr const char* kUsage =
    "usage: abys-render FILE -o OUT.png [--size WxH] [--depths SHALLOW,SAFETY,DEEP] "
    "[--view CMD]... [--pick COL,ROW]... [--no-updates] [--lenient]\n"
    "       [--colours day|dusk|night] [--display base|standard|all] [--no-scamin]\n"
    "       [--depth-style abys|s52] [--two-shades] [--shallow-pattern]\n"
    "       [--symbolized-boundaries] [--simplified-symbols] [--no-names] [--other-text]\n"
    "       [--list] [--highlight-updates]\n"
    "  CMD: full, in, out, left, right, up, down (the View menu)\n";

int usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int help() {
  std::fputs(kUsage, stdout);
  std::fputs(
      "Draws an S-57 cell as the viewer shows it into a PNG (600x400 and depths 2,10,30 unless\n"
      "given) and prints the position and depth read-outs of each picked pixel. A NAME.000 is\n"
      "drawn with the update files NAME.001, NAME.002, ... beside it applied; --no-updates draws\n"
      "the base cell alone. --lenient reads on past a field out of order where the load would\n"
      "stop. --colours, --display (all unless given), --no-scamin, --depth-style, --two-shades,\n"
      "--shallow-pattern, --symbolized-boundaries, --simplified-symbols, --no-names and\n"
      "--other-text are the View menu's presentation settings; the display scale is reckoned\n"
      "at 96 pixels per inch.\n"
      "--list prints one line per feature after the image: record name, class, category,\n"
      "priority, instructions, and \"drawn\" or why not. --highlight-updates marks in orange\n"
      "(CHCOR) the features the applied update files inserted or modified, as View > Highlight\n"
      "updates does, and says on standard error how many features they inserted, modified and\n"
      "deleted, with a line for each one deleted. Exit status 1 when the cell cannot be opened\n"
      "or drawn, 2 on a usage error.\n"
      "--version: the version.\n",
      stdout);
  return 0;
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

const std::map<std::string, abys::ViewCommand> kViewCommands = {
    {"full", abys::ViewCommand::FullView}, {"in", abys::ViewCommand::ZoomIn},
    {"out", abys::ViewCommand::ZoomOut},   {"left", abys::ViewCommand::Left},
    {"right", abys::ViewCommand::Right},   {"up", abys::ViewCommand::Up},
    {"down", abys::ViewCommand::Down},
};

// Three depths "A,B,C" with 0 <= A <= B <= C, each a finite number.
bool parseDepths(const char* text, abys::DepthContours& contours) {
  double values[3];
  const char* at = text;
  for (int i = 0; i < 3; ++i) {
    char* end = nullptr;
    values[i] = std::strtod(at, &end);
    if (end == at || !std::isfinite(values[i])) return false;
    if (*end != (i < 2 ? ',' : '\0')) return false;
    at = end + 1;
  }
  const abys::DepthContours read{values[0], values[1], values[2]};
  if (!abys::inOrder(read)) return false;
  contours = read;
  return true;
}

template <typename Value>
bool parseChoice(const char* text, const std::map<std::string, Value>& choices, Value& value) {
  const auto found = choices.find(text);
  if (found == choices.end()) return false;
  value = found->second;
  return true;
}

const std::map<std::string, abys::ColourScheme> kSchemes = {
    {"day", abys::ColourScheme::Day},
    {"dusk", abys::ColourScheme::Dusk},
    {"night", abys::ColourScheme::Night},
};
const std::map<std::string, abys::DisplayCategories> kCategories = {
    {"base", abys::DisplayCategories::Base},
    {"standard", abys::DisplayCategories::Standard},
    {"all", abys::DisplayCategories::All},
};
const std::map<std::string, bool> kDepthStyles = {{"abys", false}, {"s52", true}};

// A fresh XDG_RUNTIME_DIR when none is set, removed with the object.
class RuntimeFolder {
 public:
  RuntimeFolder() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    char pattern[] = "/tmp/abys-render-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    path_ = pattern;
    qputenv("XDG_RUNTIME_DIR", pattern);
  }
  ~RuntimeFolder() {
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored_);
  }
  RuntimeFolder(const RuntimeFolder&) = delete;
  RuntimeFolder& operator=(const RuntimeFolder&) = delete;

 private:
  std::string path_;
  std::error_code ignored_;
};

// How many features the applied updates changed, how many of them the
// picture marks, and each one they deleted.
void reportUpdates(const abys::OpenResult& result, int marked) {
  using abys::FeatureChange;
  const std::vector<abys::ChangedFeature>& changed = result.changedFeatures;
  std::fprintf(stderr,
               "abys-render: %zu update files applied: %d features inserted, %d modified, %d "
               "deleted; %d marked in the picture\n",
               result.updatesApplied.size(), countChanged(changed, FeatureChange::Inserted),
               countChanged(changed, FeatureChange::Modified),
               countChanged(changed, FeatureChange::Deleted), marked);
  for (const abys::ChangedFeature& feature : result.changedFeatures) {
    if (feature.change != abys::FeatureChange::Deleted) continue;
    std::fprintf(stderr, "abys-render: deleted by %s: %s\n", feature.file.c_str(),
                 abys::changedFeatureName(feature).c_str());
  }
}

// Runs the view commands that are enabled, each in turn.
void runViews(abys::ChartSession& session, const std::vector<std::string>& views) {
  for (const std::string& command : views) {
    if (!session.isEnabled(kViewCommands.at(command))) {
      std::fprintf(stderr, "abys-render: skipped --view %s: the menu item is disabled\n",
                   command.c_str());
      continue;
    }
    session.run(kViewCommands.at(command));
  }
}

// The picks' read-outs and the listing of the cell at the centre.
void printReadouts(const abys::ChartSession& session, bool list, double pixelsPerInch,
                   const std::vector<abys::PixelPoint>& picks) {
  if (list) {
    const double denominator = abys::scaleDenominator(session.view(), pixelsPerInch);
    for (const std::string& line :
         abys::portrayalListing(session.display(), session.drawnGeometry(), denominator))
      std::printf("%s\n", line.c_str());
  }
  for (const abys::PixelPoint& pick : picks) {
    std::printf("%s\n", abys::positionText(*session.positionAt(pick)).toUtf8().constData());
    std::printf("%s\n", abys::depthText(session.depthAt(pick)).toUtf8().constData());
  }
}

// A folder drawn as one chart.
int renderSet(abys::ChartSession& session, const std::string& folder,
              const std::vector<std::string>& views, const std::string& output, int width,
              int height, const abys::PresentationSettings& presentation, bool highlight, bool list,
              const std::vector<abys::PixelPoint>& picks) {
  abys::DiscardingReporter quiet;
  const abys::SetOpenResult opened = session.openSet(folder);
  for (const std::string& problem : opened.problems)
    std::fprintf(stderr, "abys-render: %s\n", problem.c_str());
  if (!opened.opened) return 1;
  for (const size_t cell : session.unplacedCells())
    session.buildCell(cell, quiet);
  runViews(session, views);
  session.loadWanted(quiet);
  bool anyOpened = false;
  for (size_t i = 0; i < session.cellCount(); ++i) {
    const abys::ChartCell& cell = session.cell(i);
    const std::string note = abys::coverageNote(cell);
    if (!note.empty()) std::fprintf(stderr, "abys-render: %s\n", note.c_str());
    if (cell.state == abys::ChartCell::State::Failed) {
      std::fprintf(stderr, "abys-render: %s %s\n", cell.input.path.c_str(),
                   abys::failureReason(cell.result).c_str());
    }
    anyOpened = anyOpened || cell.state != abys::ChartCell::State::Failed;
  }
  if (!anyOpened) {
    std::fprintf(stderr, "abys-render: no cell of %s opens\n", folder.c_str());
    return 1;
  }
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(abys::backgroundColour(presentation.colourScheme));
  {
    QPainter painter(&picture);
    abys::paintQuilt(painter, session, {}, highlight);
  }
  if (!picture.save(QString::fromLocal8Bit(output.c_str()), "PNG")) {
    std::fprintf(stderr, "abys-render: cannot write %s\n", output.c_str());
    return 1;
  }
  printReadouts(session, list, presentation.pixelsPerInch, picks);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file, output;
  int width = 600, height = 400;
  std::vector<std::string> views;
  std::vector<abys::PixelPoint> picks;
  abys::DepthContours contours;
  bool updates = true;
  bool lenient = false;
  bool list = false;
  bool highlight = false;
  abys::portrayal::PortrayalSettings rules;
  abys::PresentationSettings presentation;
  presentation.pixelsPerInch = 96.0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help") {
      return help();
    } else if (arg == "--version") {
      std::puts("abys-render " ABYS_VERSION);
      return 0;
    } else if (arg == "--no-updates") {
      updates = false;
    } else if (arg == "--lenient") {
      lenient = true;
    } else if (arg == "--list") {
      list = true;
    } else if (arg == "--highlight-updates") {
      highlight = true;
    } else if (arg == "--no-scamin") {
      presentation.scaleMinimum = false;
    } else if (arg == "--no-names") {
      presentation.names = false;
    } else if (arg == "--other-text") {
      presentation.otherText = true;
    } else if (arg == "--two-shades") {
      rules.twoShades = true;
    } else if (arg == "--shallow-pattern") {
      rules.shallowPattern = true;
    } else if (arg == "--symbolized-boundaries") {
      rules.symbolizedBoundaries = true;
    } else if (arg == "--simplified-symbols") {
      rules.simplifiedSymbols = true;
    } else if (arg == "--colours" && hasValue) {
      if (!parseChoice(argv[++i], kSchemes, presentation.colourScheme)) {
        std::fprintf(stderr, "abys-render: unknown colours %s (day, dusk or night)\n", argv[i]);
        return usage();
      }
    } else if (arg == "--display" && hasValue) {
      if (!parseChoice(argv[++i], kCategories, presentation.categories)) {
        std::fprintf(stderr, "abys-render: unknown display %s (base, standard or all)\n", argv[i]);
        return usage();
      }
    } else if (arg == "--depth-style" && hasValue) {
      if (!parseChoice(argv[++i], kDepthStyles, rules.s52Depths)) {
        std::fprintf(stderr, "abys-render: unknown depth style %s (abys or s52)\n", argv[i]);
        return usage();
      }
    } else if (arg == "-o" && hasValue) {
      output = argv[++i];
    } else if (arg == "--size" && hasValue) {
      if (!parsePair(argv[++i], 'x', width, height) || width < 1 || height < 1 || width > 20000 ||
          height > 20000) {
        std::fprintf(stderr, "abys-render: bad size %s (WxH, 1 to 20000 each)\n", argv[i]);
        return usage();
      }
    } else if (arg == "--depths" && hasValue) {
      if (!parseDepths(argv[++i], contours)) {
        std::fprintf(stderr,
                     "abys-render: bad depths %s (SHALLOW,SAFETY,DEEP in metres, in that order)\n",
                     argv[i]);
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
      picks.push_back({column, row});
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage();
    } else if (file.empty()) {
      file = arg;
    } else {
      return usage();
    }
  }
  if (file.empty() || output.empty()) return usage();

  // No display is needed or used; a private runtime folder, removed on
  // the way out, spares the warning Qt gives without one.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const RuntimeFolder runtime;
  QGuiApplication app(argc, argv);
  abys::ChartSession session;
  session.setWindow(width, height);
  session.setDepthContours(contours);
  session.setPortrayalRules(rules);
  session.setPresentation(presentation);
  session.setApplyUpdates(updates);
  session.setReadPastOrderErrors(lenient);
  abys::DiscardingReporter quiet;
  std::error_code folderError;
  const bool isFolder =
      std::filesystem::is_directory(file, folderError) ||
      abys::upperName(std::filesystem::path(file).filename().string()) == abys::kCatalogueFileName;
  if (isFolder)
    return renderSet(session, file, views, output, width, height, presentation, highlight, list,
                     picks);
  const abys::OpenResult result = session.open(file.c_str(), quiet);
  switch (result.outcome) {
    case abys::OpenOutcome::Opened:
      break;
    case abys::OpenOutcome::CannotOpen:
      std::fprintf(stderr, "abys-render: cannot open %s\n", file.c_str());
      return 1;
    case abys::OpenOutcome::NothingLoaded:
      std::fprintf(stderr, "abys-render: %s holds no chart: load status %d\n", file.c_str(),
                   result.loadStatus);
      return 1;
    case abys::OpenOutcome::Cancelled:
      std::fprintf(stderr, "abys-render: %s is cancelled by one of its update files\n",
                   file.c_str());
      return 1;
    case abys::OpenOutcome::ChecksFailed:
      std::fprintf(stderr, "abys-render: %s fails the checks: status %d (load status %d)\n",
                   file.c_str(), result.checkStatus, result.loadStatus);
      return 1;
  }
  if (result.orderErrors > 0) {
    std::fprintf(stderr,
                 "abys-render: %s: read on past fields out of order in %d records; the file fails "
                 "its load (status %d)\n",
                 file.c_str(), result.orderErrors, result.loadStatus);
  }
  runViews(session, views);
  int marked = 0;
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(abys::backgroundColour(presentation.colourScheme));
  {
    QPainter painter(&picture);
    marked = abys::paintQuilt(painter, session, {}, highlight).marked;
  }
  if (!picture.save(QString::fromLocal8Bit(output.c_str()), "PNG")) {
    std::fprintf(stderr, "abys-render: cannot write %s\n", output.c_str());
    return 1;
  }
  if (highlight) reportUpdates(result, marked);
  printReadouts(session, list, presentation.pixelsPerInch, picks);
  return 0;
}
