// Drawing instructions in the vocabulary of the ECDIS presentation library,
// as its look-up tables write them: "AC(DEPMS);LS(SOLD,1,DEPCN)". Parsed
// once, when the tables are compiled in or a rule expands; the painter only
// ever sees the parsed form. Qt-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace abys::portrayal {

enum class Op : uint8_t {
  AreaColour,     // AC(token[,transparency])
  AreaPattern,    // AP(pattern[,rotation])
  SimpleLine,     // LS(SOLD|DASH|DOTT,width,token)
  ComplexLine,    // LC(line style)
  Symbol,         // SY(symbol[,rotation: degrees or an attribute acronym])
                  // once portrayed, SY(symbol,degrees[,COLOUR,COLPAT]) for a
                  // symbol whose body takes the feature's colours
  Text,           // TX(attribute or 'literal',hjust,vjust,space,'chars',xoffs,yoffs,token,group)
  FormattedText,  // TE('format','attributes',hjust,vjust,space,'chars',xoffs,yoffs,token,group)
  Procedure,      // CS(name): a conditional procedure that expands into the others
  // SC(sectr1,sectr2,token,radius): a light's sector, its legs along the
  // two bearings (from seaward, degrees) and its arc of radius millimetres
  // in the light's colour. Written by the light procedure only.
  LightSector,
};

// One instruction: what it does and its arguments as written, quotes taken
// off a quoted argument.
// The part of a feature's geometry a line instruction follows.
enum class Along : uint8_t {
  Whole,
  SafetyContour,  // only the edges the safety contour runs along
};

struct Instruction {
  Op op = Op::AreaColour;
  std::vector<std::string> args;
  uint32_t quoted = 0;  // bit i set: args[i] was written in quotes
  // What a conditional procedure may add: a display priority of its own
  // (none: the feature's) and the part of the geometry a line follows.
  // Never written in the tables.
  int8_t priority = -1;
  Along along = Along::Whole;
  // Drawn after every other instruction of its priority and pass (an
  // isolated danger over the buoys and lights beside it).
  bool last = false;

  bool operator==(const Instruction&) const = default;
};

// The two letters that name op in the tables ("AC", "LS", ...).
std::string_view opName(Op op);

// Parses instructions separated by ';' (blanks around them ignored; an
// empty text is no instruction). None when the text does not parse: an
// unknown name, a missing parenthesis or quote, or a count of arguments
// the instruction does not take.
std::optional<std::vector<Instruction>> parseInstructions(std::string_view text);

// The instructions written back as the tables write them, quoted arguments
// in quotes again.
std::string formatInstructions(const std::vector<Instruction>& instructions);

}  // namespace abys::portrayal
