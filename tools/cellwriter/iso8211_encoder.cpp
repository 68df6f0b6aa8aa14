// The ISO/IEC 8211 layer of the cell writer: subfield encodings, record
// leaders and directories, and the data descriptive record of S-57.
#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "cell_writer.h"

namespace abys::cellwriter {

namespace {

void appendLittleEndian(std::string& out, uint32_t value, int size) {
  for (int i = 0; i < size; ++i)
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

int digitsOf(size_t value) {
  int digits = 1;
  while (value >= 10) {
    value /= 10;
    ++digits;
  }
  return digits;
}

// Zero-padded decimal of exactly width digits.
std::string decimal(size_t value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) > width) {
    throw std::invalid_argument("value " + text + " does not fit " + std::to_string(width) +
                                " digits");
  }
  return std::string(static_cast<size_t>(width) - text.size(), '0') + text;
}

int checkedSize(int requested, size_t largest, const char* what) {
  if (requested < 0 || requested > 9) {
    throw std::invalid_argument(std::string(what) + " size must be 0-9, got " +
                                std::to_string(requested));
  }
  return requested == 0 ? digitsOf(largest) : requested;
}

// The leader bytes that differ between the DDR and data records.
struct LeaderStyle {
  const char* afterLength;   // positions 5-11
  const char* afterAddress;  // positions 17-19
};

constexpr LeaderStyle kDdrLeader{"3LE1 09", " ! "};
constexpr LeaderStyle kDataLeader{" D     ", "   "};

// Leader, directory and field area of one record. A record too long for the
// leader's five digits is refused, or with longRecord given the length 0.
std::string encodeWithLeader(const std::vector<Field>& fields, const LeaderStyle& style,
                             int lengthSize, int positionSize, bool longRecord = false) {
  size_t largestLength = 0;
  size_t lastPosition = 0;
  size_t areaSize = 0;
  for (const Field& field : fields) {
    if (field.tag.size() != 4) {
      throw std::invalid_argument("field tag \"" + field.tag + "\" is not four characters");
    }
    const size_t length = field.data.size() + field.terminator.size();
    largestLength = std::max(largestLength, length);
    lastPosition = areaSize;
    areaSize += length;
  }
  lengthSize = checkedSize(lengthSize, largestLength, "field length");
  positionSize = checkedSize(positionSize, lastPosition, "field position");

  const size_t entrySize = static_cast<size_t>(4 + lengthSize + positionSize);
  const size_t base = kLeaderSize + fields.size() * entrySize + 1;
  const size_t total = base + areaSize;
  const bool tooLong = total > static_cast<size_t>(kMaxRecordLength);
  if (tooLong && !longRecord) {
    throw std::length_error("record of " + std::to_string(total) + " bytes exceeds " +
                            std::to_string(kMaxRecordLength));
  }

  std::string out;
  out.reserve(total);
  out += decimal(tooLong ? 0 : total, 5);
  out += style.afterLength;
  out += decimal(base, 5);
  out += style.afterAddress;
  out += static_cast<char>('0' + lengthSize);
  out += static_cast<char>('0' + positionSize);
  out += "04";

  size_t position = 0;
  for (const Field& field : fields) {
    const size_t length = field.data.size() + field.terminator.size();
    out += field.tag;
    out += decimal(length, lengthSize);
    out += decimal(position, positionSize);
    position += length;
  }
  out += kFieldTerminator;
  for (const Field& field : fields) {
    out += field.data;
    out += field.terminator;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Field descriptions.

enum class Escape { none, attribute, national };

struct Description {
  const char* tag;
  const char* parent;    // in the field tree of the "0000" field; null at the root
  const char* controls;  // data structure code, data type code, "00;&"
  Escape escape;
  const char* name;
  const char* arrayDescriptor;
  const char* formats;
};

// In the order of the field tree, which is also the order fields take within
// the records.
constexpr std::array<Description, 19> kDescriptions{{
    {"0001", nullptr, "0500;&", Escape::none, "ISO 8211 Record Identifier", "", "(b12)"},
    {"DSID", "0001", "1600;&", Escape::none, "Data set identification field",
     "RCNM!RCID!EXPP!INTU!DSNM!EDTN!UPDN!UADT!ISDT!STED!PRSP!PSDN!PRED!PROF!AGEN!COMT",
     "(b11,b14,2b11,3A,2A(8),R(4),b11,2A,b11,b12,A)"},
    {"DSSI", "DSID", "1600;&", Escape::none, "Data set structure information field",
     "DSTR!AALL!NALL!NOMR!NOCR!NOGR!NOLR!NOIN!NOCN!NOED!NOFA", "(3b11,8b14)"},
    {"DSPM", "0001", "1600;&", Escape::none, "Data set parameter field",
     "RCNM!RCID!HDAT!VDAT!SDAT!CSCL!DUNI!HUNI!PUNI!COUN!COMF!SOMF!COMT",
     "(b11,b14,3b11,b14,4b11,2b14,A)"},
    {"VRID", "0001", "1600;&", Escape::none, "Vector record identifier field",
     "RCNM!RCID!RVER!RUIN", "(b11,b14,b12,b11)"},
    {"ATTV", "VRID", "2600;&", Escape::attribute, "Vector record attribute field", "*ATTL!ATVL",
     "(b12,A)"},
    {"VRPC", "VRID", "1600;&", Escape::none, "Vector record pointer control field",
     "VPUI!VPIX!NVPT", "(b11,2b12)"},
    {"VRPT", "VRID", "2600;&", Escape::none, "Vector record pointer field",
     "*NAME!ORNT!USAG!TOPI!MASK", "(B(40),4b11)"},
    {"SGCC", "VRID", "1600;&", Escape::none, "Coordinate control field", "CCUI!CCIX!CCNC",
     "(b11,2b12)"},
    {"SG2D", "VRID", "2500;&", Escape::none, "2-D coordinate field", "*YCOO!XCOO", "(2b24)"},
    {"SG3D", "VRID", "2500;&", Escape::none, "3-D coordinate (sounding array) field",
     "*YCOO!XCOO!VE3D", "(3b24)"},
    {"FRID", "0001", "1600;&", Escape::none, "Feature record identifier field",
     "RCNM!RCID!PRIM!GRUP!OBJL!RVER!RUIN", "(b11,b14,2b11,2b12,b11)"},
    {"FOID", "FRID", "1600;&", Escape::none, "Feature object identifier field", "AGEN!FIDN!FIDS",
     "(b12,b14,b12)"},
    {"ATTF", "FRID", "2600;&", Escape::attribute, "Feature record attribute field", "*ATTL!ATVL",
     "(b12,A)"},
    {"NATF", "FRID", "2600;&", Escape::national, "Feature record national attribute field",
     "*ATTL!ATVL", "(b12,A)"},
    {"FFPC", "FRID", "1600;&", Escape::none,
     "Feature record to feature object pointer control field", "FFUI!FFIX!NFPT", "(b11,2b12)"},
    {"FFPT", "FRID", "2600;&", Escape::none, "Feature record to feature object pointer field",
     "*LNAM!RIND!COMT", "(B(64),b11,A)"},
    {"FSPC", "FRID", "1600;&", Escape::none,
     "Feature record to spatial record pointer control field", "FSUI!FSIX!NSPT", "(b11,2b12)"},
    {"FSPT", "FRID", "2600;&", Escape::none, "Feature record to spatial record pointer field",
     "*NAME!ORNT!USAG!MASK", "(B(40),3b11)"},
}};

// The truncated escape sequence naming the character set of a lexical level.
const char* escapeFor(int level) {
  switch (level) {
    case 0:
      return "   ";
    case 1:
      return "-A ";
    case 2:
      return "%/A";
    default:
      return "   ";
  }
}

std::string describe(const Description& d, const EncodeOptions& options) {
  std::string out = d.controls;
  switch (d.escape) {
    case Escape::attribute:
      out += escapeFor(options.attributeLevel);
      break;
    case Escape::national:
      out += escapeFor(options.nationalLevel);
      break;
    case Escape::none:
      out += "   ";
      break;
  }
  out += d.name;
  out += kUnitTerminator;
  out += d.arrayDescriptor;
  out += kUnitTerminator;
  out += d.formats;
  return out;
}

// A tag S-57 does not define: an elementary text field named by its tag.
std::string describeUnknown(const std::string& tag) {
  return "0000;&   " + tag;
}

const Description* findDescription(const std::string& tag) {
  for (const Description& d : kDescriptions) {
    if (tag == d.tag) return &d;
  }
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------

FieldBuilder& FieldBuilder::b11(uint8_t value) {
  appendLittleEndian(data_, value, 1);
  return *this;
}

FieldBuilder& FieldBuilder::b12(uint16_t value) {
  appendLittleEndian(data_, value, 2);
  return *this;
}

FieldBuilder& FieldBuilder::b14(uint32_t value) {
  appendLittleEndian(data_, value, 4);
  return *this;
}

FieldBuilder& FieldBuilder::b24(int32_t value) {
  appendLittleEndian(data_, static_cast<uint32_t>(value), 4);
  return *this;
}

FieldBuilder& FieldBuilder::text(std::string_view text) {
  data_ += text;
  data_ += kUnitTerminator;
  return *this;
}

FieldBuilder& FieldBuilder::fixed(std::string_view text, size_t size) {
  const std::string_view kept = text.substr(0, size);
  data_ += kept;
  data_.append(size - kept.size(), ' ');
  return *this;
}

FieldBuilder& FieldBuilder::wideText(std::u16string_view text) {
  for (char16_t unit : text)
    appendLittleEndian(data_, unit, 2);
  data_ += kUnitTerminator;
  data_ += '\0';
  return *this;
}

FieldBuilder& FieldBuilder::bytes(std::string_view raw) {
  data_ += raw;
  return *this;
}

Field recordIdField(uint16_t number) {
  return {"0001", FieldBuilder().b12(number).data()};
}

std::string encodeRecord(const Record& record, int lengthSize, int positionSize, bool longRecord) {
  return encodeWithLeader(record.fields, kDataLeader, lengthSize, positionSize, longRecord);
}

std::string encodeDdr(const std::vector<Record>& records, const EncodeOptions& options) {
  std::vector<std::string> used;
  for (const Record& record : records) {
    for (const Field& field : record.fields) {
      if (std::find(used.begin(), used.end(), field.tag) == used.end()) used.push_back(field.tag);
    }
  }
  auto isUsed = [&](const char* tag) {
    return options.allDescriptions || std::find(used.begin(), used.end(), tag) != used.end();
  };

  std::vector<Field> fields;
  std::string tree;
  for (const Description& d : kDescriptions) {
    if (!isUsed(d.tag)) continue;
    if (d.parent != nullptr && isUsed(d.parent)) tree += std::string(d.parent) + d.tag;
    fields.push_back({d.tag, describe(d, options)});
  }
  for (const std::string& tag : used) {
    if (findDescription(tag) == nullptr) fields.push_back({tag, describeUnknown(tag)});
  }
  // The file control field: no title, then the parent-child pairs of the tree.
  fields.insert(fields.begin(),
                Field{"0000", "0000;&   " + std::string(1, kUnitTerminator) + tree});
  return encodeWithLeader(fields, kDdrLeader, options.ddrLengthSize, options.ddrPositionSize);
}

std::string encodeDescriptiveRecord(const std::vector<Field>& fields) {
  return encodeWithLeader(fields, kDdrLeader, 0, 0);
}

std::string encodeFile(const std::vector<Record>& records, const EncodeOptions& options) {
  std::string out;
  if (options.withDdr) out = encodeDdr(records, options);
  for (const Record& record : records) {
    out += encodeRecord(record, options.lengthSize, options.positionSize, options.longRecords);
  }
  return out;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

}  // namespace abys::cellwriter
