// The S-58 checks of the catalogue group, on a cell with the mandatory meta
// objects to which each case adds the features it is about.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "catalogue_rules.h"
#include "chart_session.h"
#include "support/chart_cells.h"
#include "support/s58_findings.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;

const std::set<std::string> kCatalogueChecks = {
    "504",   "505",  "507",  "511",  "545",  "546",  "547",   "553",   "566",   "1515a", "1554a",
    "1554b", "1679", "1681", "1683", "1694", "1696", "1789a", "1789b", "1795a", "1795b"};

uint16_t objl(const char* acronym) {
  return catalogue::objectClass(acronym)->code;
}

// ATTF attributes by acronym and value.
std::vector<cw::Attribute> attributes(std::vector<std::pair<const char*, const char*>> values) {
  std::vector<cw::Attribute> out;
  for (const auto& [acronym, value] : values)
    out.push_back({catalogue::attribute(acronym)->code, value});
  return out;
}
using Values = std::vector<std::pair<const char*, const char*>>;

// Features of RCID id on vectors numbered from id * 10.
void point(cw::Cell& cell, uint32_t id, const char* acronym, Values values = {}) {
  cell.vectors.push_back(cw::isolatedNode(id * 10 + 1, {139.1 + id * 1e-3, 35.1}));
  cell.features.push_back({.rcid = id,
                           .prim = 1,
                           .objl = objl(acronym),
                           .attributes = attributes(std::move(values)),
                           .spatialPointers = {{.rcnm = 110, .rcid = id * 10 + 1}}});
}

void line(cw::Cell& cell, uint32_t id, const char* acronym, cw::Point2 from, cw::Point2 to,
          Values values = {}) {
  cell.vectors.push_back(cw::connectedNode(id * 10 + 1, from));
  cell.vectors.push_back(cw::connectedNode(id * 10 + 2, to));
  cell.vectors.push_back(cw::edge(id * 10 + 3, id * 10 + 1, id * 10 + 2, {}));
  cell.features.push_back({.rcid = id,
                           .prim = 2,
                           .objl = objl(acronym),
                           .attributes = attributes(std::move(values)),
                           .spatialPointers = {{.rcid = id * 10 + 3}}});
}

void area(cw::Cell& cell, uint32_t id, const char* acronym, Values values = {}) {
  const double x = 139.0 + id * 1e-2;
  cell.vectors.push_back(cw::connectedNode(id * 10 + 1, {x, 35.0}));
  cell.vectors.push_back(
      cw::edge(id * 10 + 3, id * 10 + 1, id * 10 + 1, {{x, 35.005}, {x + 0.005, 35.0}}));
  cell.features.push_back({.rcid = id,
                           .prim = 3,
                           .grup = 1,
                           .objl = objl(acronym),
                           .attributes = attributes(std::move(values)),
                           .spatialPointers = {{.rcid = id * 10 + 3, .usag = 1}}});
}

// The meta objects every cell must hold, as features 1 to 3.
cw::Cell metaCell() {
  cw::Cell cell;
  area(cell, 1, "M_COVR", {{"CATCOV", "1"}});
  area(cell, 2, "M_NSYS", {{"MARSYS", "1"}});
  area(cell, 3, "M_QUAL", {{"CATZOC", "1"}});
  return cell;
}

// "check rcid" for each finding of the group that names a feature, "check" for the others.
std::multiset<std::string> findingsOf(const cw::Cell& cell) {
  const std::optional<std::vector<S58Finding>> s58 = test::s58FindingsOf(cell);
  if (!s58) return {"no profile"};
  std::multiset<std::string> found;
  for (const S58Finding& f : *s58) {
    std::string line(f.check->number);
    if (!kCatalogueChecks.contains(line)) continue;
    if (!f.records.empty()) line += " " + std::to_string(f.records.front().rcid);
    found.insert(line);
  }
  return found;
}

struct Case {
  const char* what;
  std::function<void(cw::Cell&)> add;
  std::multiset<std::string> expected;
};

void expectFindings(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cw::Cell cell = metaCell();
    c.add(cell);
    EXPECT_EQ(findingsOf(cell), c.expected);
  }
}

TEST(S58CatalogueChecks, TablesNameOnlyWhatTheCatalogueKnows) {
  EXPECT_TRUE(s58::unknownAcronyms().empty());
  // Every mandatory attribute is one the class may carry.
  for (const catalogue::ObjectClass& c : catalogue::objectClasses()) {
    for (const s58::MandatoryAttribute& m : s58::mandatoryAttributes(c.code)) {
      for (const uint16_t attl : m.anyOf) {
        if (attl == 0) continue;
        const bool permitted = std::ranges::find(c.attributesA, attl) != c.attributesA.end() ||
                               std::ranges::find(c.attributesB, attl) != c.attributesB.end();
        EXPECT_TRUE(permitted) << c.acronym << " " << catalogue::attribute(attl)->acronym;
      }
    }
  }
}

TEST(S58CatalogueChecks, ClassesAndAttributeCodes) {
  expectFindings({
      {"the meta objects alone", [](cw::Cell&) {}, {}},
      {"a class the inland charts use instead of ENC coastlines",
       [](cw::Cell& c) { area(c, 10, "LAKSHR"); },
       {"504 10"}},
      {"the cartographic symbol", [](cw::Cell& c) { point(c, 10, "$CSYMB"); }, {"504 10"}},
      {"a code of the project's own depth line",
       [](cw::Cell& c) {
         point(c, 10, "ACHARE");
         c.features.back().objl = 30011;
       },
       {"545 10"}},
      {"an inland class, known to the catalogue but no ENC class",
       [](cw::Cell& c) { point(c, 10, "achare"); },
       {"545 10"}},
      {"attribute codes no catalogue defines, in ATTF and NATF, each once",
       [](cw::Cell& c) {
         point(c, 10, "ACHARE");
         c.features.back().attributes.push_back({9999, "1"});
         c.features.back().nationalAttributes.push_back({17050, u"x"});
       },
       {"546 10", "546 10"}},
      {"attributes the class does not permit, once per feature",
       [](cw::Cell& c) {
         area(c, 10, "HRBARE", {{"DATSTA", "20120101"}, {"CATACH", "1"}});
       },
       {"547 10"}},
      {"the class's own, national ones included",
       [](cw::Cell& c) {
         area(c, 10, "HRBARE", {{"OBJNAM", "Port"}, {"SORIND", "US,US,graph,1"}});
         c.features.back().nationalAttributes.push_back({301, u"Port"});
       },
       {}},
      {"prohibited attributes, each once",
       [](cw::Cell& c) {
         point(c, 10, "ACHARE", {{"SCAMAX", "10000"}, {"RECDAT", "20120101"}});
       },
       {"511 10", "511 10"}},
      {"CATQUA on the quality of data",
       [](cw::Cell& c) {
         c.features[2].attributes.push_back({50, "6"});
       },
       {"511 3"}},
  });
}

TEST(S58CatalogueChecks, MandatoryObjects) {
  expectFindings({
      {"no M_QUAL", [](cw::Cell& c) { c.features.pop_back(); }, {"505"}},
      {"an M_NSYS without its system of marks is none",
       [](cw::Cell& c) {
         c.features[1].attributes = attributes({{"ORIENT", "10"}});
       },
       {"505"}},
  });
}

TEST(S58CatalogueChecks, MandatoryAttributes) {
  expectFindings({
      {"a depth area without DRVAL2",
       [](cw::Cell& c) {
         area(c, 10, "DEPARE", {{"DRVAL1", "5"}});
       },
       {"507 10"}},
      {"DRVAL2 encoded as unknown",
       [](cw::Cell& c) {
         area(c, 10, "DEPARE", {{"DRVAL1", "5"}, {"DRVAL2", ""}});
       },
       {}},
      {"a caution area with neither INFORM nor TXTDSC",
       [](cw::Cell& c) { area(c, 10, "CTNARE"); },
       {"507 10"}},
      {"one of the two is enough",
       [](cw::Cell& c) {
         area(c, 10, "CTNARE", {{"TXTDSC", "AA000001.TXT"}});
       },
       {}},
      {"a buoy of two colours needs COLPAT",
       [](cw::Cell& c) {
         point(c, 10, "BOYSPP", {{"BOYSHP", "2"}, {"CATSPM", "27"}, {"COLOUR", "1,11"}});
       },
       {"507 10"}},
      {"one colour does not",
       [](cw::Cell& c) {
         point(c, 10, "BOYSPP", {{"BOYSHP", "2"}, {"CATSPM", "27"}, {"COLOUR", "6"}});
       },
       {}},
      {"a fixed light needs no signal group or period",
       [](cw::Cell& c) {
         point(c, 10, "LIGHTS", {{"COLOUR", "1"}, {"LITCHR", "1"}});
       },
       {}},
      {"a flashing one needs both",
       [](cw::Cell& c) {
         point(c, 10, "LIGHTS", {{"COLOUR", "1"}, {"LITCHR", "2"}});
       },
       {"507 10", "507 10"}},
      {"a directional light its ORIENT, a sector its other limit",
       [](cw::Cell& c) {
         point(c, 10, "LIGHTS",
               {{"CATLIT", "1"}, {"COLOUR", "1"}, {"LITCHR", "1"}, {"SECTR1", "30"}});
       },
       {"507 10", "507 10"}},
      {"an opening bridge without its closed clearance",
       [](cw::Cell& c) {
         line(c, 10, "BRIDGE", {139, 35}, {139.01, 35}, {{"CATBRG", "2"}});
       },
       {"507 10"}},
      {"a rock always under water without VALSOU",
       [](cw::Cell& c) {
         point(c, 10, "UWTROC", {{"WATLEV", "3"}});
       },
       {"507 10"}},
      {"one that covers and uncovers",
       [](cw::Cell& c) {
         point(c, 10, "UWTROC", {{"WATLEV", "4"}});
       },
       {}},
      {"a meta object of the coverage without CATCOV",
       [](cw::Cell& c) { c.features[0].attributes.clear(); },
       {"507 1"}},
  });
}

TEST(S58CatalogueChecks, SkinOfTheEarthAndMetaAttributes) {
  expectFindings({
      {"dates on a pontoon area",
       [](cw::Cell& c) {
         area(c, 10, "PONTON", {{"DATSTA", "20171229"}});
       },
       {"553 10"}},
      {"a date encoded as unknown",
       [](cw::Cell& c) {
         area(c, 10, "PONTON", {{"PEREND", ""}});
       },
       {}},
      {"a pontoon line is no skin of the earth",
       [](cw::Cell& c) {
         line(c, 10, "PONTON", {139, 35}, {139.01, 35}, {{"DATSTA", "20171229"}});
       },
       {}},
      {"SCAMIN on land",
       [](cw::Cell& c) {
         area(c, 10, "LNDARE", {{"SCAMIN", "45000"}});
       },
       {"1554a 10"}},
      {"SCAMIN on meta objects, where the coverage does not permit it",
       [](cw::Cell& c) {
         c.features[0].attributes.push_back({133, "45000"});
         c.features[1].attributes.push_back({133, "45000"});
       },
       {"1554b 1", "547 1", "1554b 2"}},
  });
}

TEST(S58CatalogueChecks, NewObjects) {
  const char* definition = "A Virtual object marking safe water";
  const char* name = "Virtual AtoN, Safe Water";
  expectFindings({
      {"a virtual safe water mark, SYMINS spaced as the tables print it",
       [&](cw::Cell& c) {
         point(c, 10, "NEWOBJ",
               {{"CLSDEF", definition},
                {"CLSNAM", name},
                {"SYMINS", "SY(BRTHNO01);SY(BOYSAW12); TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"}});
       },
       {}},
      {"the symbol of another mark",
       [&](cw::Cell& c) {
         point(c, 10, "NEWOBJ",
               {{"CLSDEF", definition},
                {"CLSNAM", name},
                {"SYMINS", "SY(BRTHNO01);SY(BOYSPP11);TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"}});
       },
       {"566 10"}},
      {"no symbol",
       [&](cw::Cell& c) {
         point(c, 10, "NEWOBJ", {{"CLSDEF", definition}, {"CLSNAM", name}});
       },
       {"566 10"}},
  });
}

TEST(S58CatalogueChecks, DatesAndSingleValues) {
  auto dated = [](const char* acronym, const char* value) {
    return [=](cw::Cell& c) { point(c, 10, "ACHARE", {{acronym, value}}); };
  };
  expectFindings({
      {"a full date", dated("DATSTA", "20120623"), {}},
      {"a periodic date without its year", dated("PERSTA", "--0415"), {}},
      {"a year and month", dated("DATEND", "2012-06"), {}},
      {"day and month first", dated("PERSTA", "31122018"), {"1515a 10"}},
      {"a month in letters", dated("PEREND", "JULY0918"), {"1515a 10"}},
      {"a day February lacks", dated("DATEND", "20130229"), {"1515a 10"}},
      {"the day a leap year adds", dated("DATEND", "20120229"), {}},
      {"two integers", dated("SCAMIN", "4000,5000"), {"1679 10"}},
      {"a list may hold several", dated("CATACH", "1,2"), {}},
      {"commas inside one source indication", dated("SORIND", "US,US,graph,Chart 1"), {}},
      {"two dates in one", dated("DATSTA", "20120101,20130101"), {"1515a 10", "1679 10"}},
  });
}

// Lines heading east along 50 degrees north.
auto track(const char* acronym, const char* orient, const char* trafic) {
  return [=](cw::Cell& c) {
    const bool navigationLine = std::string_view(acronym) == "NAVLNE";
    Values values = {{navigationLine ? "CATNAV" : "CATTRK", "1"}, {"ORIENT", orient}};
    if (trafic != nullptr) values.push_back({"TRAFIC", trafic});
    line(c, 10, acronym, {10, 50}, {10.1, 50}, values);
  };
}

TEST(S58CatalogueChecks, OrientationOfLines) {
  expectFindings({
      {"a one-way track as drawn", track("RECTRC", "90", "1"), {}},
      {"4 degrees off", track("RECTRC", "94", "1"), {}},
      {"6 degrees off", track("RECTRC", "96", "1"), {"1681 10"}},
      {"a one-way track drawn against its ORIENT", track("RECTRC", "270", "3"), {"1681 10"}},
      {"a deep water route", track("DWRTCL", "270", "2"), {"1694 10"}},
      {"a recommended route", track("RCRTCL", "0", "1"), {"1696 10"}},
      {"a two-way track either way", track("RCRTCL", "272", "4"), {}},
      {"a two-way track across", track("DWRTCL", "100", "4"), {"1789a 10"}},
      {"a navigation line either way", track("NAVLNE", "268", nullptr), {}},
      {"a navigation line north", track("NAVLNE", "0", nullptr), {"1789b 10"}},
      // Along a degree of longitude and half a degree of latitude at 60
      // degrees north the line runs at 44.8 degrees, not the 63.4 degrees of
      // longitude and latitude taken as a plane.
      {"a navigation line at its true bearing",
       [](cw::Cell& c) {
         line(c, 10, "NAVLNE", {10, 60}, {11, 60.5}, {{"CATNAV", "1"}, {"ORIENT", "45"}});
       },
       {}},
      {"at the bearing of the plane of degrees",
       [](cw::Cell& c) {
         line(c, 10, "NAVLNE", {10, 60}, {11, 60.5}, {{"CATNAV", "1"}, {"ORIENT", "63"}});
       },
       {"1789b 10"}},
  });
}

// A navigation line and a recommended track, both drawn east, in one aggregation.
auto aggregation(const char* lineOrient, const char* trackOrient) {
  return [=](cw::Cell& c) {
    line(c, 11, "NAVLNE", {10, 50}, {10.1, 50}, {{"CATNAV", "1"}, {"ORIENT", lineOrient}});
    line(c, 12, "RECTRC", {10, 50.01}, {10.1, 50.01},
         {{"CATTRK", "1"}, {"ORIENT", trackOrient}, {"TRAFIC", "4"}});
    c.features.push_back({.rcid = 10,
                          .prim = 255,
                          .objl = objl("C_AGGR"),
                          .featurePointers = {{.fidn = 11, .rind = 3}, {.fidn = 12, .rind = 3}}});
  };
}

TEST(S58CatalogueChecks, AggregatedOrientations) {
  expectFindings({
      {"2 degrees apart", aggregation("90", "92"), {}},
      {"4 degrees apart", aggregation("90", "94"), {"1683 12"}},
      {"the reciprocal", aggregation("90", "271"), {}},
  });
}

// A master anchorage with a radio station as its slave.
auto masterAndSlave(Values master, Values slave, uint8_t rind = 2) {
  return [=](cw::Cell& c) {
    point(c, 10, "ACHARE", master);
    c.features.back().featurePointers = {{.fidn = 11, .rind = rind}};
    point(c, 11, "RDOSTA", slave);
  };
}

TEST(S58CatalogueChecks, SlaveDates) {
  expectFindings({
      {"a slave within its master's dates",
       masterAndSlave({{"DATSTA", "20120601"}, {"DATEND", "20120630"}},
                      {{"DATSTA", "20120601"}, {"DATEND", "20120629"}}),
       {}},
      {"a slave starting earlier",
       masterAndSlave({{"DATSTA", "20120623"}}, {{"DATSTA", "20120622"}}),
       {"1795a 11"}},
      {"a slave ending later, by periodic dates",
       masterAndSlave({{"PEREND", "--0210"}}, {{"PEREND", "--0212"}}),
       {"1795b 11"}},
      {"dates of different forms are not compared",
       masterAndSlave({{"PEREND", "--0210"}}, {{"PEREND", "20120212"}}),
       {}},
      {"a peer is no slave",
       masterAndSlave({{"DATSTA", "20120623"}}, {{"DATSTA", "20120622"}}, 3),
       {}},
  });
}

}  // namespace
}  // namespace abys
