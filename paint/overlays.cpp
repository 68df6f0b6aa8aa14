#include "overlays.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "chart_render.h"

namespace abys {

namespace {

constexpr int kMargin = 10;  // from the view's edge
constexpr int kPadding = 6;  // inside a panel
constexpr int kBarWidth = 14;
constexpr int kBarHeight = 160;
constexpr int kSwatch = 12;
// At most this many labelled values between the ends of the hue scale.
constexpr int kMaxSteps = 4;

// The smallest of 1, 2 or 5 times a power of ten that is at least value.
double roundUp(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (factor * power >= value * (1 - 1e-12)) return factor * power;
  }
  return 10.0 * power;
}

// The largest of 1, 2 or 5 times a power of ten that is at most value.
double roundDown(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double factor : {5.0, 2.0, 1.0}) {
    if (factor * power <= value * (1 + 1e-12)) return factor * power;
  }
  return power;
}

QColor panelColour() {
  return QColor(255, 255, 255, 220);
}

}  // namespace

QString legendNumber(double value) {
  return soundingText(value);
}

Legend legendFor(const DisplayState& display) {
  Legend legend;
  if (display.currentDataset == nullptr) return legend;
  const portrayal::Portrayal& portrayal = display.portrayal;
  legend.hasLines = portrayal.hasClass(kDepthLineClass) || portrayal.hasClass(catalogue::kDepcnt);
  if (legend.hasLines) {
    legend.range = display.valdcoRange;
    const double min = legend.range.min;
    const double max = legend.range.max;
    legend.ticks.push_back(min);
    if (max > min) {
      // Round values between the ends, none nearer an end than a quarter
      // step, so that labels do not overlap.
      const double step = roundUp((max - min) / kMaxSteps);
      for (double tick = std::ceil(min / step) * step; tick < max; tick += step) {
        if (tick - min >= step / 4 && max - tick >= step / 4) legend.ticks.push_back(tick);
      }
      legend.ticks.push_back(max);
    }
  }
  if (portrayal.hasClass(catalogue::kDepare) || portrayal.hasClass(catalogue::kDrgare)) {
    const ColourScheme scheme = display.presentation.colourScheme;
    const DepthContours& c = display.depthContours;
    const auto range = [](double from, double to) {
      return legendNumber(from) + QStringLiteral(" - ") + legendNumber(to);
    };
    legend.bands = {
        {QStringLiteral("< 0"), tokenColour("DEPIT", scheme)},
        {range(0, c.shallow), tokenColour("DEPVS", scheme)},
        {range(c.shallow, c.safety), tokenColour("DEPMS", scheme)},
        {range(c.safety, c.deep), tokenColour("DEPMD", scheme)},
        {QStringLiteral(">= ") + legendNumber(c.deep), tokenColour("DEPDW", scheme)},
    };
  }
  return legend;
}

ScaleBar scaleBarFor(const ViewState& view, int maxPixels) {
  ScaleBar bar;
  if (!(view.pixelsPerMetre > 0) || maxPixels <= 0) return bar;
  bar.metres = roundDown(maxPixels / view.pixelsPerMetre);
  bar.pixels = std::max(1, static_cast<int>(std::lround(bar.metres * view.pixelsPerMetre)));
  bar.text = bar.metres >= 1000
                 ? QString::number(bar.metres / 1000, 'g', 12) + QStringLiteral(" km")
                 : QString::number(bar.metres, 'g', 12) + QStringLiteral(" m");
  return bar;
}

void paintLegend(QPainter& painter, const Legend& legend, const QRect& area) {
  if (legend.empty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QFontMetrics metrics(painter.font());
  const int line = metrics.height();
  const QString linesTitle = QCoreApplication::translate("DrawingArea", "Depth lines (m)");
  const QString bandsTitle = QCoreApplication::translate("DrawingArea", "Depth areas (m)");
  int width = 0;
  int height = 0;
  if (legend.hasLines) {
    int labels = 0;
    for (const double tick : legend.ticks)
      labels = std::max(labels, metrics.horizontalAdvance(legendNumber(tick)));
    width = std::max(metrics.horizontalAdvance(linesTitle), kBarWidth + 4 + labels);
    // The title, room for half a label above and below the bar, the bar.
    height += line + line / 2 + (legend.ticks.size() > 1 ? kBarHeight : kSwatch) + line / 2;
  }
  if (!legend.bands.empty()) {
    int labels = metrics.horizontalAdvance(bandsTitle);
    for (const Legend::Band& band : legend.bands)
      labels = std::max(labels, kSwatch + 4 + metrics.horizontalAdvance(band.text));
    width = std::max(width, labels);
    if (height > 0) height += line / 2;
    height += line + static_cast<int>(legend.bands.size()) * line;
  }
  const QRect panel(area.right() - kMargin - width - 2 * kPadding, area.top() + kMargin,
                    width + 2 * kPadding, height + 2 * kPadding);
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(panelColour());
  painter.drawRect(panel);
  int x = panel.left() + kPadding;
  int y = panel.top() + kPadding;
  if (legend.hasLines) {
    painter.drawText(QRect(x, y, width, line), Qt::AlignLeft | Qt::AlignVCenter, linesTitle);
    y += line + line / 2;
    const double min = legend.range.min;
    const double max = legend.range.max;
    if (legend.ticks.size() <= 1) {
      painter.fillRect(QRect(x, y, kBarWidth, kSwatch), depthColour(min, legend.range));
      painter.drawText(QRect(x + kBarWidth + 4, y - line / 2 + kSwatch / 2, width, line),
                       Qt::AlignLeft | Qt::AlignVCenter, legendNumber(min));
      y += kSwatch;
    } else {
      // Shallowest at the top, one colour per row as the lines are drawn.
      for (int row = 0; row < kBarHeight; ++row) {
        const double value = min + (max - min) * row / (kBarHeight - 1);
        painter.fillRect(QRect(x, y + row, kBarWidth, 1), depthColour(value, legend.range));
      }
      painter.setBrush(Qt::NoBrush);
      // The frame round the bar, not on it: the end rows keep the end colours.
      painter.drawRect(QRect(x - 1, y - 1, kBarWidth + 1, kBarHeight + 1));
      // Labels without tick marks: a mark beside a number reads as a minus.
      for (const double tick : legend.ticks) {
        const int at =
            y + static_cast<int>(std::lround((tick - min) / (max - min) * (kBarHeight - 1)));
        painter.drawText(QRect(x + kBarWidth + 4, at - line / 2, width, line),
                         Qt::AlignLeft | Qt::AlignVCenter, legendNumber(tick));
      }
      y += kBarHeight;
    }
    y += line / 2;
  }
  if (!legend.bands.empty()) {
    if (legend.hasLines) y += line / 2;
    painter.drawText(QRect(x, y, width, line), Qt::AlignLeft | Qt::AlignVCenter, bandsTitle);
    y += line;
    for (const Legend::Band& band : legend.bands) {
      const QRect swatch(x, y + (line - kSwatch) / 2, kSwatch, kSwatch);
      painter.fillRect(swatch, band.colour);
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(swatch.adjusted(0, 0, -1, -1));
      painter.drawText(QRect(x + kSwatch + 4, y, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                       band.text);
      y += line;
    }
  }
  painter.restore();
}

void paintScaleBar(QPainter& painter, const ScaleBar& bar, const QRect& area) {
  if (bar.pixels <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QFontMetrics metrics(painter.font());
  const int line = metrics.height();
  const int width = std::max(bar.pixels, metrics.horizontalAdvance(bar.text));
  const int tick = 6;
  const QRect panel(area.left() + kMargin, area.bottom() - kMargin - line - tick - 2 * kPadding,
                    width + 2 * kPadding, line + tick + 2 * kPadding);
  painter.setPen(Qt::NoPen);
  painter.setBrush(panelColour());
  painter.drawRect(panel);
  const int x = panel.left() + kPadding;
  const int base = panel.bottom() - kPadding;
  painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(x, base, x + bar.pixels, base);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(x, base, x, base - tick);
  painter.drawLine(x + bar.pixels, base, x + bar.pixels, base - tick);
  painter.drawText(QRect(x, panel.top() + kPadding, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                   bar.text);
  painter.restore();
}

}  // namespace abys
