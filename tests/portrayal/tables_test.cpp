// The compiled-in presentation tables: they parse whole, cover the
// catalogue, name only what they define, hold the entries and colours the
// chart is known by; and rows are matched by their attribute combinations.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalogue.h"
#include "portrayal.h"
#include "presentation_tables.h"

namespace abys::portrayal {
namespace {

const PresentationTables& tables() {
  return PresentationTables::builtIn();
}

uint16_t classCode(std::string_view acronym) {
  const catalogue::ObjectClass* found = catalogue::objectClass(acronym);
  return found != nullptr ? found->code : 0;
}

TEST(PresentationTables, ParseWholeAndCoverEveryGeoClassAndPrimitive) {
  EXPECT_TRUE(tables().errors().empty()) << tables().errors().front();
  for (const catalogue::ObjectClass& c : catalogue::objectClasses()) {
    if (c.type != 'G' || c.code >= 20000 || c.acronym.starts_with("m_")) continue;
    const std::pair<uint8_t, Table> served[] = {{catalogue::kPoint, Table::Points},
                                                {catalogue::kLine, Table::Lines},
                                                {catalogue::kArea, Table::AreasPlain},
                                                {catalogue::kArea, Table::AreasSymbolized}};
    for (const auto& [primitive, table] : served) {
      if ((c.primitives & primitive) == 0) continue;
      EXPECT_NE(tables().match(table, c.code, {}), nullptr)
          << c.acronym << " in table " << static_cast<int>(table);
    }
  }
}

TEST(PresentationTables, EveryNameAndTokenTheRowsUseIsDefined) {
  std::set<std::string> missing;
  for (const LookupRow& row : tables().rows()) {
    for (const Instruction& i : row.instructions) {
      const std::string& name = i.args[0];
      if (i.op == Op::Symbol && tables().symbol(name) == nullptr) missing.insert("SY " + name);
      if (i.op == Op::AreaPattern && tables().pattern(name) == nullptr)
        missing.insert("AP " + name);
      if (i.op == Op::ComplexLine && tables().lineStyle(name) == nullptr)
        missing.insert("LC " + name);
      for (const std::string_view token : coloursOf(i)) {
        if (token != "ABYHUE" && !tables().colour(token, ColourScheme::Night))
          missing.insert("colour " + std::string(token));
      }
    }
  }
  EXPECT_TRUE(missing.empty()) << *missing.begin() << " and " << missing.size() - 1 << " more";
}

// The marks of Highlight updates are drawn in CHCOR: no row draws a fill,
// pattern, line, symbol or text in a colour of that token's in any scheme.
TEST(PresentationTables, NoRowDrawsInTheHighlightColour) {
  std::set<std::string> shared;
  for (const LookupRow& row : tables().rows()) {
    for (const Instruction& i : row.instructions) {
      std::vector<std::string_view> tokens = coloursOf(i);
      if (i.op == Op::AreaPattern) {
        if (const PatternEntry* pattern = tables().pattern(i.args[0]))
          tokens.push_back(pattern->colour);
      } else if (i.op == Op::ComplexLine) {
        if (const LineStyleEntry* style = tables().lineStyle(i.args[0]))
          tokens.push_back(style->simpleLine.args[2]);
      } else if (i.op == Op::Symbol) {
        if (const SymbolEntry* symbol = tables().symbol(i.args[0]))
          tokens.insert(tokens.end(), symbol->colours.begin(), symbol->colours.end());
      }
      for (const ColourScheme scheme :
           {ColourScheme::Day, ColourScheme::Dusk, ColourScheme::Night}) {
        for (const std::string_view token : tokens) {
          if (tables().colour(token, scheme) == tables().colour("CHCOR", scheme))
            shared.insert(std::string(token) + " in " + formatInstructions(row.instructions));
        }
      }
    }
  }
  EXPECT_TRUE(shared.empty()) << *shared.begin();
}

TEST(PresentationTables, EntriesTheChartIsKnownBy) {
  const struct {
    Table table;
    const char* acronym;
    const char* instructions;  // null: not checked
    Category category;
  } cases[] = {
      {Table::AreasPlain, "LNDARE", "AC(LANDA)", Category::DisplayBase},
      {Table::AreasPlain, "BUAARE", "AC(CHBRN)", Category::Other},
      {Table::AreasPlain, "DEPARE", "CS(DEPARE03)", Category::DisplayBase},
      {Table::AreasPlain, "DRGARE", "CS(DEPARE03)", Category::DisplayBase},
      {Table::AreasPlain, "SBDARE", nullptr, Category::Other},
      {Table::Points, "SBDARE", nullptr, Category::Other},
      {Table::Points, "SOUNDG", nullptr, Category::Other},
      {Table::Lines, "DEPCNT", nullptr, Category::DisplayBase},
      {Table::Lines, "COALNE", nullptr, Category::DisplayBase},
      {Table::AbysAreas, "DEPARE", "CS(DEPBND01)", Category::DisplayBase},
      {Table::AbysLines, "COALNE", "LS(SOLD,1,CSTLN)", Category::DisplayBase},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.acronym);
    const LookupRow* row = tables().match(c.table, classCode(c.acronym), {});
    ASSERT_NE(row, nullptr);
    if (c.instructions != nullptr) {
      EXPECT_EQ(formatInstructions(row->instructions), c.instructions);
    }
    EXPECT_EQ(row->category, c.category);
  }
  // Restricted and caution areas: dashed magenta boundaries, standard.
  for (const char* acronym : {"RESARE", "CTNARE"}) {
    const LookupRow* row = tables().match(Table::AreasPlain, classCode(acronym), {});
    ASSERT_NE(row, nullptr);
    EXPECT_NE(formatInstructions(row->instructions).find("LS(DASH,2,CHMGD)"), std::string::npos);
    EXPECT_EQ(row->category, Category::Standard);
  }
}

TEST(PresentationTables, DayColoursAreTheBrightDayTable) {
  const std::pair<const char*, Rgb> day[] = {
      {"CHBLK", {7, 7, 7}},       {"CHGRD", {125, 137, 140}}, {"CHGRF", {163, 180, 183}},
      {"CHRED", {241, 84, 105}},  {"CHGRN", {104, 228, 86}},  {"CHYLW", {244, 218, 72}},
      {"CHMGD", {197, 69, 195}},  {"CHMGF", {211, 166, 233}}, {"CHBRN", {177, 145, 57}},
      {"CHWHT", {212, 234, 238}}, {"CHCOR", {235, 125, 54}},  {"LITRD", {241, 84, 105}},
      {"LITGN", {104, 228, 86}},  {"LITYW", {244, 218, 72}},  {"LANDA", {201, 185, 122}},
      {"LANDF", {139, 102, 31}},  {"CSTLN", {82, 90, 92}},    {"DEPSC", {82, 90, 92}},
      {"DEPCN", {125, 137, 140}}, {"SNDG1", {125, 137, 140}}, {"SNDG2", {7, 7, 7}},
      {"DEPIT", {88, 175, 156}},  {"DEPVS", {97, 183, 255}},  {"DEPMS", {130, 202, 255}},
      {"DEPMD", {167, 218, 252}}, {"DEPDW", {201, 237, 252}}, {"NODTA", {163, 180, 183}},
  };
  for (const auto& [token, rgb] : day) {
    SCOPED_TRACE(token);
    EXPECT_EQ(tables().colour(token, ColourScheme::Day), rgb);
    // Night is darker for the water and lighter for black.
    const Rgb night = *tables().colour(token, ColourScheme::Night);
    EXPECT_NE(night, rgb);
  }
  EXPECT_FALSE(tables().colour("NOSUCH", ColourScheme::Day));
}

TEST(PresentationTables, RowsMatchTheirAttributeCombinations) {
  const PresentationTables t = PresentationTables::parse(R"t(
[table POINTS]
"BOYLAT","","SY(A)","5","O","STANDARD","1"
"BOYLAT","BOYSHP1","SY(B)","5","O","STANDARD","1"
"BOYLAT","BOYSHP1|COLOUR3,1","SY(C)","5","O","STANDARD","1"
"BOYLAT","BOYSHP2|COLOUR","SY(D)","5","O","STANDARD","1"
"BOYLAT","BOYSHP3|OBJNAM?","SY(E)","5","O","STANDARD","1"
"BOYLAT","NOSUCH1","SY(F)","5","O","STANDARD","1"
"NOSUCH","","SY(G)","5","O","STANDARD","1"
"BOYLAT","","SY(H)","10","O","STANDARD","1"
)t");
  EXPECT_EQ(t.errors().size(), 3u);  // an unknown attribute, class and priority
  const uint16_t boyshp = catalogue::attribute("BOYSHP")->code;
  const uint16_t colour = catalogue::attribute("COLOUR")->code;
  const uint16_t objnam = catalogue::attribute("OBJNAM")->code;
  const struct {
    std::vector<AttributeValue> attributes;
    const char* symbol;
  } cases[] = {
      {{}, "A"},
      {{{boyshp, "1"}}, "B"},
      {{{boyshp, "01"}, {colour, "3,1"}}, "C"},  // numbers compare as numbers
      {{{boyshp, "1"}, {colour, "1,3"}}, "B"},   // lists compare in order
      {{{boyshp, "2"}, {colour, "4"}}, "D"},
      {{{boyshp, "2"}}, "A"},
      {{{boyshp, "3"}}, "E"},
      {{{boyshp, "3"}, {objnam, "Nun"}}, "A"},
  };
  for (const auto& c : cases) {
    const LookupRow* row = t.match(Table::Points, classCode("BOYLAT"), c.attributes);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->instructions.front().args[0], c.symbol);
  }
  EXPECT_EQ(t.match(Table::Lines, classCode("BOYLAT"), {}), nullptr);
}

}  // namespace
}  // namespace abys::portrayal
