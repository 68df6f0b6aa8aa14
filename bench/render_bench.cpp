// Opening and drawing real and generated charts of standard S-57 content at
// 1200 x 900: the open alone (load and checks with every finding's line, as
// abys-check does), the open and first render (as abys-render does, without
// writing the PNG), the open
// and the assembly of the drawn geometry, a redraw of an open chart at a
// scale drawn before (each pan of the viewer), and a zoom to a scale not
// drawn before. And the least a redraw's point features can cost: the
// pictures one redraw copies (symbols, sectors, dangers' depths), recorded
// once and copied alone, at full view and zoomed in.
//
// Cells: ABYS_BENCH_CELLS (colon-separated paths) if set, else US4GA17M from
// the real cells beside the repository and the standard cells abys-mkcell
// writes into build/<preset>/bench/ on first use.
//
// Sets: the exchange set of 91 standard cells abys-mkcell writes there
// (one coastal, 9 approach and 81 harbour cells): its open (headers and
// catalogue only), the open with the cells the full view needs built and
// drawn, and redraws at full view and zoomed in over the harbour cells.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_cells.h"
#include "chart_render.h"
#include "chart_session.h"
#include "quilt_render.h"

namespace {

namespace fs = std::filesystem;
using namespace abys;

constexpr int kWidth = 1200;
constexpr int kHeight = 900;

std::vector<std::string> cells() {
  return bench::benchCells(fs::path(ABYS_REAL_DATA_DIR) / "csf_prf" / "inputs" / "US4GA17M.000",
                           {{"standard-100k", "--vertices 100000"},
                            {"standard-100k-aids", "--vertices 100000 --aids 20000"},
                            {"standard-1M", "--levels 50 --relief 500 --vertices 1000000"}});
}

// Opens as the viewer and abys-render do (nobody reads the findings) or,
// with everyFinding, as abys-check does: every finding formatted into its
// line, which is then dropped instead of printed.
// scaleMinimum off draws every feature whatever its SCAMIN.
bool openChart(ChartSession& session, const std::string& path, benchmark::State& state,
               bool everyFinding = false, bool scaleMinimum = true) {
  DiscardingReporter quiet;
  TextLogReporter lines([](const char* format, std::va_list args) {
    benchmark::DoNotOptimize(formatMessage(format, args));
  });
  session.setWindow(kWidth, kHeight);
  PresentationSettings presentation;
  presentation.pixelsPerInch = 96.0;  // as abys-render reckons the display scale
  presentation.scaleMinimum = scaleMinimum;
  session.setPresentation(presentation);
  FindingReporter& reporter = everyFinding ? static_cast<FindingReporter&>(lines) : quiet;
  if (session.open(path.c_str(), reporter).opened()) return true;
  state.SkipWithError("the cell does not open");
  return false;
}

// As the viewer paints: the quilt of the session's cells (of one cell, that
// cell).
void paint(const ChartSession& session, QImage& image) {
  image.fill(Qt::white);
  QPainter painter(&image);
  paintQuilt(painter, session);
}

// The generated exchange set, made once; empty when it cannot be made.
std::string exchangeSet() {
  const fs::path folder = bench::binFolder().parent_path() / "bench" / "set91";
  if (!fs::exists(folder / "ENC_ROOT")) {
    fs::remove_all(folder);
    const std::string command = (bench::binFolder() / "abys-mkcell").string() + " --exchange-set " +
                                folder.string() + " --cells 91 >/dev/null";
    if (std::system(command.c_str()) != 0) return {};
  }
  return (folder / "ENC_ROOT").string();
}

bool openSet(ChartSession& session, const std::string& folder, benchmark::State& state) {
  session.setWindow(kWidth, kHeight);
  PresentationSettings presentation;
  presentation.pixelsPerInch = 96.0;
  session.setPresentation(presentation);
  if (session.openSet(folder).opened) return true;
  state.SkipWithError("the set does not open");
  return false;
}

void setOpen(benchmark::State& state, const std::string& folder) {
  ChartSession session;
  for (auto _ : state) {
    if (!openSet(session, folder, state)) return;
    session.close();
  }
}

void setOpenAndFirstRender(benchmark::State& state, const std::string& folder) {
  ChartSession session;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  DiscardingReporter quiet;
  for (auto _ : state) {
    if (!openSet(session, folder, state)) return;
    session.loadWanted(quiet);
    paint(session, image);
    session.close();
  }
}

// zooms: how many times the view is zoomed in about the middle first.
void setRedraw(benchmark::State& state, const std::string& folder, int zooms) {
  ChartSession session;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  DiscardingReporter quiet;
  if (!openSet(session, folder, state)) return;
  for (int i = 0; i < zooms; ++i)
    session.run(ViewCommand::ZoomIn);
  session.loadWanted(quiet);
  paint(session, image);
  state.counters["pieces"] = static_cast<double>(session.quilt().size());
  for (auto _ : state)
    paint(session, image);
}

void open(benchmark::State& state, const std::string& path) {
  ChartSession session;
  for (auto _ : state) {
    if (!openChart(session, path, state, true)) return;
    session.close();
  }
}

void openAndFirstRender(benchmark::State& state, const std::string& path) {
  ChartSession session;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    if (!openChart(session, path, state)) return;
    paint(session, image);
    session.close();
  }
}

void openAndAssemble(benchmark::State& state, const std::string& path) {
  ChartSession session;
  for (auto _ : state) {
    if (!openChart(session, path, state)) return;
    benchmark::DoNotOptimize(session.drawnGeometry().pointCount());
    session.close();
  }
}

void redraw(benchmark::State& state, const std::string& path) {
  ChartSession session;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  if (!openChart(session, path, state)) return;
  session.drawnGeometry();  // assembled and simplified by the first render
  for (auto _ : state)
    paint(session, image);
}

// The same with every feature drawn, whatever its SCAMIN.
void redrawEveryFeature(benchmark::State& state, const std::string& path) {
  ChartSession session;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  if (!openChart(session, path, state, false, false)) return;
  session.drawnGeometry();
  for (auto _ : state)
    paint(session, image);
}

// A redraw after two zooms in: a quarter of the chart's width on screen.
void redrawZoomed(benchmark::State& state, const std::string& path) {
  ChartSession session;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  if (!openChart(session, path, state)) return;
  session.run(ViewCommand::ZoomIn);
  session.run(ViewCommand::ZoomIn);
  session.drawnGeometry();
  for (auto _ : state)
    paint(session, image);
}

// A paint device that draws nothing and keeps every picture copied onto
// it with where it went: the symbols, sectors and sounding images of one
// paint, to be copied again alone.
class PictureRecorder : public QPaintDevice {
 public:
  struct Copy {
    QPointF at;
    QImage image;
  };

  std::vector<Copy> copies;

  QPaintEngine* paintEngine() const override { return &engine_; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return kWidth;
      case PdmHeight:
        return kHeight;
      case PdmWidthMM:
        return kWidth * 254 / 960;
      case PdmHeightMM:
        return kHeight * 254 / 960;
      case PdmDepth:
        return 32;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return 96;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
      default:
        return 1;
    }
  }

 private:
  class Engine : public QPaintEngine {
   public:
    explicit Engine(std::vector<Copy>& copies) : QPaintEngine(AllFeatures), copies_(copies) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return User; }
    void drawImage(const QRectF& r, const QImage& image, const QRectF&,
                   Qt::ImageConversionFlags) override {
      copies_.push_back({r.topLeft(), image});
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawLines(const QLineF*, int) override {}
    void drawLines(const QLine*, int) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawPoints(const QPointF*, int) override {}
    void drawTextItem(const QPointF&, const QTextItem&) override {}

   private:
    std::vector<Copy>& copies_;
  };

  mutable Engine engine_{copies};
};

// The pictures a redraw copies (symbols, sectors, the dangers' depths),
// copied alone at the same places: what the redraw of point features
// costs at the least, however the interpreter finds them.
void picturesAlone(benchmark::State& state, const std::string& path, int zooms) {
  ChartSession session;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  if (!openChart(session, path, state)) return;
  for (int i = 0; i < zooms; ++i)
    session.run(ViewCommand::ZoomIn);
  session.drawnGeometry();
  PictureRecorder recorder;
  {
    QPainter painter(&recorder);
    paintQuilt(painter, session);
  }
  double pixels = 0;
  for (const PictureRecorder::Copy& copy : recorder.copies)
    pixels += static_cast<double>(copy.image.width()) * copy.image.height();
  state.counters["copies"] = static_cast<double>(recorder.copies.size());
  state.counters["pixels"] = pixels;
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const PictureRecorder::Copy& copy : recorder.copies)
      painter.drawImage(copy.at, copy.image);
  }
}

// A zoom in to a scale not drawn before: the geometry simplified for the
// new scale and the redraw.
void zoomToNewScale(benchmark::State& state, const std::string& path) {
  ChartSession session;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    state.PauseTiming();
    if (!openChart(session, path, state)) return;
    session.drawnGeometry();
    state.ResumeTiming();
    session.run(ViewCommand::ZoomIn);
    paint(session, image);
    state.PauseTiming();
    session.close();
    state.ResumeTiming();
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // fonts for the texts
  using Run = void (*)(benchmark::State&, const std::string&);
  const std::pair<const char*, Run> runs[] = {{"Open/", open},
                                              {"OpenAndFirstRender/", openAndFirstRender},
                                              {"OpenAndAssemble/", openAndAssemble},
                                              {"Redraw/", redraw},
                                              {"RedrawEveryFeature/", redrawEveryFeature},
                                              {"ZoomToNewScale/", zoomToNewScale},
                                              {"RedrawZoomedIn4x/", redrawZoomed}};
  for (const std::string& path : cells()) {
    const std::string name = fs::path(path).stem().string();
    for (const auto& [prefix, run] : runs) {
      benchmark::RegisterBenchmark((prefix + name).c_str(), run, path)
          ->Unit(benchmark::kMillisecond);
    }
  }
  for (const std::string& path : cells()) {
    const std::string name = fs::path(path).stem().string();
    benchmark::RegisterBenchmark(("PicturesAlone/" + name).c_str(), picturesAlone, path, 0)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("PicturesAloneZoomedIn4x/" + name).c_str(), picturesAlone, path,
                                 2)
        ->Unit(benchmark::kMillisecond);
  }
  if (const std::string set = exchangeSet(); !set.empty()) {
    benchmark::RegisterBenchmark("SetOpen/set91", setOpen, set)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SetOpenAndFirstRender/set91", setOpenAndFirstRender, set)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SetRedraw/set91", setRedraw, set, 0)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SetRedrawZoomedIn8x/set91", setRedraw, set, 3)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
