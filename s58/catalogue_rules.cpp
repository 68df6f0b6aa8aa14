#include "catalogue_rules.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "catalogue.h"

namespace abys::s58 {
namespace {

// Classes and attributes an ENC does not use: the river and canal banks and
// lake shores of the inland charts, SQUARE, the meta objects whose content
// the DSPM record carries (M_HDAT, M_PROD, M_UNIT), C_STAC, the
// cartographic classes; the units and the recording attributes the DSPM and
// DSID carry, SCAMAX, and CATQUA, which CATZOC replaced.
constexpr std::string_view kProhibitedClasses[] = {"CANBNK", "LAKSHR", "RIVBNK", "SQUARE", "M_HDAT",
                                                   "M_PROD", "M_UNIT", "C_STAC", "$AREAS", "$LINES",
                                                   "$CSYMB", "$COMPS", "$TEXTS"};
constexpr std::string_view kProhibitedAttributes[] = {"DUNITS", "HUNITS", "RECDAT", "RECIND",
                                                      "SCAMAX", "PUNITS", "CATQUA"};

constexpr std::string_view kMandatoryClasses[] = {"M_COVR", "M_NSYS", "M_QUAL"};

// Code strings holding one code, date or year, where a comma can only join
// two values.
constexpr std::string_view kSingleCodeStrings[] = {
    "AGENCY", "CPDATE", "DATEND", "DATSTA", "NATION", "NMDATE", "PEREND", "PERSTA",
    "PRCTRY", "RECDAT", "RYRMGV", "SORDAT", "SUREND", "SURSTA", "TIMEND", "TIMSTA"};

// The mandatory attributes of the ENC's use of the object catalogue, class
// by class. "A|B" is an alternative: either attribute will do. Where the
// attribute is asked for only in some cases, the condition names the
// attribute that decides and its values:
// - COLPAT once COLOUR gives more than one colour;
// - a light's SIGGRP and SIGPER unless it is fixed (LITCHR 1), its ORIENT
//   when it is directional or a moire effect light (CATLIT 1, 16), each
//   sector limit when the other is given;
// - a fixed bridge's VERCLR (CATBRG 1), an opening bridge's VERCCL
//   (CATBRG 2 opening, 3 swing, 4 lifting, 5 bascule, 7 drawbridge);
// - VALSOU of an obstruction, rock or farm that is always under water or
//   whose water level is not given (WATLEV 3 or none);
// - an overhead cable's clearance as VERCLR or VERCSA.
// The IHO test cell of this check (AA400002) misses each of these once.
struct Row {
  std::string_view objectClass;
  std::string_view anyOf;  // acronyms joined by '|'
  Condition::Kind kind = Condition::Kind::Always;
  std::string_view deciding{};
  std::array<uint16_t, 6> values{};
};

using K = Condition::Kind;

const Row kMandatory[] = {
    {"ADMARE", "JRSDTN"},
    {"ARCSLN", "NATION"},
    {"ASLXIS", "NATION"},
    {"BCNCAR", "BCNSHP"},
    {"BCNCAR", "CATCAM"},
    {"BCNCAR", "COLOUR"},
    {"BCNCAR", "COLPAT", K::ManyValues, "COLOUR"},
    {"BCNISD", "BCNSHP"},
    {"BCNISD", "COLOUR"},
    {"BCNISD", "COLPAT", K::ManyValues, "COLOUR"},
    {"BCNLAT", "BCNSHP"},
    {"BCNLAT", "CATLAM"},
    {"BCNLAT", "COLOUR"},
    {"BCNLAT", "COLPAT", K::ManyValues, "COLOUR"},
    {"BCNSAW", "BCNSHP"},
    {"BCNSAW", "COLOUR"},
    {"BCNSAW", "COLPAT", K::ManyValues, "COLOUR"},
    {"BCNSPP", "BCNSHP"},
    {"BCNSPP", "CATSPM"},
    {"BCNSPP", "COLOUR"},
    {"BCNSPP", "COLPAT", K::ManyValues, "COLOUR"},
    {"BERTHS", "OBJNAM"},
    {"BOYCAR", "BOYSHP"},
    {"BOYCAR", "CATCAM"},
    {"BOYCAR", "COLOUR"},
    {"BOYCAR", "COLPAT", K::ManyValues, "COLOUR"},
    {"BOYINB", "BOYSHP"},
    {"BOYINB", "COLOUR"},
    {"BOYINB", "COLPAT", K::ManyValues, "COLOUR"},
    {"BOYISD", "BOYSHP"},
    {"BOYISD", "COLOUR"},
    {"BOYISD", "COLPAT", K::ManyValues, "COLOUR"},
    {"BOYLAT", "BOYSHP"},
    {"BOYLAT", "CATLAM"},
    {"BOYLAT", "COLOUR"},
    {"BOYLAT", "COLPAT", K::ManyValues, "COLOUR"},
    {"BOYSAW", "BOYSHP"},
    {"BOYSAW", "COLOUR"},
    {"BOYSAW", "COLPAT", K::ManyValues, "COLOUR"},
    {"BOYSPP", "BOYSHP"},
    {"BOYSPP", "CATSPM"},
    {"BOYSPP", "COLOUR"},
    {"BOYSPP", "COLPAT", K::ManyValues, "COLOUR"},
    {"BRIDGE", "CATBRG"},
    {"BRIDGE", "VERCLR", K::HasValue, "CATBRG", {1}},
    {"BRIDGE", "VERCCL", K::HasValue, "CATBRG", {2, 3, 4, 5, 7}},
    {"CBLOHD", "VERCLR|VERCSA"},
    {"CONVYR", "VERCLR"},
    {"CONZNE", "NATION"},
    {"COSARE", "NATION"},
    {"CTNARE", "INFORM|TXTDSC"},
    {"CURENT", "CURVEL"},
    {"CURENT", "ORIENT"},
    {"CUSZNE", "NATION"},
    {"DAYMAR", "COLOUR"},
    {"DAYMAR", "TOPSHP"},
    {"DAYMAR", "COLPAT", K::ManyValues, "COLOUR"},
    {"DEPARE", "DRVAL1"},
    {"DEPARE", "DRVAL2"},
    {"DEPCNT", "VALDCO"},
    {"DRGARE", "DRVAL1"},
    {"DWRTCL", "CATTRK"},
    {"DWRTCL", "ORIENT"},
    {"DWRTCL", "TRAFIC"},
    {"DWRTPT", "DRVAL1"},
    {"DWRTPT", "ORIENT"},
    {"DWRTPT", "TRAFIC"},
    {"EXEZNE", "NATION"},
    {"FERYRT", "CATFRY"},
    {"FOGSIG", "CATFOG"},
    {"FSHZNE", "NATION"},
    {"GATCON", "HORCLR"},
    {"HRBFAC", "CATHAF"},
    {"ICEARE", "CATICE"},
    {"LIGHTS", "COLOUR"},
    {"LIGHTS", "LITCHR"},
    {"LIGHTS", "SIGGRP", K::LacksValue, "LITCHR", {1}},
    {"LIGHTS", "SIGPER", K::LacksValue, "LITCHR", {1}},
    {"LIGHTS", "ORIENT", K::HasValue, "CATLIT", {1, 16}},
    {"LIGHTS", "SECTR1", K::Present, "SECTR2"},
    {"LIGHTS", "SECTR2", K::Present, "SECTR1"},
    {"LITFLT", "COLOUR"},
    {"LITVES", "COLOUR"},
    {"LNDELV", "ELEVAT"},
    {"LNDMRK", "CATLMK"},
    {"LNDMRK", "CONVIS"},
    {"LNDRGN", "CATLND|OBJNAM"},
    {"LOCMAG", "VALLMA"},
    {"MAGVAR", "RYRMGV"},
    {"MAGVAR", "VALACM"},
    {"MAGVAR", "VALMAG"},
    {"MARCUL", "WATLEV"},
    {"MARCUL", "VALSOU", K::LacksValue, "WATLEV", {1, 2, 4, 5, 6, 7}},
    {"MORFAC", "CATMOR"},
    {"NAVLNE", "CATNAV"},
    {"NAVLNE", "ORIENT"},
    {"NEWOBJ", "CLSDEF"},
    {"NEWOBJ", "CLSNAM"},
    {"OBSTRN", "WATLEV"},
    {"OBSTRN", "VALSOU", K::LacksValue, "WATLEV", {1, 2, 4, 5, 6, 7}},
    {"PIPOHD", "VERCLR"},
    {"PRCARE", "INFORM|TXTDSC"},
    {"PRDARE", "CATPRA"},
    {"PYLONS", "CATPYL"},
    {"RADLNE", "ORIENT"},
    {"RCRTCL", "CATTRK"},
    {"RCTLPT", "ORIENT"},
    {"RDOCAL", "ORIENT"},
    {"RDOCAL", "TRAFIC"},
    {"RECTRC", "CATTRK"},
    {"RECTRC", "ORIENT"},
    {"RECTRC", "TRAFIC"},
    {"RESARE", "CATREA|RESTRN"},
    {"RTPBCN", "CATRTB"},
    {"SBDARE", "NATSUR|NATQUA"},
    {"SEAARE", "CATSEA|OBJNAM"},
    {"SISTAT", "CATSIT"},
    {"SISTAW", "CATSIW"},
    {"SMCFAC", "CATSCF"},
    {"STSLNE", "NATION"},
    {"SWPARE", "DRVAL1"},
    {"TESARE", "NATION"},
    {"TOPMAR", "TOPSHP"},
    {"TSSLPT", "ORIENT"},
    {"TS_FEB", "CAT_TS"},
    {"TS_FEB", "CURVEL"},
    {"TS_FEB", "ORIENT"},
    {"TS_PAD", "TS_TSP"},
    {"TS_PNH", "T_MTOD"},
    {"TS_PNH", "T_THDF"},
    {"TS_PRH", "T_MTOD"},
    {"TS_PRH", "T_VAHC"},
    {"TS_TIS", "TIMEND"},
    {"TS_TIS", "TIMSTA"},
    {"TS_TIS", "TS_TSV"},
    {"TS_TIS", "T_TINT"},
    {"TWRTPT", "ORIENT"},
    {"TWRTPT", "TRAFIC"},
    {"T_HMON", "T_MTOD"},
    {"T_HMON", "T_VAHC"},
    {"T_NHMN", "T_MTOD"},
    {"T_NHMN", "T_THDF"},
    {"T_TIMS", "TIMEND"},
    {"T_TIMS", "TIMSTA"},
    {"T_TIMS", "T_HWLW"},
    {"UWTROC", "WATLEV"},
    {"UWTROC", "VALSOU", K::LacksValue, "WATLEV", {1, 2, 4, 5, 6, 7}},
    {"VEGATN", "CATVEG"},
    {"WATTUR", "CATWAT"},
    {"WRECKS", "WATLEV"},
    {"WRECKS", "CATWRK|VALSOU"},
    {"M_ACCY", "HORACC|POSACC|SOUACC|VERACC"},
    {"M_COVR", "CATCOV"},
    {"M_CSCL", "CSCALE"},
    {"M_HOPA", "HORDAT"},
    {"M_HOPA", "SHIPAM"},
    {"M_NSYS", "MARSYS|ORIENT"},
    {"M_QUAL", "CATZOC"},
    {"M_SDAT", "VERDAT"},
    {"M_VDAT", "VERDAT"},
};

// The 12 encodings of a virtual aid to navigation, the one use of NEWOBJ.
constexpr NewObjectEncoding kNewObjects[] = {
    {"A Virtual object which indicates navigable water lies northwards",
     "Virtual AtoN, North Cardinal",
     "SY(BRTHNO01);SY(BCNCAR01);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object which indicates navigable water lies eastwards",
     "Virtual AtoN, East Cardinal",
     "SY(BRTHNO01);SY(BCNCAR02);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object which indicates navigable water lies southwards",
     "Virtual AtoN, South Cardinal",
     "SY(BRTHNO01);SY(BCNCAR03);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object which indicates navigable water lies westwards",
     "Virtual AtoN, West Cardinal",
     "SY(BRTHNO01);SY(BCNCAR04);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object marking the port side of a channel", "Virtual AtoN, Port Lateral",
     "SY(BRTHNO01);SY(BOYLAT24);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object marking the starboard side of a channel", "Virtual AtoN, Starboard Lateral",
     "SY(BRTHNO01);SY(BOYLAT13);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object marking the port side of a channel", "Virtual AtoN, Port Lateral",
     "SY(BRTHNO01);SY(BOYLAT23);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object marking the starboard side of a channel", "Virtual AtoN, Starboard Lateral",
     "SY(BRTHNO01);SY(BOYLAT14);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object marking an isolated danger", "Virtual AtoN, Isolated Danger",
     "SY(BRTHNO01);SY(BCNISD21);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object marking safe water", "Virtual AtoN, Safe Water",
     "SY(BRTHNO01);SY(BOYSAW12);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object used to mark an area or feature referred to in nautical documents",
     "Virtual AtoN, Special Purpose",
     "SY(BRTHNO01);SY(BOYSPP11);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
    {"A Virtual object marking a wreck", "Virtual AtoN, Wreck Marking",
     "SY(BRTHNO01);SY(BOYSPP11);"
     "TX('V-AIS',3,2,2,'15110',2,0,CHMGD,11)"},
};

uint16_t attributeCode(std::string_view acronym) {
  const catalogue::Attribute* a = catalogue::attribute(acronym);
  return a != nullptr ? a->code : 0;
}

uint16_t classCode(std::string_view acronym) {
  const catalogue::ObjectClass* c = catalogue::objectClass(acronym);
  return c != nullptr ? c->code : 0;
}

template <size_t N>
std::vector<uint16_t> sortedCodes(const std::string_view (&acronyms)[N],
                                  uint16_t (*code)(std::string_view)) {
  std::vector<uint16_t> codes;
  for (std::string_view a : acronyms)
    codes.push_back(code(a));
  std::sort(codes.begin(), codes.end());
  return codes;
}

// The acronyms of "A|B|C", in order.
std::vector<std::string_view> alternatives(std::string_view anyOf) {
  std::vector<std::string_view> parts;
  for (size_t start = 0; start <= anyOf.size();) {
    const size_t end = std::min(anyOf.find('|', start), anyOf.size());
    parts.push_back(anyOf.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool holds(const std::vector<uint16_t>& sorted, uint16_t code) {
  return code != 0 && std::binary_search(sorted.begin(), sorted.end(), code);
}

std::unordered_map<uint16_t, std::vector<MandatoryAttribute>> resolveMandatory() {
  std::unordered_map<uint16_t, std::vector<MandatoryAttribute>> byClass;
  for (const Row& row : kMandatory) {
    MandatoryAttribute m;
    const std::vector<std::string_view> anyOf = alternatives(row.anyOf);
    for (size_t i = 0; i < std::min(anyOf.size(), m.anyOf.size()); ++i)
      m.anyOf[i] = attributeCode(anyOf[i]);
    m.when.kind = row.kind;
    if (!row.deciding.empty()) m.when.attribute = attributeCode(row.deciding);
    m.when.values = row.values;
    byClass[classCode(row.objectClass)].push_back(m);
  }
  return byClass;
}

}  // namespace

bool prohibitedClass(uint16_t objl) {
  static const std::vector<uint16_t> codes = sortedCodes(kProhibitedClasses, classCode);
  return holds(codes, objl);
}

bool prohibitedAttribute(uint16_t attl) {
  static const std::vector<uint16_t> codes = sortedCodes(kProhibitedAttributes, attributeCode);
  return holds(codes, attl);
}

bool singleCodeString(uint16_t attl) {
  static const std::vector<uint16_t> codes = sortedCodes(kSingleCodeStrings, attributeCode);
  return holds(codes, attl);
}

std::span<const MandatoryAttribute> mandatoryAttributes(uint16_t objl) {
  static const auto byClass = resolveMandatory();
  const auto found = byClass.find(objl);
  if (found == byClass.end()) return {};
  return found->second;
}

std::span<const uint16_t> mandatoryClasses() {
  static const std::vector<uint16_t> codes = [] {
    std::vector<uint16_t> c;
    for (std::string_view a : kMandatoryClasses)
      c.push_back(classCode(a));
    return c;
  }();
  return codes;
}

std::span<const NewObjectEncoding> newObjectEncodings() {
  return kNewObjects;
}

std::vector<std::string_view> unknownAcronyms() {
  std::vector<std::string_view> unknown;
  auto attributes = [&](std::string_view anyOf) {
    for (std::string_view a : alternatives(anyOf))
      if (attributeCode(a) == 0) unknown.push_back(a);
  };
  for (const Row& row : kMandatory) {
    if (classCode(row.objectClass) == 0) unknown.push_back(row.objectClass);
    attributes(row.anyOf);
    if (!row.deciding.empty()) attributes(row.deciding);
  }
  for (std::string_view a : kProhibitedClasses)
    if (classCode(a) == 0) unknown.push_back(a);
  for (std::string_view a : kMandatoryClasses)
    if (classCode(a) == 0) unknown.push_back(a);
  for (std::string_view a : kProhibitedAttributes)
    if (attributeCode(a) == 0) unknown.push_back(a);
  for (std::string_view a : kSingleCodeStrings)
    if (attributeCode(a) == 0) unknown.push_back(a);
  return unknown;
}

}  // namespace abys::s58
