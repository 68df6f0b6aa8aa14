// The conditional procedures and the portrayal built from them: what each
// feature's instructions become for its attributes and the mariner's
// settings, and the order they are drawn in.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "catalogue.h"
#include "cell_writer.h"
#include "check_driver.h"
#include "portrayal.h"
#include "support/chart_cells.h"
#include "support/load.h"

namespace abys::portrayal {
namespace {

namespace cw = cellwriter;

uint16_t code(std::string_view acronym) {
  if (const catalogue::ObjectClass* c = catalogue::objectClass(acronym)) return c->code;
  return catalogue::attribute(acronym)->code;
}

// A feature of one class and primitive with attributes, on no geometry:
// the procedures read attributes only.
struct Case {
  const char* name;
  const char* acronym;
  uint8_t prim;
  std::vector<std::pair<const char*, const char*>> attributes;
  PortrayalSettings settings;
  const char* instructions;
};

PortrayalSettings s52(bool twoShades = false, bool shallowPattern = false) {
  PortrayalSettings settings;
  settings.s52Depths = true;
  settings.twoShades = twoShades;
  settings.shallowPattern = shallowPattern;
  return settings;
}

PortrayalSettings simplified() {
  PortrayalSettings settings;
  settings.simplifiedSymbols = true;
  return settings;
}

TEST(Procedures, ExpandByAttributesAndSettings) {
  const Case cases[] = {
      {"bands: DRVAL1 alone", "DEPARE", 3, {{"DRVAL1", "5"}, {"DRVAL2", "40"}}, {}, "AC(DEPMS)"},
      {"bands: blank DRVAL1 is 0", "DEPARE", 3, {{"DRVAL1", ""}}, {}, "AC(DEPVS)"},
      {"bands: none is intertidal", "DRGARE", 3, {}, {}, "AC(DEPIT)"},
      {"four shades", "DEPARE", 3, {{"DRVAL1", "10"}, {"DRVAL2", "20"}}, s52(), "AC(DEPMD)"},
      {"four shades, deep", "DEPARE", 3, {{"DRVAL1", "30"}, {"DRVAL2", "50"}}, s52(), "AC(DEPDW)"},
      {"two shades", "DEPARE", 3, {{"DRVAL1", "10"}, {"DRVAL2", "20"}}, s52(true), "AC(DEPDW)"},
      {"shallow pattern",
       "DEPARE",
       3,
       {{"DRVAL1", "2"}, {"DRVAL2", "5"}},
       s52(false, true),
       "AC(DEPMS);AP(DIAMOND1)"},
      {"dredged",
       "DRGARE",
       3,
       {{"DRVAL1", "12"}},
       s52(),
       "AC(DEPMD);AP(DRGARE01);LS(DASH,1,CHGRF)"},
      {"contour", "DEPCNT", 2, {{"VALDCO", "10"}}, s52(), "LS(SOLD,1,DEPCN)"},
      {"contour, approximate", "DEPCNT", 2, {{"QUAPOS", "4"}}, s52(), "LS(DASH,1,DEPCN)"},
      {"coastline", "COALNE", 2, {}, s52(), "LS(SOLD,1,CSTLN)"},
      {"coastline, approximate", "COALNE", 2, {{"QUAPOS", "5"}}, s52(), "LS(DASH,1,CSTLN)"},
      {"shoreline, ruined", "SLCONS", 2, {{"CONDTN", "2"}}, s52(), "LS(DASH,1,CSTLN)"},
      {"shoreline, breakwater", "SLCONS", 2, {{"CATSLC", "6"}}, s52(), "LS(SOLD,4,CSTLN)"},
      {"shoreline, covers", "SLCONS", 2, {{"WATLEV", "4"}}, s52(), "LS(DASH,2,CSTLN)"},
      {"red light", "LIGHTS", 1, {{"COLOUR", "3"}}, {}, "SY(LIGHTS11)"},
      {"described light",
       "LIGHTS",
       1,
       {{"COLOUR", "3"}, {"LITCHR", "2"}, {"SIGGRP", "(2)"}, {"SIGPER", "6"}, {"VALNMR", "10"}},
       {},
       "SY(LIGHTS11);TX('Fl(2)R.6s10M',3,2,2,'15110',2,0,CHBLK,23)"},
      {"fixed white light",
       "LIGHTS",
       1,
       {{"COLOUR", "1"}, {"LITCHR", "1"}, {"SIGGRP", "()"}},
       {},
       "SY(LIGHTS13);TX('F.W',3,2,2,'15110',2,0,CHBLK,23)"},
      {"green light", "LIGHTS", 1, {{"COLOUR", "4"}}, {}, "SY(LIGHTS12)"},
      {"white light", "LIGHTS", 1, {{"COLOUR", "1"}}, {}, "SY(LIGHTS13)"},
      {"topmark without shape", "TOPMAR", 1, {}, {}, "SY(QUESMRK1)"},
      {"a new object's own instructions",
       "NEWOBJ",
       1,
       {{"SYMINS", "SY(BOYLAT13);TX('new',1,2,2,'15110',0,0,CHBLK,26)"}},
       {},
       "SY(BOYLAT13);TX('new',1,2,2,'15110',0,0,CHBLK,26)"},
      {"... that do not parse", "NEWOBJ", 1, {{"SYMINS", "SY(BOYLAT13"}}, {}, "SY(NEWOBJ01)"},
      {"turned by its attribute", "RCTLPT", 1, {{"ORIENT", "90"}}, {}, "SY(RCTLPT52,90)"},
      {"an empty attribute is not given", "RCTLPT", 1, {{"ORIENT", ""}}, {}, "SY(RTLDEF51)"},
      {"cartographic symbol", "$CSYMB", 1, {{"$SCODE", "BOYLAT13"}}, {}, "SY(BOYLAT13)"},
      {"cartographic symbol unknown", "$CSYMB", 1, {{"$SCODE", "NOSUCH01"}}, {}, "SY(QUESMRK1)"},
      {"no entry, no anchoring",
       "RESARE",
       3,
       {{"RESTRN", "1,7"}},
       {},
       "LS(DASH,2,CHMGD);SY(ENTRES61)"},
      {"no entry", "RESARE", 3, {{"RESTRN", "7"}}, {}, "LS(DASH,2,CHMGD);SY(ENTRES51)"},
      {"restricted nature reserve",
       "RESARE",
       3,
       {{"CATREA", "4"}},
       {},
       "LS(DASH,2,CHMGD);SY(INFARE51)"},
      {"restricted safety zone",
       "RESARE",
       3,
       {{"CATREA", "1"}},
       {},
       "LS(DASH,2,CHMGD);SY(CTYARE51)"},
      {"dangerous wreck", "WRECKS", 1, {{"CATWRK", "2"}}, {}, "SY(WRECKS05)"},
      {"wreck showing hull", "WRECKS", 1, {{"CATWRK", "5"}}, {}, "SY(WRECKS01)"},
      {"non-dangerous wreck", "WRECKS", 1, {{"CATWRK", "1"}, {"WATLEV", "3"}}, {}, "SY(WRECKS04)"},
      {"wreck of known depth",
       "WRECKS",
       1,
       {{"VALSOU", "25.5"}},
       {},
       "SY(DANGER02);SY(SOUNDING,25.5)"},
      {"obstruction above water", "OBSTRN", 1, {{"WATLEV", "2"}}, {}, "SY(OBSTRN11)"},
      {"obstruction, covers and uncovers", "OBSTRN", 1, {{"WATLEV", "4"}}, {}, "SY(OBSTRN03)"},
      {"foul ground", "OBSTRN", 1, {{"CATOBS", "6"}, {"WATLEV", "4"}}, {}, "SY(OBSTRN01)"},
      {"rock awash", "UWTROC", 1, {{"WATLEV", "5"}}, {}, "SY(UWTROC04)"},
      {"rock, approximate", "UWTROC", 1, {{"QUAPOS", "4"}}, {}, "SY(UWTROC03);SY(LOWACC01)"},
      {"rock of known depth", "UWTROC", 1, {{"VALSOU", "4"}}, {}, "SY(DANGER01);SY(SOUNDING,4)"},
      {"sector light",
       "LIGHTS",
       1,
       {{"COLOUR", "4"}, {"SECTR1", "90"}, {"SECTR2", "180.5"}},
       {},
       "SC(90,180.5,LITGN,20)"},
      {"all-round sectors are a flare",
       "LIGHTS",
       1,
       {{"COLOUR", "1"}, {"SECTR1", "0"}, {"SECTR2", "360"}},
       {},
       "SY(LIGHTS13)"},
      {"conical buoy", "BOYLAT", 1, {{"BOYSHP", "1"}, {"COLOUR", "4"}}, {}, "SY(BOYCON01,0)"},
      {"simplified symbols",
       "BOYLAT",
       1,
       {{"BOYSHP", "1"}, {"COLOUR", "4"}},
       simplified(),
       "SY(BOYLAT13)"},
      {"buoy of no shape", "BOYSAW", 1, {{"COLOUR", "3,1"}}, {}, "SY(BOYSAW12)"},
      {"lattice beacon", "BCNSPP", 1, {{"BCNSHP", "4"}}, {}, "SY(BCNLTC02,0)"},
      {"triangular daymark",
       "DAYMAR",
       1,
       {{"TOPSHP", "25"}, {"COLOUR", "3"}},
       {},
       "SY(DAYTRI05,0)"},
      {"daymark, simplified", "DAYMAR", 1, {{"TOPSHP", "25"}}, simplified(), "SY(DAYTRI25)"},
      {"seabed in abbreviations",
       "SBDARE",
       1,
       {{"NATSUR", "4"}},
       {},
       "TX(NATSUR,1,2,2,'15110',0,0,CHBLK,25)"},
      {"seabed without nature", "SBDARE", 1, {}, {}, "SY(POSGEN04)"},
      {"land area", "LNDARE", 3, {}, {}, "AC(LANDA)"},
      {"built-up area", "BUAARE", 3, {}, {}, "AC(CHBRN)"},
      {"a class the catalogue lacks", "29999", 1, {}, {}, "SY(QUESMRK1)"},
      {"... as a line", "29999", 2, {}, {}, "LS(DASH,1,CHMGD)"},
      {"the project's depth line", "30011", 2, {{"VALDCO", "5"}}, {}, "LS(SOLD,1,ABYHUE)"},
  };
  test::TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cw::Cell cell;
    const bool numeric = c.acronym[0] >= '0' && c.acronym[0] <= '9';
    cw::Feature feature{
        .rcid = 1,
        .prim = c.prim,
        .objl = numeric ? static_cast<uint16_t>(std::stoi(c.acronym)) : code(c.acronym)};
    for (const auto& [acronym, value] : c.attributes)
      feature.attributes.push_back({code(acronym), value});
    std::sort(feature.attributes.begin(), feature.attributes.end(),
              [](const auto& a, const auto& b) { return a.attl < b.attl; });
    cell.features.push_back(feature);
    const std::string path = folder.writeBytes(cw::encodeCell(cell), "CASE.000");
    Dataset dataset;
    test::load(dataset, path);
    const Portrayal portrayal(dataset, {}, c.settings);
    ASSERT_EQ(portrayal.features().size(), 1u);
    EXPECT_EQ(instructionText(portrayal.instructions(portrayal.features()[0])), c.instructions);
  }
}

// A point feature of objl on its own isolated node at, with attributes.
void addPoint(cw::Cell& cell, uint32_t id, const char* acronym, cw::Point2 at,
              std::vector<std::pair<const char*, const char*>> attributes = {}, uint32_t node = 0) {
  if (node == 0) {
    node = id * 10 + 1;
    cell.vectors.push_back(cw::isolatedNode(node, at));
  }
  cw::Feature feature{.rcid = id, .prim = 1, .objl = code(acronym)};
  for (const auto& [attribute, value] : attributes)
    feature.attributes.push_back({code(attribute), value});
  std::sort(feature.attributes.begin(), feature.attributes.end(),
            [](const auto& a, const auto& b) { return a.attl < b.attl; });
  feature.spatialPointers.push_back({.rcnm = 110, .rcid = node});
  cell.features.push_back(std::move(feature));
}

// Loads a cell written to path and resolves its pointers, as the chart
// does before it portrays.
void loadChecked(Dataset& dataset, const std::string& path) {
  test::load(dataset, path);
  ASSERT_EQ(runLogicalChecks(dataset, [](const char*, std::va_list) {}), 0);
}

// The instructions of every feature by record id.
std::map<uint32_t, std::string> instructionsById(const Portrayal& portrayal) {
  std::map<uint32_t, std::string> found;
  for (const FeaturePortrayal& feature : portrayal.features())
    found[feature.feature->rcid] = instructionText(portrayal.instructions(feature));
  return found;
}

// Hazards over deep water (DRVAL1 30) and shallow water (DRVAL1 2) at
// several safety contours: an isolated danger only where the hazard is
// at most as deep as the safety contour and every area under it is at
// least as deep (equal counts as safe), and not where it stands dry.
TEST(Procedures, IsolatedDangersFollowTheSafetyContourAndTheSeabed) {
  cw::Cell cell;
  test::addArea(cell, 1, catalogue::kDepare, {{0, 0}, {0.1, 0}, {0.1, 0.1}, {0, 0.1}, {0, 0}},
                {{catalogue::kDrval1, "30"}, {catalogue::kDrval2, "50"}});
  test::addArea(cell, 2, catalogue::kDepare, {{0.1, 0}, {0.2, 0}, {0.2, 0.1}, {0.1, 0.1}, {0.1, 0}},
                {{catalogue::kDrval1, "2"}, {catalogue::kDrval2, "5"}});
  addPoint(cell, 10, "OBSTRN", {0.05, 0.05}, {{"VALSOU", "5"}});   // deep water
  addPoint(cell, 11, "OBSTRN", {0.15, 0.05}, {{"VALSOU", "1"}});   // shallow water
  addPoint(cell, 12, "WRECKS", {0.05, 0.06}, {{"VALSOU", "35"}});  // deeper than most
  addPoint(cell, 13, "UWTROC", {0.05, 0.07});                      // depth of its area
  addPoint(cell, 14, "OBSTRN", {0.05, 0.08}, {{"VALSOU", "-1"}, {"WATLEV", "2"}});  // dry
  addPoint(cell, 15, "WRECKS", {0.3, 0.3}, {{"VALSOU", "3"}});  // on no depth area
  addPoint(cell, 16, "OBSTRN", {0.05, 0.09}, {{"VALSOU", "5"}, {"QUAPOS", "4"}});
  test::TempFolder folder;
  const std::string path = folder.writeBytes(cw::encodeCell(cell), "DANGER.000");
  Dataset dataset;
  loadChecked(dataset, path);
  const std::string danger = "SY(ISODGR01)";
  const struct {
    double safety;
    std::map<uint32_t, std::string> expected;
  } cases[] = {
      {10,
       {{10, danger},
        {11, "SY(DANGER01);SY(SOUNDING,1)"},
        {12, "SY(DANGER02);SY(SOUNDING,35)"},
        {13, "SY(UWTROC03)"},
        {14, "SY(OBSTRN11);SY(SOUNDING,-1)"},
        {15, "SY(DANGER01);SY(SOUNDING,3)"},
        {16, danger + ";SY(LOWACC01)"}}},
      {30, {{12, "SY(DANGER02);SY(SOUNDING,35)"}, {13, danger}}},
      {40,
       {{12, "SY(DANGER02);SY(SOUNDING,35)"},
        {13, "SY(UWTROC03)"},
        {10, "SY(DANGER01);SY(SOUNDING,5)"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.safety);
    DepthContours contours;
    contours.safety = c.safety;
    contours.deep = std::max(contours.deep, c.safety);
    const Portrayal portrayal(dataset, contours, {});
    const std::map<uint32_t, std::string> found = instructionsById(portrayal);
    for (const auto& [id, instructions] : c.expected)
      EXPECT_EQ(found.at(id), instructions) << id;
    for (const FeaturePortrayal& feature : portrayal.features()) {
      const bool isolated = found.at(feature.feature->rcid).starts_with(danger);
      if (feature.feature->rcid == 14 && c.safety == 10) {
        EXPECT_EQ(feature.category, Category::DisplayBase);
      }
      if (!isolated) continue;
      EXPECT_EQ(feature.category, Category::DisplayBase);
      EXPECT_EQ(feature.viewingGroup, 14010u);
      // Drawn after every other symbol of its priority and those below:
      // over all but texts.
      EXPECT_EQ(portrayal.instruction(feature.firstInstruction).priority, 8);
      EXPECT_TRUE(portrayal.instruction(feature.firstInstruction).last);
    }
  }
}

// A topmark takes the buoy form of its shape on a buoy's node, the beacon
// form on a beacon's or alone; a buoy's body colours travel with its
// symbol; an approximate position may be written on the node.
TEST(Procedures, TopmarksByWhatTheyStandOnAndBodiesByTheirColours) {
  cw::Cell cell;
  cell.vectors.push_back(cw::isolatedNode(100, {0.01, 0.01}));
  cell.vectors.push_back(cw::isolatedNode(200, {0.02, 0.02}));
  addPoint(cell, 1, "BOYCAR", {}, {{"BOYSHP", "4"}, {"COLOUR", "2,6"}, {"COLPAT", "1"}}, 100);
  addPoint(cell, 2, "TOPMAR", {}, {{"TOPSHP", "13"}}, 100);
  addPoint(cell, 3, "BCNCAR", {}, {{"BCNSHP", "1"}, {"COLOUR", "2,6,2"}}, 200);
  addPoint(cell, 4, "TOPMAR", {}, {{"TOPSHP", "13"}}, 200);
  addPoint(cell, 5, "TOPMAR", {0.03, 0.03}, {{"TOPSHP", "99"}});
  addPoint(cell, 6, "BOYSPP", {0.04, 0.04}, {{"BOYSHP", "3"}, {"ORIENT", "45"}});
  // A position's quality on the node rather than the feature.
  cell.vectors.push_back(cw::isolatedNode(300, {0.05, 0.05}));
  cell.vectors.back().attributes.push_back({code("QUAPOS"), "4"});
  addPoint(cell, 7, "WRECKS", {}, {{"CATWRK", "1"}}, 300);
  test::TempFolder folder;
  const std::string path = folder.writeBytes(cw::encodeCell(cell), "TOPMAR.000");
  Dataset dataset;
  loadChecked(dataset, path);
  const Portrayal portrayal(dataset, {}, {});
  const std::map<uint32_t, std::string> found = instructionsById(portrayal);
  EXPECT_EQ(found.at(2), "SY(TOPMAR05)");
  EXPECT_EQ(found.at(4), "SY(TOPMAR25)");
  EXPECT_EQ(found.at(5), "SY(TMARDEF1)");
  EXPECT_EQ(found.at(7), "SY(WRECKS04);SY(LOWACC01)");
  const auto symbolArgs = [&](uint32_t id) {
    for (const FeaturePortrayal& feature : portrayal.features()) {
      if (feature.feature->rcid == id) return portrayal.instruction(feature.firstInstruction).args;
    }
    return std::vector<std::string>{};
  };
  EXPECT_EQ(symbolArgs(1), (std::vector<std::string>{"BOYPIL01", "0", "2,6", "1"}));
  EXPECT_EQ(symbolArgs(3), (std::vector<std::string>{"BCNSTK01", "0", "2,6,2", ""}));
  EXPECT_EQ(symbolArgs(6), (std::vector<std::string>{"BOYSPH01", "0", "", ""}));
}

// Symbols of the same arguments share one picture, whatever feature draws
// them; a symbol of other arguments (colours, shape) has its own, and the
// instructions that draw no picture have none. Every step knows its pass.
TEST(Procedures, SymbolsOfTheSameArgumentsSharePictures) {
  cw::Cell cell;
  addPoint(cell, 1, "BOYCAR", {0.01, 0.01}, {{"BOYSHP", "4"}, {"COLOUR", "2,6"}, {"COLPAT", "1"}});
  addPoint(cell, 2, "BOYCAR", {0.02, 0.02}, {{"BOYSHP", "4"}, {"COLOUR", "2,6"}, {"COLPAT", "1"}});
  addPoint(cell, 3, "BOYCAR", {0.03, 0.03}, {{"BOYSHP", "4"}, {"COLOUR", "6,2"}, {"COLPAT", "1"}});
  addPoint(cell, 4, "BOYSPP", {0.04, 0.04}, {{"BOYSHP", "3"}});
  addPoint(cell, 5, "BOYSPP", {0.05, 0.05}, {{"BOYSHP", "2"}});
  cell.features.push_back({.rcid = 6, .prim = 2, .objl = code("DEPCNT")});
  test::TempFolder folder;
  const std::string path = folder.writeBytes(cw::encodeCell(cell), "SHARED.000");
  Dataset dataset;
  test::load(dataset, path);
  const Portrayal portrayal(dataset, {}, {});
  std::map<uint32_t, uint32_t> picture;  // of each feature's first instruction
  for (const FeaturePortrayal& feature : portrayal.features())
    picture[feature.feature->rcid] = portrayal.pictureOf(feature.firstInstruction);
  EXPECT_EQ(picture.at(1), picture.at(2));
  EXPECT_NE(picture.at(1), picture.at(3));
  EXPECT_NE(picture.at(4), picture.at(5));
  EXPECT_EQ(picture.at(6), Portrayal::kNoPicture);
  EXPECT_EQ(portrayal.pictureCount(), 4u);
  for (uint32_t id : {1u, 3u, 4u, 5u})
    EXPECT_EQ(portrayal.pictureInstruction(picture.at(id)).op, Op::Symbol) << id;
  for (const DrawStep& step : portrayal.drawOrder())
    EXPECT_EQ(step.pass, passOf(portrayal.instruction(step.instruction).op));
}

// Priorities first, then areas, lines, points and texts within one, then
// the rows' groups, then file order; meta classes are not portrayed.
TEST(Procedures, DrawOrderFollowsPriorityPassGroupAndFile) {
  cw::Cell cell;
  const auto add = [&](uint32_t rcid, const char* acronym, uint8_t prim) {
    cell.features.push_back({.rcid = rcid, .prim = prim, .objl = code(acronym)});
  };
  add(1, "SOUNDG", 1);  // 6, a point
  add(2, "DEPCNT", 2);  // 5, a line
  add(3, "M_COVR", 3);
  add(4, "LNDARE", 3);  // 1, an area, after the depth areas' group
  add(5, "DEPARE", 3);  // 1, an area
  add(6, "COALNE", 2);  // 5, a line, before the contours' group
  test::TempFolder folder;
  const std::string path = folder.writeBytes(cw::encodeCell(cell), "ORDER.000");
  Dataset dataset;
  test::load(dataset, path);
  const Portrayal portrayal(dataset, {}, {});
  std::vector<uint32_t> order;
  for (const DrawStep& step : portrayal.drawOrder())
    order.push_back(portrayal.features()[step.feature].feature->rcid);
  EXPECT_EQ(order, (std::vector<uint32_t>{5, 4, 6, 2, 1}));
  EXPECT_TRUE(portrayal.hasClass(code("DEPARE")));
  EXPECT_FALSE(portrayal.hasClass(code("M_COVR")));
}

}  // namespace
}  // namespace abys::portrayal
