// The S-58 checks of object classes and attributes against the catalogue, and the orientation of
// lines.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "catalogue.h"
#include "catalogue_codes.h"
#include "catalogue_rules.h"
#include "context.h"
#include "feature_line.h"

namespace abys::s58 {
namespace {

constexpr std::string_view kChecks[] = {
    "504",   "505",  "507",  "511",  "545",  "546",  "547",   "553",   "566",   "1515a", "1554a",
    "1554b", "1679", "1681", "1683", "1694", "1696", "1789a", "1789b", "1795a", "1795b"};

// Attribute codes the checks read.
constexpr uint16_t kClsdef = 190;
constexpr uint16_t kClsnam = 191;
constexpr uint16_t kSymins = 192;
constexpr uint16_t kDatend = 85;
constexpr uint16_t kDatsta = 86;
constexpr uint16_t kPerend = 118;
constexpr uint16_t kPersta = 119;
constexpr uint16_t kMarsys = 109;
constexpr uint16_t kOrient = 117;
constexpr uint16_t kScamin = 133;
constexpr uint16_t kTrafic = 172;
constexpr uint16_t kDates[] = {kDatend, kDatsta, kPerend, kPersta};

// Object classes.
constexpr uint16_t kDwrtcl = 40;
constexpr uint16_t kNavlne = 85;
constexpr uint16_t kRcrtcl = 108;
constexpr uint16_t kRectrc = 109;
constexpr uint16_t kNewobj = 163;
constexpr uint16_t kMNsys = 306;
constexpr uint16_t kCAggr = 400;

// The codes from 17000 on are the inland extension of the catalogue, which an ENC does not use.
constexpr uint16_t kFirstExtensionCode = 17000;

constexpr uint8_t kSlave = 2;  // RIND of a master's pointer to its slave

const AttributeEntry* attributeOf(const FeatureRecord& f, uint16_t attl) {
  for (const AttributeEntry* a : f.attributes) {
    if (a->attl == attl) return a;
  }
  return nullptr;
}

std::string_view textOf(const AttributeEntry& a) {
  return {a.atvl, static_cast<size_t>(std::max(a.atvlLength, 0))};
}

// The value without the spaces around it; empty when absent.
std::string_view valueOf(const FeatureRecord& f, uint16_t attl) {
  const AttributeEntry* a = attributeOf(f, attl);
  if (a == nullptr) return {};
  std::string_view v = textOf(*a);
  const size_t first = v.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return v.substr(first, v.find_last_not_of(' ') - first + 1);
}

// The integers of an E or L value ("6,2,6").
std::vector<int> integersOf(std::string_view value) {
  std::vector<int> numbers;
  for (size_t start = 0; start < value.size();) {
    const size_t end = std::min(value.find(',', start), value.size());
    int n = 0;
    const std::string_view part = value.substr(start, end - start);
    if (std::from_chars(part.data(), part.data() + part.size(), n).ec == std::errc{})
      numbers.push_back(n);
    start = end + 1;
  }
  return numbers;
}

std::optional<double> numberOf(std::string_view value) {
  if (value.empty()) return std::nullopt;
  const std::string text(value);
  char* end = nullptr;
  const double n = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !std::isfinite(n)) return std::nullopt;
  return n;
}

bool standardClass(uint16_t objl) {
  return objl < kFirstExtensionCode && catalogue::objectClass(objl) != nullptr;
}

bool standardAttribute(uint16_t attl) {
  return attl < kFirstExtensionCode && catalogue::attribute(attl) != nullptr;
}

bool metaClass(uint16_t objl) {
  const catalogue::ObjectClass* c = catalogue::objectClass(objl);
  return c != nullptr && c->type == 'M';
}

bool group1Area(const FeatureRecord& f) {
  return f.prim == kPrimArea && isGroup1(f.objl);
}

// 504, 545: classes an ENC may not use, and codes the catalogue does not define.
void objectClasses(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    if (!standardClass(f->objl)) {
      context.report("545", f);
    } else if (prohibitedClass(f->objl)) {
      context.report("504", f);
    }
  }
}

// 505: M_COVR, M_NSYS with a system of marks, M_QUAL; one finding when any is missing.
void mandatoryObjects(Context& context) {
  for (const uint16_t objl : mandatoryClasses()) {
    const bool found =
        std::any_of(context.chart().features.begin(), context.chart().features.end(),
                    [&](const FeatureRecord* f) {
                      return f->objl == objl && (objl != kMNsys || !valueOf(*f, kMarsys).empty());
                    });
    if (!found) {
      context.report("505");
      return;
    }
  }
}

bool conditionHolds(const FeatureRecord& f, const Condition& when) {
  using K = Condition::Kind;
  if (when.kind == K::Always) return true;
  const AttributeEntry* deciding = attributeOf(f, when.attribute);
  if (when.kind == K::Present) return deciding != nullptr;
  const std::vector<int> values =
      deciding != nullptr ? integersOf(valueOf(f, when.attribute)) : std::vector<int>{};
  if (when.kind == K::ManyValues) return values.size() > 1;
  const bool has = std::any_of(values.begin(), values.end(), [&](int v) {
    return v != 0 && std::find(when.values.begin(), when.values.end(), v) != when.values.end();
  });
  return when.kind == K::HasValue ? has : !has;
}

// 507: one finding per mandatory attribute missing; an attribute encoded
// without a value (unknown) is there.
void mandatoryAttributesPresent(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    for (const MandatoryAttribute& m : mandatoryAttributes(f->objl)) {
      const bool present = std::any_of(m.anyOf.begin(), m.anyOf.end(), [&](uint16_t attl) {
        return attl != 0 && attributeOf(*f, attl) != nullptr;
      });
      if (!present && conditionHolds(*f, m.when)) context.report("507", f);
    }
  }
}

// 511, 546, 547: one finding per prohibited attribute and per code the
// catalogue does not define; one per feature with attributes its class does
// not permit.
void attributeCodes(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    const catalogue::ObjectClass* c =
        standardClass(f->objl) ? catalogue::objectClass(f->objl) : nullptr;
    auto permitted = [c](uint16_t attl) {
      for (const auto* list : {&c->attributesA, &c->attributesB, &c->attributesC}) {
        if (std::find(list->begin(), list->end(), attl) != list->end()) return true;
      }
      return false;
    };
    bool notPermitted = false;
    for (const Entries<AttributeEntry>* list : {&f->attributes, &f->nationalAttributes()}) {
      for (const AttributeEntry* a : *list) {
        if (!standardAttribute(a->attl)) {
          context.report("546", f);
          continue;
        }
        if (prohibitedAttribute(a->attl)) context.report("511", f);
        if (c != nullptr && !permitted(a->attl)) notPermitted = true;
      }
    }
    if (notPermitted) context.report("547", f);
  }
}

// 553, 1554a, 1554b: dates on the skin of the earth, SCAMIN on it and on meta objects.
void groupAttributes(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    if (group1Area(*f)) {
      const bool dated = std::any_of(std::begin(kDates), std::end(kDates),
                                     [&](uint16_t attl) { return !valueOf(*f, attl).empty(); });
      if (dated) context.report("553", f);
      if (attributeOf(*f, kScamin) != nullptr) context.report("1554a", f);
    } else if (metaClass(f->objl) && attributeOf(*f, kScamin) != nullptr) {
      context.report("1554b", f);
    }
  }
}

// 566: NEWOBJ as one of the encodings of a virtual aid to navigation;
// SYMINS is compared without its white space.
void newObjects(Context& context) {
  auto compact = [](std::string_view text) {
    std::string out;
    for (const char ch : text)
      if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n') out += ch;
    return out;
  };
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl != kNewobj) continue;
    const std::string_view definition = valueOf(*f, kClsdef);
    const std::string_view name = valueOf(*f, kClsnam);
    const std::string symbol = compact(valueOf(*f, kSymins));
    const auto encodings = newObjectEncodings();
    const bool allowed = std::any_of(encodings.begin(), encodings.end(), [&](const auto& e) {
      return e.definition == definition && e.name == name && compact(e.symbol) == symbol;
    });
    if (!allowed) context.report("566", f);
  }
}

bool digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int numberIn(std::string_view s) {
  int n = 0;
  std::from_chars(s.data(), s.data() + s.size(), n);
  return n;
}

bool validDay(int month, int day, int year) {
  constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  const bool leap = year < 0 || (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0));
  return month != 2 || day < 29 || leap;
}

// The date forms of ISO 8601's basic format: CCYYMMDD, CCYY-MM, CCYY, and
// without the year (a periodic date) --MMDD, --MM, ---DD.
bool isoDate(std::string_view v) {
  if (v.size() == 8 && digits(v))
    return validDay(numberIn(v.substr(4, 2)), numberIn(v.substr(6, 2)), numberIn(v.substr(0, 4)));
  if (v.size() == 7 && v[4] == '-' && digits(v.substr(0, 4)) && digits(v.substr(5))) {
    const int month = numberIn(v.substr(5));
    return month >= 1 && month <= 12;
  }
  if (v.size() == 4 && digits(v)) return true;
  if (v.size() == 6 && v.starts_with("--") && digits(v.substr(2)))
    return validDay(numberIn(v.substr(2, 2)), numberIn(v.substr(4, 2)), -1);
  if (v.size() == 4 && v.starts_with("--") && digits(v.substr(2))) {
    const int month = numberIn(v.substr(2));
    return month >= 1 && month <= 12;
  }
  if (v.size() == 5 && v.starts_with("---") && digits(v.substr(3)))
    return validDay(1, numberIn(v.substr(3)), -1);
  return false;
}

// 1515a: one finding per date attribute not in an ISO 8601 form; an empty value is unknown, not
// wrong.
void dateFormats(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    for (const uint16_t attl : kDates) {
      const std::string_view v = valueOf(*f, attl);
      if (!v.empty() && !isoDate(v)) context.report("1515a", f);
    }
  }
}

// 1679: a comma in an enumerated, float or integer value, or in a code string that holds one code
// or date, joins several values.
void singleValues(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    const bool several = std::any_of(f->attributes.begin(), f->attributes.end(), [](const auto* a) {
      const catalogue::Attribute* type = catalogue::attribute(a->attl);
      if (type == nullptr) return false;
      const bool single = type->type == 'E' || type->type == 'F' || type->type == 'I' ||
                          (type->type == 'A' && singleCodeString(a->attl));
      return single && textOf(*a).find(',') != std::string_view::npos;
    });
    if (several) context.report("1679", f);
  }
}

// The bearing from one point to another along the rhumb line, the straight
// line of a Mercator chart, in degrees from north. ORIENT is the bearing
// the chart shows: in AA400004 the navigation line FE-29 of ORIENT 80 runs
// at 80.0 degrees so measured, and at 81.5 degrees when longitude and
// latitude are taken as a plane; at 47 degrees north the NOAA cell
// US5WA22M's recommended track of ORIENT 132.8 runs at 132.8 degrees, and
// at 122.2 on the plane of degrees. Over a track's length the great
// circle's initial bearing differs from it by tenths of a degree at most.
double bearing(LinePoint from, LinePoint to) {
  constexpr double kRadian = std::numbers::pi / 180;
  double dx = to.x - from.x;
  if (dx > 180) dx -= 360;
  if (dx < -180) dx += 360;
  const auto stretched = [](double latitude) {
    return std::log(std::tan(std::numbers::pi / 4 + latitude * kRadian / 2));
  };
  const double degrees = std::atan2(dx * kRadian, stretched(to.y) - stretched(from.y)) / kRadian;
  return degrees < 0 ? degrees + 360 : degrees;
}

// The angle between two bearings, 0 to 180 degrees.
double angleBetween(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180 ? 360 - d : d;
}

// The bearing of a line feature from its first point to its last, or none
// when it has no line or ends where it starts.
std::optional<double> lineBearing(const FeatureRecord& f) {
  if (f.prim != kPrimLine) return std::nullopt;
  const std::optional<FeatureLine> line = assembleFeatureLine(f);
  if (!line || line->points.size() < 2) return std::nullopt;
  const LinePoint first = line->points.front();
  const LinePoint last = line->points.back();
  if (first.x == last.x && first.y == last.y) return std::nullopt;
  return bearing(first, last);
}

// 1681, 1694, 1696, 1789a, 1789b: ORIENT against the bearing of the line,
// within 5 degrees; a one-way track (TRAFIC 1 inbound, 2 outbound, 3 one-way)
// in its direction, a two-way track (TRAFIC 4) and a navigation line either
// way.
void lineOrientations(Context& context) {
  constexpr double kTolerance = 5;
  for (const FeatureRecord* f : context.chart().features) {
    const bool track = f->objl == kDwrtcl || f->objl == kRectrc || f->objl == kRcrtcl;
    if (!track && f->objl != kNavlne) continue;
    const std::optional<double> orient = numberOf(valueOf(*f, kOrient));
    if (!orient) continue;
    const std::optional<double> along = lineBearing(*f);
    if (!along) continue;
    const double off = angleBetween(*along, *orient);
    const double offEitherWay = std::min(off, 180 - off);
    if (f->objl == kNavlne) {
      if (offEitherWay > kTolerance) context.report("1789b", f);
      continue;
    }
    const std::vector<int> traffic = integersOf(valueOf(*f, kTrafic));
    if (traffic.size() != 1) continue;
    if (traffic[0] >= 1 && traffic[0] <= 3 && off > kTolerance) {
      context.report(f->objl == kRectrc ? "1681" : f->objl == kDwrtcl ? "1694" : "1696", f);
    } else if (traffic[0] == 4 && offEitherWay > kTolerance) {
      context.report("1789a", f);
    }
  }
}

// 1683: in an aggregation of one navigation line and one recommended track,
// the track's ORIENT within 3 degrees of the line's, either way; the track is
// named.
void aggregatedOrientations(Context& context) {
  constexpr double kTolerance = 3;
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl != kCAggr) continue;
    const FeatureRecord* navigationLine = nullptr;
    const FeatureRecord* track = nullptr;
    int lines = 0;
    int tracks = 0;
    for (const FeaturePointerEntry* p : f->featurePointers()) {
      const FeatureRecord* member = context.featureByFoid(p->agen, p->fidn, p->fids);
      if (member == nullptr) continue;
      if (member->objl == kNavlne) navigationLine = member, ++lines;
      if (member->objl == kRectrc) track = member, ++tracks;
    }
    if (lines != 1 || tracks != 1) continue;
    const std::optional<double> a = numberOf(valueOf(*track, kOrient));
    const std::optional<double> b = numberOf(valueOf(*navigationLine, kOrient));
    if (!a || !b) continue;
    const double off = angleBetween(*a, *b);
    if (std::min(off, 180 - off) > kTolerance) context.report("1683", track);
  }
}

// Whether two dates are in the same form (both full dates, both --MMDD...),
// so that their text orders as they do.
bool comparableDates(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || !isoDate(a) || !isoDate(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if ((a[i] == '-') != (b[i] == '-')) return false;
  }
  return true;
}

// 1795a, 1795b: a slave's start dates not before its master's, its end dates not after them.
void slaveDates(Context& context) {
  auto before = [](std::string_view a, std::string_view b) {
    return !a.empty() && !b.empty() && comparableDates(a, b) && a < b;
  };
  for (const FeatureRecord* master : context.chart().features) {
    for (const FeaturePointerEntry* p : master->featurePointers()) {
      if (p->rind != kSlave) continue;
      const FeatureRecord* slave = context.featureByFoid(p->agen, p->fidn, p->fids);
      if (slave == nullptr || slave == master) continue;
      const bool early = before(valueOf(*slave, kDatsta), valueOf(*master, kDatsta)) ||
                         before(valueOf(*slave, kPersta), valueOf(*master, kPersta));
      const bool late = before(valueOf(*master, kDatend), valueOf(*slave, kDatend)) ||
                        before(valueOf(*master, kPerend), valueOf(*slave, kPerend));
      if (early) context.report("1795a", slave);
      if (late) context.report("1795b", slave);
    }
  }
}

void run(Context& context) {
  objectClasses(context);
  mandatoryObjects(context);
  mandatoryAttributesPresent(context);
  attributeCodes(context);
  groupAttributes(context);
  newObjects(context);
  dateFormats(context);
  singleValues(context);
  lineOrientations(context);
  aggregatedOrientations(context);
  slaveDates(context);
}

}  // namespace

Group catalogueChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
