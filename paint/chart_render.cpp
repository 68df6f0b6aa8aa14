#include "chart_render.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygon>
#include <QStaticText>
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <unordered_map>

#include "catalogue.h"
#include "drawn_geometry.h"
#include "feature_area.h"
#include "messages.h"
#include "prepare_chart.h"
#include "presentation_tables.h"
#include "symbol_images.h"

namespace abys {

QColor depthColour(double value, const ValdcoRange& range) {
  if (value == kNoValdco) return QColor(Qt::black);
  int hue = kHueSpan;
  if (range.max != range.min) {
    hue = truncateToInt32(kHueSpan - (value - range.min) * kHueSpan / (range.max - range.min));
    hue = std::clamp(hue, 0, kHueSpan);
  }
  return QColor::fromHsv(hue, 255, 255);
}

QString nameText(const AttributeEntry& entry) {
  const int32_t units = entry.atvlLength > 0 ? entry.atvlLength / 2 : 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(entry.atvl);
  QString text;
  text.reserve(units);
  for (int32_t i = 0; i < units; ++i) {
    text.append(QChar(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8))));
  }
  return text;
}

const AttributeEntry* nameEntry(const FeatureRecord& feature) {
  for (const AttributeEntry* entry : feature.nationalAttributes()) {
    if (entry->attl == kNobjnmCode) return entry;
  }
  return nullptr;
}

QColor tokenColour(std::string_view token, ColourScheme scheme) {
  const std::optional<portrayal::Rgb> rgb =
      portrayal::PresentationTables::builtIn().colour(token, scheme);
  if (!rgb) return QColor(255, 0, 255);
  return QColor(rgb->red, rgb->green, rgb->blue);
}

QColor backgroundColour(ColourScheme scheme) {
  if (scheme == ColourScheme::Day) return QColor(Qt::white);
  return tokenColour("NODTA", scheme);
}

namespace {

// An attribute's text: a national one as UCS-2, any other as Latin-1.
QString attributeString(const AttributeEntry& entry, bool national) {
  if (national) return nameText(entry);
  const std::string text = portrayal::displayText(entry.attl, portrayal::valueText(entry));
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())).trimmed();
}

const AttributeEntry* findAttribute(const FeatureRecord& feature, uint16_t code, bool& national) {
  for (const AttributeEntry* entry : feature.attributes) {
    if (entry->attl == code) {
      national = false;
      return entry;
    }
  }
  for (const AttributeEntry* entry : feature.nationalAttributes()) {
    if (entry->attl == code) {
      national = true;
      return entry;
    }
  }
  return nullptr;
}

std::optional<QString> namedAttribute(const FeatureRecord& feature, std::string_view acronym) {
  const catalogue::Attribute* attribute = catalogue::attribute(acronym);
  if (attribute == nullptr) return std::nullopt;
  bool national = false;
  const AttributeEntry* entry = findAttribute(feature, attribute->code, national);
  if (entry == nullptr) return std::nullopt;
  return attributeString(*entry, national);
}

// printf's conversions of format, each given the next value: %s its text,
// a numeric conversion its number.
QString formatValues(std::string_view format, const std::vector<QString>& values) {
  QString text;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      text += QChar::fromLatin1(format[i]);
      continue;
    }
    size_t end = i + 1;
    while (end < format.size() &&
           std::string_view("0123456789.-+ #l").find(format[end]) != std::string_view::npos)
      ++end;
    if (end >= format.size()) break;
    const char conversion = format[end];
    if (conversion == '%') {
      text += u'%';
    } else if (next < values.size()) {
      const QString& value = values[next++];
      if (conversion == 's' || conversion == 'c') {
        text += value;
      } else {
        std::string directive(format.substr(i, end - i));
        std::erase(directive, 'l');
        const double number = portrayal::parseNumber(value.toStdString());
        if (conversion == 'd' || conversion == 'i') {
          text += QString::fromStdString(
              formatMessage((directive + "ld").c_str(), std::lround(number)));
        } else {
          text += QString::fromStdString(formatMessage((directive + conversion).c_str(), number));
        }
      }
    }
    i = end;
  }
  return text;
}

}  // namespace

QString instructionText(const portrayal::Instruction& instruction, const FeatureRecord& feature) {
  using portrayal::Op;
  if (instruction.op == Op::Text) {
    if ((instruction.quoted & 1u) != 0) return QString::fromStdString(instruction.args[0]);
    return namedAttribute(feature, instruction.args[0]).value_or(QString());
  }
  if (instruction.op != Op::FormattedText) return {};
  std::vector<QString> values;
  std::string_view names = instruction.args[1];
  while (!names.empty()) {
    const size_t comma = names.find(',');
    const std::optional<QString> value = namedAttribute(feature, names.substr(0, comma));
    if (!value) return {};
    values.push_back(*value);
    names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
  }
  return formatValues(instruction.args[0], values);
}

namespace {

// Appends the points in pixels to polygon, a point on the same pixel as
// the one before it left out: at small scales most vertices of a long ring
// or shore line share pixels, and the rasteriser's time grows with the
// vertices.
void appendPixels(std::span<const LinePoint> points, const ViewState& view, QPolygon& polygon) {
  for (const LinePoint& point : points) {
    const PixelPoint at = metresToPixel(view, degreesToMetres(view, point.x, point.y));
    const QPoint pixel(at.column, at.row);
    if (polygon.isEmpty() || polygon.constLast() != pixel) polygon.append(pixel);
  }
}

// The texts in drawing order, each with its baseline's start at a pixel.
// Without the declutter each is drawn as it always was; with it, each
// takes the rectangle of its text and halo in the occupancy, and one that
// cannot is left out.
class NamePainter {
 public:
  NamePainter(QPainter& painter, bool declutter, const QColor& halo, const ViewState& view)
      : painter_(painter),
        halo_(halo),
        declutter_(declutter),
        window_(view.window.left, view.window.top, view.window.right - view.window.left,
                view.window.bottom - view.window.top) {}

  // laidOut: a text of the look-up tables, laid out once per thread and
  // font and kept across paints; the project's own texts are drawn as they
  // always were.
  void paint(const QString& text, QPoint at, const QColor& colour, bool laidOut = false) {
    if (text.isEmpty()) return;
    const QStaticText* layout = laidOut ? &layoutOf(painter_.font(), text) : nullptr;
    const auto draw = [&](QPoint baseline) {
      if (layout == nullptr) {
        painter_.drawText(baseline, text);
      } else {
        painter_.drawStaticText(baseline - QPoint(0, painter_.fontMetrics().ascent()), *layout);
      }
    };
    if (!declutter_) {
      painter_.setPen(QPen(colour));
      draw(at);
      ++counts_.drawn;
      return;
    }
    const QFontMetrics metrics = painter_.fontMetrics();
    // The text's line from its baseline anchor, and the halo round it.
    const QRect box = QRect(at.x(), at.y() - metrics.ascent(), metrics.horizontalAdvance(text),
                            metrics.ascent() + metrics.descent())
                          .adjusted(-kHalo, -kHalo, kHalo, kHalo);
    if (!box.intersects(window_)) return;
    if (!occupied_.claim(box)) {
      ++counts_.dropped;
      return;
    }
    painter_.setPen(QPen(halo_));
    for (int dy = -kHalo; dy <= kHalo; ++dy) {
      for (int dx = -kHalo; dx <= kHalo; ++dx) {
        if (dx != 0 || dy != 0) draw(at + QPoint(dx, dy));
      }
    }
    painter_.setPen(QPen(colour));
    draw(at);
    ++counts_.drawn;
  }

  static const QStaticText& layoutOf(const QFont& font, const QString& text) {
    thread_local std::unordered_map<QString, QStaticText> layouts;
    thread_local QString fontKey;
    if (font.key() != fontKey) {
      layouts.clear();
      fontKey = font.key();
    }
    auto found = layouts.find(text);
    if (found == layouts.end()) {
      QStaticText laid(text);
      laid.setTextFormat(Qt::PlainText);
      laid.prepare(QTransform(), font);
      found = layouts.emplace(text, std::move(laid)).first;
    }
    return found->second;
  }

  NameCounts counts() const { return counts_; }

 private:
  static constexpr int kHalo = 1;  // pixels of white round each letter

  QPainter& painter_;
  QColor halo_;
  bool declutter_;
  QRect window_;
  NameOccupancy occupied_;
  NameCounts counts_;
};

}  // namespace

bool NameOccupancy::claim(const QRect& box) {
  const int left = box.left() >> kSquareShift;
  const int right = box.right() >> kSquareShift;
  const int top = box.top() >> kSquareShift;
  const int bottom = box.bottom() >> kSquareShift;
  const auto key = [](int column, int row) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(column)) << 32) |
           static_cast<uint32_t>(row);
  };
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      const auto found = squares_.find(key(column, row));
      if (found == squares_.end()) continue;
      for (const uint32_t taken : found->second) {
        if (boxes_[taken].intersects(box)) return false;
      }
    }
  }
  const auto index = static_cast<uint32_t>(boxes_.size());
  boxes_.push_back(box);
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column)
      squares_[key(column, row)].push_back(index);
  }
  return true;
}

QString soundingText(double depth) {
  double rounded = std::round(depth * 10.0) / 10.0;
  if (rounded == 0.0) rounded = 0.0;  // no "-0"
  std::string text = formatMessage("%.1f", rounded);
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
  return QString::fromStdString(text);
}

namespace {

// An area of one ring is one polygon; one of more rings is a path of one
// polygon per ring, filled odd-even. (Joining the rings into one polygon
// through connecting segments gives the same pixels, but the long joins
// make the rasteriser several times slower.)
void paintArea(QPainter& painter, const DrawnGeometry& geometry, const DrawnFeature& drawn,
               const QBrush& brush, const ViewState& view, QPolygon& polygon) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(brush);
  const std::span<const DrawnPart> rings = geometry.parts(drawn);
  if (rings.size() == 1) {
    polygon.clear();
    appendPixels(geometry.points(rings.front()), view, polygon);
    painter.drawPolygon(polygon, Qt::OddEvenFill);
    return;
  }
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const DrawnPart& ring : rings) {
    polygon.clear();
    appendPixels(geometry.points(ring), view, polygon);
    path.addPolygon(QPolygonF(polygon));
  }
  painter.drawPath(path);
}

// Sounding texts laid out once per render: a chart repeats few values
// many times, and laying a text out costs more than drawing it. On a
// device without scaling each value and colour is also drawn once into a
// small image that the chart copies at every sounding of that value, which
// costs a fraction of drawing the glyphs again.
class SoundingTexts {
 public:
  SoundingTexts(const QFont& font, bool asImages) : font_(font), asImages_(asImages) {}

  // Whether draw copies images, and so does not need the painter's font.
  bool drawsImages() const { return asImages_; }

  // Draws the text of depth in colour centred on at.
  void draw(QPainter& painter, double depth, const QColor& colour, PixelPoint at) {
    const long key = std::lround(depth * 10.0);
    const Text& text = textOf(key, depth);
    const double left = at.column - text.size.width() / 2.0;
    const double top = at.row - text.size.height() / 2.0;
    if (!asImages_) {
      painter.setPen(colour);
      painter.drawStaticText(QPointF(left, top), text.text);
      return;
    }
    // at is a whole pixel, so the fraction of left and top is the text's
    // own: the image keeps it and is placed on whole pixels.
    const double column = std::floor(left) - 1.0;
    const double row = std::floor(top) - 1.0;
    const std::pair<long, QRgb> imageKey{key, colour.rgba()};
    auto found = images_.find(imageKey);
    if (found == images_.end()) {
      QImage image(static_cast<int>(std::ceil(text.size.width())) + 3,
                   static_cast<int>(std::ceil(text.size.height())) + 3,
                   QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter on(&image);
      on.setFont(font_);
      on.setPen(colour);
      on.drawStaticText(QPointF(left - column, top - row), text.text);
      on.end();
      found = images_.emplace(imageKey, std::move(image)).first;
    }
    painter.drawImage(QPointF(column, row), found->second);
  }

 private:
  struct Text {
    QStaticText text;
    QSizeF size;
  };
  struct KeyHash {
    size_t operator()(const std::pair<long, QRgb>& k) const {
      return std::hash<long>()(k.first * 31 + static_cast<long>(k.second));
    }
  };

  const Text& textOf(long key, double depth) {
    auto found = texts_.find(key);
    if (found == texts_.end()) {
      QStaticText text(soundingText(depth));
      text.setTextFormat(Qt::PlainText);
      text.prepare(QTransform(), font_);
      const QSizeF size = text.size();
      found = texts_.emplace(key, Text{std::move(text), size}).first;
    }
    return found->second;
  }

  QFont font_;
  bool asImages_;
  std::unordered_map<long, Text> texts_;
  std::unordered_map<std::pair<long, QRgb>, QImage, KeyHash> images_;
};

// A line's pen: a width of 1 is the one-pixel cosmetic line; wider ones
// have square ends and bevelled joins, which the stroker makes several
// times faster than round ones on a chart of a million vertices.
QPen linePen(const QColor& colour, int width, Qt::PenStyle style) {
  QPen pen(colour, width <= 1 ? 0 : width, style);
  pen.setCapStyle(Qt::SquareCap);
  pen.setJoinStyle(Qt::BevelJoin);
  return pen;
}

Qt::PenStyle lineStyle(std::string_view name) {
  if (name == "DASH") return Qt::DashLine;
  if (name == "DOTT") return Qt::DotLine;
  return Qt::SolidLine;
}

Qt::BrushStyle patternStyle(portrayal::PatternKind kind) {
  using portrayal::PatternKind;
  switch (kind) {
    case PatternKind::BackDiagonal:
      return Qt::BDiagPattern;
    case PatternKind::Cross:
      return Qt::DiagCrossPattern;
    case PatternKind::Dots:
    case PatternKind::Symbols:
      return Qt::Dense6Pattern;
    case PatternKind::Horizontal:
      return Qt::HorPattern;
    case PatternKind::Vertical:
      return Qt::VerPattern;
    case PatternKind::Diagonal:
    default:
      return Qt::FDiagPattern;
  }
}

// A line through every vertex, none left out: the project's depth lines
// are drawn so when one pixel wide.
void paintExactLines(QPainter& painter, const DrawnGeometry& geometry, const DrawnFeature& drawn,
                     const ViewState& view, QPolygon& polygon) {
  for (const DrawnPart& part : geometry.parts(drawn)) {
    polygon.clear();
    for (const LinePoint& point : geometry.points(part)) {
      const PixelPoint at = metresToPixel(view, degreesToMetres(view, point.x, point.y));
      polygon.append(QPoint(at.column, at.row));
    }
    painter.drawPolyline(polygon);
  }
}

// Where a symbol or text of a feature stands: a point's position, the
// middle vertex of a line's first part, the centre of an area's extent.
std::optional<QPoint> symbolPlace(const DrawnGeometry& geometry, const DrawnFeature& drawn,
                                  const ViewState& view) {
  // A point's box is its point.
  LinePoint at{(drawn.box.minX + drawn.box.maxX) / 2, (drawn.box.minY + drawn.box.maxY) / 2};
  if (drawn.prim != kPrimArea && drawn.prim != kPrimPoint && drawn.partCount > 0) {
    const std::span<const LinePoint> points = geometry.points(geometry.parts(drawn).front());
    if (points.empty()) return std::nullopt;
    at = points[points.size() / 2];
  }
  const PixelPoint pixel = metresToPixel(view, degreesToMetres(view, at.x, at.y));
  return QPoint(pixel.column, pixel.row);
}

// Carries out the instructions of a portrayal in order over one paint.
class Interpreter {
 public:
  Interpreter(QPainter& painter, const DisplayState& display, const ViewState& view,
              const DrawnGeometry& geometry, const RenderOptions& options)
      : painter_(painter),
        display_(display),
        view_(view),
        geometry_(geometry),
        options_(options),
        scheme_(display.presentation.colourScheme),
        names_(painter, options.declutterNames, backgroundColour(scheme_), view),
        visible_(visibleDegrees(view, view.window, 2)),
        visibleSymbols_(visibleDegrees(view, view.window, kSymbolMargin)) {
    const QPaintDevice* device = painter.device();
    double density = display.presentation.pixelsPerInch;
    if (!(density > 0) && device != nullptr)
      density = screenDensity(device->physicalDpiX(), device->logicalDpiX());
    if (!(density > 0)) density = 96.0;
    pixelsPerMillimetre_ = density / 25.4;
    const auto sectorReach = static_cast<int32_t>(std::ceil(26.0 * pixelsPerMillimetre_));
    visibleSectors_ = visibleDegrees(view, view.window, sectorReach);
    visiblePoints_ = visibleDegrees(view, view.window, std::max(kSymbolMargin, sectorReach));
    denominator_ = scaleDenominator(view, density);
  }

  void run() {
    const portrayal::Portrayal& portrayal = display_.portrayal;
    const std::span<const portrayal::FeaturePortrayal> features = portrayal.features();
    uint32_t lastFeature = UINT32_MAX;
    const DrawnFeature* drawn = nullptr;
    bool away = false;
    std::optional<bool> shown;  // asked at the feature's first step drawn
    for (const portrayal::DrawStep& step : portrayal.drawOrder()) {
      const portrayal::FeaturePortrayal& feature = features[step.feature];
      if (step.feature != lastFeature) {
        lastFeature = step.feature;
        drawn = geometry_.feature(step.feature);
        // The symbols and sectors of a point feature nowhere near the
        // window cannot reach it, nor the texts of the tables (groups from
        // 10) placed by it; only the project's own texts may, from its
        // point.
        away =
            drawn != nullptr && drawn->prim == kPrimPoint && !overlaps(drawn->box, visiblePoints_);
        shown.reset();
      }
      if (drawn == nullptr ||
          (away && (step.pass != portrayal::Pass::Texts || step.textGroup >= 10)))
        continue;
      if (!shown) shown = isShown(feature, display_.presentation, denominator_);
      if (!*shown) continue;
      const portrayal::Instruction& instruction = portrayal.instruction(step.instruction);
      if (colouredByDepth(instruction) && !drawn->exact) {
        if (!byDepth_.empty() && byDepth_.front().group != step.group) drawByDepth();
        if (overlaps(drawn->box, visible_))
          byDepth_.push_back({step.group, &instruction, &feature, drawn});
        continue;
      }
      drawByDepth();
      run(instruction, step, feature, *drawn);
    }
    drawByDepth();
  }

  NameCounts counts() const { return names_.counts(); }

 private:
  static constexpr int32_t kSymbolMargin = 64;  // pixels a symbol or text may reach out

  // A depth on the hue scale, dimmed in the dark schemes as their tables
  // dim the other colours.
  QColor hueColour(double depth) const {
    const QColor hue = depthColour(depth, display_.valdcoRange);
    if (scheme_ == ColourScheme::Day) return hue;
    const double kept = scheme_ == ColourScheme::Dusk ? 0.7 : 0.45;
    return QColor::fromHsv(hue.hsvHue(), hue.hsvSaturation(),
                           static_cast<int>(std::lround(hue.value() * kept)));
  }

  static bool colouredByDepth(const portrayal::Instruction& instruction) {
    return instruction.op == portrayal::Op::SimpleLine && instruction.args[2] == "ABYHUE";
  }

  // Lines coloured by depth of one group, drawn colour by colour in the
  // order each colour first appears, so that the pen changes once per
  // colour.
  void drawByDepth() {
    if (byDepth_.empty()) return;
    std::vector<std::pair<QRgb, std::vector<const Pending*>>> colours;
    for (const Pending& pending : byDepth_) {
      const QRgb rgb = hueColour(pending.feature->depth).rgb();
      auto group = std::find_if(colours.begin(), colours.end(),
                                [rgb](const auto& g) { return g.first == rgb; });
      if (group == colours.end()) group = colours.insert(colours.end(), {rgb, {}});
      group->second.push_back(&pending);
    }
    for (const auto& [rgb, pendings] : colours) {
      for (const Pending* pending : pendings)
        line(*pending->instruction, *pending->feature, *pending->drawn);
    }
    byDepth_.clear();
  }

  const QColor& colour(std::string_view token) {
    auto found = colours_.find(token);
    if (found == colours_.end()) found = colours_.emplace(token, tokenColour(token, scheme_)).first;
    return found->second;
  }

  void setPen(const QPen& pen) {
    if (!penSet_ || pen != pen_) {
      painter_.setPen(pen);
      pen_ = pen;
      penSet_ = true;
    }
  }

  void run(const portrayal::Instruction& instruction, const portrayal::DrawStep& step,
           const portrayal::FeaturePortrayal& feature, const DrawnFeature& drawn) {
    using portrayal::Op;
    switch (instruction.op) {
      case Op::AreaColour:
      case Op::AreaPattern:
        if (drawn.prim != kPrimArea || !overlaps(drawn.box, visible_)) return;
        fill(instruction);
        paintArea(painter_, geometry_, drawn, brush_, view_, polygon_);
        penSet_ = false;
        return;
      case Op::SimpleLine:
      case Op::ComplexLine:
        if (drawn.prim == kPrimPoint || !overlaps(drawn.box, visible_)) return;
        line(instruction, feature, drawn);
        return;
      case Op::Symbol:
        if (!overlaps(drawn.box, visibleSymbols_)) return;
        symbol(step.instruction, drawn);
        return;
      case Op::LightSector:
        if (!overlaps(drawn.box, visibleSectors_)) return;
        copyPicture(pictureOf(step.instruction), drawn);
        return;
      case Op::Text:
      case Op::FormattedText:
        text(instruction, step.textGroup, drawn);
        return;
      case Op::Procedure:
      default:
        return;
    }
  }

  void fill(const portrayal::Instruction& instruction) {
    if (instruction.op == portrayal::Op::AreaColour) {
      QColor fill = colour(instruction.args[0]);
      if (instruction.args.size() > 1) {
        // Transparency 0 to 4: opaque, then 25 % steps.
        const int transparency = std::clamp(portrayal::leadingInt(instruction.args[1]), 0, 4);
        fill.setAlpha(255 - transparency * 255 / 4);
      }
      brush_ = QBrush(fill);
      return;
    }
    const portrayal::PatternEntry* pattern =
        portrayal::PresentationTables::builtIn().pattern(instruction.args[0]);
    brush_ = QBrush(colour(pattern != nullptr ? std::string_view(pattern->colour) : "CHMGD"),
                    pattern != nullptr ? patternStyle(pattern->kind) : Qt::Dense7Pattern);
  }

  void line(const portrayal::Instruction& instruction, const portrayal::FeaturePortrayal& feature,
            const DrawnFeature& drawn) {
    const portrayal::Instruction* simple = &instruction;
    if (instruction.op == portrayal::Op::ComplexLine) {
      const portrayal::LineStyleEntry* style =
          portrayal::PresentationTables::builtIn().lineStyle(instruction.args[0]);
      simple = style != nullptr ? &style->simpleLine : &kUnknownLine;
    }
    const std::string_view token = simple->args[2];
    int width = std::max(1, portrayal::leadingInt(simple->args[1]));
    QColor pen;
    if (token == "ABYHUE") {
      pen = hueColour(feature.depth);
      if (options_.wideDepthLines) width = 2;
    } else {
      pen = colour(token);
    }
    // A line 2 pixels wide is a one-pixel line drawn three times, a pixel
    // right and a pixel down: the same breadth in every direction at a
    // fraction of the stroker's cost. The depth lines keep their stroke.
    const bool tripled = width == 2 && token != "ABYHUE";
    setPen(linePen(pen, tripled ? 1 : width, lineStyle(simple->args[0])));
    const bool safetyContour = instruction.along == portrayal::Along::SafetyContour;
    if (drawn.exact && width == 1 && !safetyContour) {
      paintExactLines(painter_, geometry_, drawn, view_, polygon_);
      return;
    }
    for (const DrawnPart& part :
         safetyContour ? geometry_.safetyParts(drawn) : geometry_.parts(drawn)) {
      polygon_.clear();
      appendPixels(geometry_.points(part), view_, polygon_);
      painter_.drawPolyline(polygon_);
      if (!tripled) continue;
      polygon_.translate(1, 0);
      painter_.drawPolyline(polygon_);
      polygon_.translate(-1, 1);
      painter_.drawPolyline(polygon_);
    }
  }

  // What a symbol or sector instruction draws: a picture, a danger's depth
  // or a feature's soundings. Instructions of the same arguments share it,
  // and it is worked out once per paint.
  struct Picture {
    enum class Kind : uint8_t { Image, DepthValue, Soundings };
    Kind kind = Kind::Image;
    const SymbolImage* image = nullptr;
    double depth = 0;
  };

  // SY(name[,rotation[,colours,pattern]]): the rotation in degrees and a
  // body's colours as the portrayal resolved them for the feature.
  void symbol(uint32_t index, const DrawnFeature& drawn) {
    const Picture& picture = pictureOf(index);
    switch (picture.kind) {
      case Picture::Kind::Image:
        copyPicture(picture, drawn);
        return;
      case Picture::Kind::DepthValue:
        depthValue(picture.depth, drawn);
        return;
      case Picture::Kind::Soundings:
        soundings(*drawn.feature);
        return;
    }
  }

  void copyPicture(const Picture& picture, const DrawnFeature& drawn) {
    const std::optional<QPoint> at = symbolPlace(geometry_, drawn, view_);
    if (!at) return;
    painter_.drawImage(*at - picture.image->pivot, picture.image->image);
  }

  const Picture& pictureOf(uint32_t index) {
    const portrayal::Portrayal& portrayal = display_.portrayal;
    const uint32_t number = portrayal.pictureOf(index);
    if (pictures_.empty()) pictures_.resize(portrayal.pictureCount());
    Picture& picture = pictures_[number];
    if (picture.image != nullptr || picture.kind != Picture::Kind::Image) return picture;
    const portrayal::Instruction& instruction = portrayal.pictureInstruction(number);
    const std::vector<std::string>& args = instruction.args;
    if (instruction.op == portrayal::Op::LightSector) {
      picture.image =
          &sectorImage(portrayal::parseNumber(args[0]), portrayal::parseNumber(args[1]), args[2],
                       portrayal::parseNumber(args[3]), pixelsPerMillimetre_, scheme_);
    } else if (args[0] == "SOUNDING") {
      picture.kind = args.size() > 1 ? Picture::Kind::DepthValue : Picture::Kind::Soundings;
      if (args.size() > 1) picture.depth = portrayal::parseNumber(args[1]);
    } else {
      const double rotation = args.size() > 1 ? portrayal::parseNumber(args[1]) : 0.0;
      BodyColours body;
      if (args.size() > 3) body = {args[2], args[3]};
      picture.image = &symbolImage(args[0], pixelsPerMillimetre_, rotation, scheme_, body);
    }
    return picture;
  }

  // The sounding font and its texts, made at the first sounding.
  void useSoundingFont() {
    if (!soundingTexts_) {
      soundingFont_ = painter_.font();
      if (soundingFont_.pointSizeF() > 0) {
        soundingFont_.setPointSizeF(soundingFont_.pointSizeF() * kSoundingFontScale);
      } else {
        soundingFont_.setPixelSize(
            std::max(1, static_cast<int>(soundingFont_.pixelSize() * kSoundingFontScale)));
      }
      soundingTexts_.emplace(soundingFont_, painter_.deviceTransform().isIdentity());
    }
  }

  // A danger's depth written as a sounding on its position.
  void depthValue(double depth, const DrawnFeature& drawn) {
    const std::optional<QPoint> at = symbolPlace(geometry_, drawn, view_);
    if (!at) return;
    useSoundingFont();
    const QColor& ink = colour(depth <= display_.depthContours.safety ? "SNDG2" : "SNDG1");
    if (soundingTexts_->drawsImages()) {
      soundingTexts_->draw(painter_, depth, ink, PixelPoint{at->x(), at->y()});
      return;
    }
    const QFont font = painter_.font();
    painter_.setFont(soundingFont_);
    soundingTexts_->draw(painter_, depth, ink, PixelPoint{at->x(), at->y()});
    painter_.setFont(font);
    penSet_ = false;
  }

  void soundings(const FeatureRecord& feature) {
    useSoundingFont();
    const QFont font = painter_.font();
    painter_.setFont(soundingFont_);
    const QColor& shallow = colour("SNDG2");
    const QColor& deep = colour("SNDG1");
    for (const SpatialPointerEntry* spatial : feature.spatialPointers) {
      if (spatial->target == nullptr) continue;
      for (const Sounding sounding : spatial->target->soundings()) {
        const PixelPoint at = metresToPixel(view_, degreesToMetres(view_, sounding.x, sounding.y));
        soundingTexts_->draw(painter_, sounding.z,
                             sounding.z <= display_.depthContours.safety ? shallow : deep, at);
      }
    }
    painter_.setFont(font);
    penSet_ = false;
  }

  void text(const portrayal::Instruction& instruction, int group, const DrawnFeature& drawn) {
    const bool formatted = instruction.op == portrayal::Op::FormattedText;
    const size_t base = formatted ? 1 : 0;  // TE has one argument more before the common ones
    // Groups below 10 are the project's own texts, always drawn; of the
    // others, those that write OBJNAM or NOBJNM are names.
    if (group >= 10) {
      const std::string_view written =
          formatted ? std::string_view(instruction.args[1]) : std::string_view(instruction.args[0]);
      const bool name = (formatted || (instruction.quoted & 1u) == 0) &&
                        (written.find("OBJNAM") != std::string_view::npos ||
                         written.find("NOBJNM") != std::string_view::npos);
      if (name ? !display_.presentation.names : !display_.presentation.otherText) return;
    }
    const QString text = instructionText(instruction, *drawn.feature);
    if (text.isEmpty()) return;
    std::optional<QPoint> at;
    if (group < 10) {
      // The project's texts start at the first coordinate of the feature.
      if (const std::optional<PixelPoint> anchor = textAnchor(*drawn.feature, view_))
        at = QPoint(anchor->column, anchor->row);
    } else {
      if (!overlaps(drawn.box, visibleSymbols_)) return;
      at = symbolPlace(geometry_, drawn, view_);
      if (at) *at += textOffset(instruction, base, text);
    }
    if (!at) return;
    names_.paint(text, *at, colour(instruction.args[base + 7]), group >= 10);
    penSet_ = false;
  }

  // The shift of a text's baseline start from its place by its
  // justification (1 centre, 2 right, 3 left; 1 bottom, 2 centre, 3 top)
  // and its offsets in units of the body size.
  QPoint textOffset(const portrayal::Instruction& instruction, size_t base, const QString& text) {
    const QFontMetrics metrics = painter_.fontMetrics();
    const int hjust = portrayal::leadingInt(instruction.args[base + 1]);
    const int vjust = portrayal::leadingInt(instruction.args[base + 2]);
    const double body = metrics.height();
    int x = static_cast<int>(std::lround(std::atof(instruction.args[base + 5].c_str()) * body));
    int y = static_cast<int>(std::lround(std::atof(instruction.args[base + 6].c_str()) * body));
    const int width = static_cast<int>(NamePainter::layoutOf(painter_.font(), text).size().width());
    if (hjust == 1) x -= width / 2;
    if (hjust == 2) x -= width;
    if (vjust == 2) y += metrics.ascent() / 2;
    if (vjust == 3) y += metrics.ascent();
    return QPoint(x, y);
  }

  static inline const portrayal::Instruction kUnknownLine{
      portrayal::Op::SimpleLine, {"DASH", "1", "CHMGD"}, 0};

  QPainter& painter_;
  const DisplayState& display_;
  const ViewState& view_;
  const DrawnGeometry& geometry_;
  const RenderOptions& options_;
  ColourScheme scheme_;
  NamePainter names_;
  Bounds visible_;
  Bounds visibleSymbols_;
  Bounds visibleSectors_;  // a sector's legs reach 25 mm from the light
  Bounds visiblePoints_;   // the wider of the two
  double pixelsPerMillimetre_ = 96.0 / 25.4;
  double denominator_ = 0;
  std::unordered_map<std::string_view, QColor> colours_;
  QPolygon polygon_;  // reused by every area and line
  QBrush brush_;
  QPen pen_;
  bool penSet_ = false;
  QFont soundingFont_;
  std::optional<SoundingTexts> soundingTexts_;
  struct Pending {
    uint32_t group;
    const portrayal::Instruction* instruction;
    const portrayal::FeaturePortrayal* feature;
    const DrawnFeature* drawn;
  };
  std::vector<Pending> byDepth_;
  std::vector<Picture> pictures_;  // by the portrayal's picture index
};

}  // namespace

NameCounts paintChart(QPainter& painter, const DisplayState& display, const ViewState& view,
                      const DrawnGeometry* geometry, const RenderOptions& options) {
  if (display.currentDataset == nullptr) return {};
  std::optional<DrawnGeometry> assembled;
  if (geometry == nullptr) geometry = &assembled.emplace(display);
  const ColourScheme scheme = display.presentation.colourScheme;
  painter.save();
  if (scheme != ColourScheme::Day) {
    painter.fillRect(QRect(view.window.left, view.window.top, view.window.right - view.window.left,
                           view.window.bottom - view.window.top),
                     backgroundColour(scheme));
  }
  painter.setPen(Qt::NoPen);
  Interpreter interpreter(painter, display, view, *geometry, options);
  interpreter.run();
  painter.restore();
  return interpreter.counts();
}

}  // namespace abys
