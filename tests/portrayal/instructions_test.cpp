// The instruction vocabulary of the look-up tables: what parses, into what,
// and what is refused.
#include "instructions.h"

#include <gtest/gtest.h>

namespace abys::portrayal {
namespace {

TEST(Instructions, ParseIntoOpsAndArgumentsAndWriteBackTheSame) {
  const struct {
    const char* text;
    std::vector<Instruction> parsed;
    const char* written;  // null: the text itself
  } cases[] = {
      {"AC(DEPMS);LS(SOLD,1,DEPCN)",
       {{Op::AreaColour, {"DEPMS"}, 0}, {Op::SimpleLine, {"SOLD", "1", "DEPCN"}, 0}},
       nullptr},
      {" AC( CHBRN , 3 ) ; AP(DIAMOND1) ",
       {{Op::AreaColour, {"CHBRN", "3"}, 0}, {Op::AreaPattern, {"DIAMOND1"}, 0}},
       "AC(CHBRN,3);AP(DIAMOND1)"},
      {"SY(BOYLAT13,ORIENT)", {{Op::Symbol, {"BOYLAT13", "ORIENT"}, 0}}, nullptr},
      {"LC(NAVARE51)", {{Op::ComplexLine, {"NAVARE51"}, 0}}, nullptr},
      {"CS(DEPARE02)", {{Op::Procedure, {"DEPARE02"}, 0}}, nullptr},
      // Quoted arguments keep their commas, parentheses and semicolons.
      {"TX(OBJNAM,1,2,2,'15110',0,0,CHBLK,26)",
       {{Op::Text, {"OBJNAM", "1", "2", "2", "15110", "0", "0", "CHBLK", "26"}, 1u << 4}},
       nullptr},
      {"TE('by %s (a;b)','OBJNAM,NOBJNM',3,1,2,'15110',1,0,CHBLK,21)",
       {{Op::FormattedText,
         {"by %s (a;b)", "OBJNAM,NOBJNM", "3", "1", "2", "15110", "1", "0", "CHBLK", "21"},
         (1u << 0) | (1u << 1) | (1u << 5)}},
       nullptr},
      {"", {}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = parseInstructions(c.text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, c.parsed);
    EXPECT_EQ(formatInstructions(*parsed), c.written != nullptr ? c.written : c.text);
  }
}

TEST(Instructions, RefuseWhatTheVocabularyDoesNotHold) {
  for (const char* text : {
           "XX(DEPMS)",                             // no such instruction
           "AC",                                    // no arguments at all
           "AC(DEPMS",                              // no closing parenthesis
           "AC()",                                  // too few arguments
           "AC(DEPMS,1,2)",                         // too many
           "LS(SOLD,1)",                            // too few
           "AC(DEPMS) LS(SOLD,1,DEPCN)",            // no separator
           "AC(DEPMS);;",                           // an empty instruction
           "TX(OBJNAM,1,2,2,'15110,0,0,CHBLK,26)",  // a quote left open
           "SY(A'B')",                              // a quote inside an argument
           "SY('A'B)",                              // text after a closing quote
       }) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(parseInstructions(text).has_value());
  }
}

}  // namespace
}  // namespace abys::portrayal
