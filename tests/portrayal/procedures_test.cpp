// The conditional procedures and the portrayal built from them: what each
// feature's instructions become for its attributes and the mariner's
// settings, and the order they are drawn in.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue.h"
#include "cell_writer.h"
#include "portrayal.h"
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
      {"no anchoring", "RESARE", 3, {{"RESTRN", "1,7"}}, {}, "LS(DASH,2,CHMGD);SY(ENTRES51)"},
      {"dangerous wreck", "WRECKS", 1, {{"CATWRK", "2"}}, {}, "SY(WRECKS01)"},
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
