#include "symbol_images.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>
#include <vector>

#include "chart_render.h"
#include "portrayal.h"

namespace abys {
namespace {

// The symbol's file as written, or an empty array when there is none.
QByteArray symbolFile(std::string_view name) {
  QFile file(QStringLiteral(":/symbols/%1.svg")
                 .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// What each colour token of a file becomes.
enum class Layer {
  Whole,  // every token in its colour; BODY in black
  Body,   // BODY alone, opaque; the rest left out
  Rest,   // every token but BODY, which is left out
};

QByteArray coloured(const QByteArray& file, ColourScheme scheme, Layer layer) {
  static const QRegularExpression kToken(
      QStringLiteral(R"((fill|stroke)="([A-Z][A-Z0-9]{3,5})\")"));
  const QString text = QString::fromUtf8(file);
  QString out;
  out.reserve(text.size());
  qsizetype from = 0;
  for (auto it = kToken.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    out += QStringView(text).mid(from, match.capturedStart() - from);
    const QString token = match.captured(2);
    QString value;
    if (token == QLatin1String("BODY")) {
      value = layer == Layer::Rest   ? QStringLiteral("none")
              : layer == Layer::Body ? QStringLiteral("#000000")
                                     : tokenColour("CHBLK", scheme).name();
    } else {
      value = layer == Layer::Body ? QStringLiteral("none")
                                   : tokenColour(token.toStdString(), scheme).name();
    }
    out += match.captured(1) + QStringLiteral("=\"") + value + QLatin1Char('"');
    from = match.capturedEnd();
  }
  out += QStringView(text).mid(from);
  return out.toUtf8();
}

std::vector<int> numbers(const std::string& list) {
  std::vector<int> values;
  std::string_view rest = list;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    const int value = static_cast<int>(portrayal::parseNumber(rest.substr(0, comma)));
    if (value > 0) values.push_back(value);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return values;
}

// Paints the body's colours over a mask of it (composition "source in"
// keeps only what falls on the body), in the symbol's own frame: bands
// across the body's box from its top or left, a chequer, or diagonals.
void paintBody(QPainter& painter, const QRectF& box, const BodyColours& body, ColourScheme scheme) {
  std::vector<QColor> colours;
  for (const int value : numbers(body.colours))
    colours.push_back(tokenColour(bodyColourToken(value), scheme));
  if (colours.empty()) colours.push_back(tokenColour("CHBLK", scheme));
  const std::vector<int> pattern = numbers(body.pattern);
  const int kind = pattern.empty() ? 1 : pattern.front();
  const auto n = static_cast<double>(colours.size());
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  if (colours.size() == 1) {
    painter.fillRect(box, colours.front());
  } else if (kind == 2) {  // vertical stripes
    for (size_t i = 0; i < colours.size(); ++i)
      painter.fillRect(
          QRectF(box.left() + box.width() * i / n, box.top(), box.width() / n + 0.5, box.height()),
          colours[i]);
  } else if (kind == 4) {  // squared: a chequer of four
    const QSizeF half = box.size() / 2;
    for (int i = 0; i < 4; ++i) {
      const QPointF at(box.left() + (i % 2) * half.width(), box.top() + (i / 2) * half.height());
      painter.fillRect(QRectF(at, half + QSizeF(0.5, 0.5)),
                       colours[static_cast<size_t>((i % 2 + i / 2) % 2) % colours.size()]);
    }
  } else if (kind == 3) {  // diagonal stripes, four to the body
    painter.save();
    painter.translate(box.center());
    painter.rotate(-45);
    const double span = std::hypot(box.width(), box.height());
    const double stripe = span / 4;
    for (int i = 0; i < 4; ++i)
      painter.fillRect(QRectF(-span / 2, -span / 2 + i * stripe, span, stripe + 0.5),
                       colours[static_cast<size_t>(i) % colours.size()]);
    painter.restore();
  } else {  // horizontal bands, also for a pattern not known
    for (size_t i = 0; i < colours.size(); ++i)
      painter.fillRect(
          QRectF(box.left(), box.top() + box.height() * i / n, box.width(), box.height() / n + 0.5),
          colours[i]);
  }
}

// The box of the opaque pixels of image, or an empty box.
QRect opaqueBox(const QImage& image) {
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(row[x]) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

SymbolImage questionMark(double pixelsPerMillimetre, ColourScheme scheme) {
  const double size = 3.0 * pixelsPerMillimetre;
  const int side = static_cast<int>(std::ceil(size)) + 2;
  SymbolImage symbol{QImage(side, side, QImage::Format_ARGB32_Premultiplied),
                     QPoint(side / 2, side / 2)};
  symbol.image.fill(Qt::transparent);
  QPainter on(&symbol.image);
  on.setRenderHint(QPainter::Antialiasing);
  QFont font;
  font.setBold(true);
  font.setPixelSize(std::max(6, static_cast<int>(std::lround(size))));
  on.setFont(font);
  on.setPen(tokenColour("CHMGD", scheme));
  on.drawText(QRectF(0, 0, side, side), Qt::AlignCenter, QStringLiteral("?"));
  return symbol;
}

SymbolImage draw(std::string_view name, double pixelsPerMillimetre, double rotation,
                 ColourScheme scheme, const BodyColours& body) {
  QByteArray file = symbolFile(name);
  if (file.isEmpty()) file = symbolFile("QUESMRK1");
  if (file.isEmpty()) return questionMark(pixelsPerMillimetre, scheme);
  const bool hasBody = !body.colours.empty() && file.contains("\"BODY\"");
  QSvgRenderer whole(coloured(file, scheme, hasBody ? Layer::Rest : Layer::Whole));
  if (!whole.isValid()) return questionMark(pixelsPerMillimetre, scheme);
  const QRectF box = whole.viewBoxF();
  const double scale = pixelsPerMillimetre / 100.0;  // pixels a unit
  const QRectF target(box.left() * scale, box.top() * scale, box.width() * scale,
                      box.height() * scale);
  // Unturned, the picture is the box; turned, a square about the pivot
  // that holds the box whichever way it turns.
  QSize size;
  QPointF pivot;
  if (rotation == 0) {
    size = QSize(static_cast<int>(std::ceil(target.width())) + 2,
                 static_cast<int>(std::ceil(target.height())) + 2);
    pivot = QPointF(1 - target.left(), 1 - target.top());
  } else {
    double reach = 0;
    for (const QPointF corner :
         {target.topLeft(), target.topRight(), target.bottomLeft(), target.bottomRight()})
      reach = std::max(reach, std::hypot(corner.x(), corner.y()));
    const int side = 2 * static_cast<int>(std::ceil(reach)) + 2;
    size = QSize(side, side);
    pivot = QPointF(side / 2.0, side / 2.0);
  }
  SymbolImage symbol{
      QImage(size, QImage::Format_ARGB32_Premultiplied),
      QPoint(static_cast<int>(std::lround(pivot.x())), static_cast<int>(std::lround(pivot.y())))};
  symbol.image.fill(Qt::transparent);
  const auto frame = [&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(pivot);
    painter.rotate(rotation);
  };
  if (hasBody) {
    // The body's mask, its box found unturned, then coloured in the
    // symbol's frame.
    QSvgRenderer mask(coloured(file, scheme, Layer::Body));
    QImage flat(static_cast<int>(std::ceil(target.width())) + 2,
                static_cast<int>(std::ceil(target.height())) + 2,
                QImage::Format_ARGB32_Premultiplied);
    flat.fill(Qt::transparent);
    {
      QPainter on(&flat);
      on.translate(1 - target.left(), 1 - target.top());
      mask.render(&on, target);
    }
    const QRectF bodyBox = QRectF(opaqueBox(flat))
                               .translated(target.left() - 1, target.top() - 1)
                               .adjusted(0, 0, 1, 1);
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
      QPainter on(&layer);
      frame(on);
      mask.render(&on, target);
      if (!bodyBox.isEmpty()) paintBody(on, bodyBox, body, scheme);
    }
    QPainter on(&symbol.image);
    on.drawImage(0, 0, layer);
  }
  QPainter on(&symbol.image);
  frame(on);
  whole.render(&on, target);
  return symbol;
}

}  // namespace

const SymbolImage& symbolImage(std::string_view name, double pixelsPerMillimetre, double rotation,
                               ColourScheme scheme, const BodyColours& body) {
  rotation = std::fmod(rotation, 360.0);
  if (rotation < 0) rotation += 360.0;
  using Key = std::tuple<std::string, ColourScheme, long, long, BodyColours>;
  thread_local std::map<Key, SymbolImage, std::less<>> images;
  Key key(std::string(name), scheme, std::lround(pixelsPerMillimetre * 1000),
          std::lround(rotation * 10), body);
  const auto found = images.find(key);
  if (found != images.end()) return found->second;
  return images.emplace(std::move(key), draw(name, pixelsPerMillimetre, rotation, scheme, body))
      .first->second;
}

const SymbolImage& sectorImage(double sectr1, double sectr2, std::string_view token, double radius,
                               double pixelsPerMillimetre, ColourScheme scheme) {
  using Key = std::tuple<long, long, std::string, long, long, ColourScheme>;
  thread_local std::map<Key, SymbolImage, std::less<>> images;
  Key key(std::lround(sectr1 * 100), std::lround(sectr2 * 100), std::string(token),
          std::lround(radius * 100), std::lround(pixelsPerMillimetre * 1000), scheme);
  const auto found = images.find(key);
  if (found != images.end()) return found->second;
  const double from = sectr1 + 180.0;
  const double to = sectr2 + 180.0;
  const double arc = radius * pixelsPerMillimetre;
  const double leg = 25.0 * pixelsPerMillimetre;
  double sweep = std::fmod(to - from, 360.0);
  if (sweep <= 0) sweep += 360.0;
  const auto along = [](double bearing, double length) {
    const double radians = bearing * std::numbers::pi / 180.0;
    return QPointF(std::sin(radians) * length, -std::cos(radians) * length);
  };
  // The box of what is drawn about the light: the legs' ends and the arc,
  // a point every degree, and the pens' reach.
  double left = 0, top = 0, right = 0, bottom = 0;  // the light itself
  const auto hold = [&](QPointF p) {
    left = std::min(left, p.x());
    top = std::min(top, p.y());
    right = std::max(right, p.x());
    bottom = std::max(bottom, p.y());
  };
  hold(along(from, leg));
  hold(along(to, leg));
  for (double d = 0; d <= sweep; d += 1.0)
    hold(along(from + d, arc));
  hold(along(to, arc));
  QRectF box(QPointF(left, top), QPointF(right, bottom));
  box.adjust(-3, -3, 3, 3);
  const QRect pixels = box.toAlignedRect();
  SymbolImage picture{QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied),
                      -pixels.topLeft()};
  picture.image.fill(Qt::transparent);
  QPainter on(&picture.image);
  on.setRenderHint(QPainter::Antialiasing);
  on.translate(QPointF(picture.pivot));
  on.setBrush(Qt::NoBrush);
  on.setPen(QPen(tokenColour("CHBLK", scheme), 1, Qt::DashLine));
  on.drawLine(QPointF(0, 0), along(from, leg));
  on.drawLine(QPointF(0, 0), along(to, leg));
  // Qt's arcs run counter-clockwise from three o'clock in sixteenths of a
  // degree.
  const QRectF circle(-arc, -arc, 2 * arc, 2 * arc);
  const int start = static_cast<int>(std::lround((90.0 - from) * 16));
  const int span = -static_cast<int>(std::lround(sweep * 16));
  on.setPen(QPen(tokenColour("CHBLK", scheme), 4, Qt::SolidLine, Qt::FlatCap));
  on.drawArc(circle, start, span);
  on.setPen(QPen(tokenColour(token, scheme), 2, Qt::SolidLine, Qt::FlatCap));
  on.drawArc(circle, start, span);
  on.end();
  return images.emplace(std::move(key), std::move(picture)).first->second;
}

bool hasSymbolDrawing(std::string_view name) {
  return QFile::exists(
      QStringLiteral(":/symbols/%1.svg")
          .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))));
}

std::string_view bodyColourToken(int colour) {
  switch (colour) {
    case 1:  // white
      return "CHWHT";
    case 3:  // red
      return "CHRED";
    case 4:  // green
      return "CHGRN";
    case 5:  // blue
      return "ABYBLU";
    case 6:   // yellow
    case 9:   // amber
    case 11:  // orange
      return "CHYLW";
    case 7:  // grey
      return "CHGRD";
    case 8:  // brown
      return "CHBRN";
    case 10:  // violet
    case 12:  // magenta
      return "CHMGD";
    case 13:  // pink
      return "CHMGF";
    case 2:  // black
    default:
      return "CHBLK";
  }
}

}  // namespace abys
