// The S-58 checks of subfield values, field order and ISO 8211 structure, update-file structure.
//
// The loader stops at the first unknown tag or field out of order and zeroes
// the subfields after a failed value check, so these checks read the files
// again: a scan of the base cell and of each update file beside it keeps, per
// record, its fields in order with their raw bytes, and per file its field
// descriptions and identification. The checks judge the raw values.
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "catalogue.h"
#include "context.h"
#include "field_stream.h"
#include "field_types.h"
#include "record_reader.h"
#include "update_files.h"

namespace abys::s58 {
namespace {

// 36a runs too but is not listed: AA500006's report names its deleted
// isolated node 30 as edge 30, which the file leaves alone.
constexpr std::string_view kChecks[] = {"4",    "23",   "9a",   "9b",   "9c",   "10c",   "20a",
                                        "26a",  "27",   "36a",  "36b",  "38",   "88a",   "88b",
                                        "88c",  "518a", "518b", "533",  "534",  "536",   "540a",
                                        "540b", "555",  "1006", "1008", "1010", "1021a", "1522b"};

constexpr uint8_t kRcnmDsid = 10;
constexpr uint8_t kRcnmDspm = 20;
constexpr uint8_t kInsert = 1;
constexpr uint8_t kDelete = 2;
constexpr uint8_t kModify = 3;

// ---------------------------------------------------------------------------
// The scan.

struct ScannedField {
  int type = kUnknownField;
  std::string tag;
  std::string_view data;  // the field's bytes, terminator dropped, in its file's bytes
  bool outOfOrder = false;
};

struct ScannedRecord {
  std::span<const ScannedField> fields;  // "0001" included, the end marker not

  const ScannedField* find(int type) const {
    for (const ScannedField& f : fields) {
      if (f.type == type) return &f;
    }
    return nullptr;
  }
  int count(int type) const {
    return static_cast<int>(std::count_if(fields.begin(), fields.end(),
                                          [&](const ScannedField& f) { return f.type == type; }));
  }
};

struct ScannedFile {
  int number = 0;  // the extension: 0 for the base, 1 for NAME.001 ...
  bool opened = false;
  std::map<std::string, std::string> descriptions;  // tag -> its description in the DDR
  std::vector<ScannedRecord> records;
  // What records and fields view: every field of the file, one record after
  // another, and the bytes of their data. Moving the file keeps both.
  std::vector<ScannedField> fields;
  std::vector<char> bytes;
  // From the first DSID and DSSI.
  bool hasDsid = false;
  bool hasDssi = false;
  std::string edtn, updn, uadt, psdn;
  uint16_t agen = 0;
  uint8_t aall = 0;
  uint8_t nall = 0;
};

uint8_t byteAt(std::string_view data, size_t at) {
  return at < data.size() ? static_cast<uint8_t>(data[at]) : 0;
}
uint16_t u16At(std::string_view data, size_t at) {
  return static_cast<uint16_t>(byteAt(data, at) | byteAt(data, at + 1) << 8);
}
uint32_t u32At(std::string_view data, size_t at) {
  return static_cast<uint32_t>(u16At(data, at)) | static_cast<uint32_t>(u16At(data, at + 2)) << 16;
}

// The field descriptions of the file's descriptive record.
void readDescriptions(const std::string& path, ScannedFile& file) {
  DdfReader reader;
  std::FILE* handle = ddfOpen(reader, path.c_str(), "rb");
  if (handle == nullptr) return;
  reader.skipFirst = false;
  DdfField field;
  for (;;) {
    const int length = ddfNextField(reader, handle, field);
    if (length <= 0) break;
    const std::string tag(field.tag, static_cast<size_t>(std::min(field.tagLength, kTagSize)));
    if (tag == "****") break;  // the end of the descriptive record
    if (field.data != nullptr)
      file.descriptions.emplace(tag,
                                std::string(field.data, static_cast<size_t>(field.dataLength)));
  }
  std::fclose(handle);
}

// Text subfields of a DSID, read from its bytes: DSNM, EDTN, UPDN, then
// UADT (8 characters) after them, and PSDN after ISDT, STED and PRSP.
void readIdentification(std::string_view data, ScannedFile& file) {
  size_t at = 7;  // RCNM, RCID, EXPP, INTU
  auto text = [&] {
    const size_t end = std::min(data.find('\x1f', at), data.size());
    std::string value(data.substr(std::min(at, data.size()), end - std::min(at, data.size())));
    at = end + 1;
    return value;
  };
  text();  // DSNM
  file.edtn = text();
  file.updn = text();
  file.uadt = at < data.size() ? std::string(data.substr(at, 8)) : "";
  at += 8 + 8 + 4 + 1;  // UADT, ISDT, STED, PRSP
  file.psdn = text();
  text();   // PRED
  at += 1;  // PROF
  file.agen = u16At(data, at);
}

// Where successions of fields are judged, as the loader's tables do, without
// its message.
bool mayFollow(int previous, int current, int exchangePurpose) {
  const OrderTable& table =
      exchangePurpose == 0 || exchangePurpose == 1 ? newDatasetOrder : revisionOrder;
  if (previous < 0 || previous >= kFieldTypeCount || current < 0 || current >= kFieldTypeCount)
    return false;
  return table[static_cast<size_t>(previous)][static_cast<size_t>(current)] == 0;
}

// Reads every record of the file as far as its records can be cut up: an
// unknown tag or a field out of order is kept and reading goes on.
ScannedFile scanFile(const std::string& path, int number) {
  ScannedFile file;
  file.number = number;
  FieldStream stream;
  if (!stream.open(path.c_str())) return file;
  file.opened = true;
  readDescriptions(path, file);
  // Fields and bytes are gathered first, with offsets for the data, and
  // viewed once the file is read: no allocation per field or record.
  std::vector<std::pair<size_t, size_t>> records;  // first field and count
  std::vector<std::pair<size_t, size_t>> data;     // offset in bytes and size, per field
  // Room for the whole file at once: growing a few megabytes step by step
  // cost more in copies and fresh pages than the scan itself.
  std::error_code error;
  const auto fileSize = std::filesystem::file_size(path, error);
  if (!error && fileSize < (size_t{1} << 32)) {
    const size_t bytes = static_cast<size_t>(fileSize);
    file.bytes.reserve(bytes);
    file.fields.reserve(bytes / 24);
    data.reserve(bytes / 24);
    records.reserve(bytes / 96);
  }
  size_t recordStart = 0;
  int previous = kFieldEndOfRecord;
  auto endRecord = [&] {
    if (file.fields.size() > recordStart)
      records.push_back({recordStart, file.fields.size() - recordStart});
    recordStart = file.fields.size();
  };
  for (;;) {
    const int length = stream.next();
    if (length <= 0) break;
    const int type = stream.type();
    if (type == kFieldEndOfRecord) {
      endRecord();
      previous = kFieldEndOfRecord;
      continue;
    }
    // A header whose length the field does not hold: nothing to read there.
    if (stream.checkCode() != 0 && stream.checkCode() != 3) continue;
    ScannedField& field = file.fields.emplace_back();
    field.type = type;
    field.tag.assign(stream.taggedField(), 4);
    const size_t size = static_cast<size_t>(
        std::max(std::min(stream.dataLength(), length - kTaggedFieldHeaderSize), 0));
    data.push_back({file.bytes.size(), size});
    file.bytes.insert(file.bytes.end(), stream.data(), stream.data() + size);
    if (type != kUnknownField) {
      // A field given again right after itself is a repetition, judged as such.
      field.outOfOrder = type != previous && !mayFollow(previous, type, stream.exchangePurpose());
      previous = type;
      const std::string_view bytes(stream.data(), size);
      if (type == kFieldDSID || type == kFieldDSSI) {
        stream.decode();  // keeps the exchange purpose and lexical level
      }
      if (type == kFieldDSID && !file.hasDsid) {
        file.hasDsid = true;
        readIdentification(bytes, file);
      } else if (type == kFieldDSSI && !file.hasDssi) {
        file.hasDssi = true;
        file.aall = byteAt(bytes, 1);
        file.nall = byteAt(bytes, 2);
      }
    }
  }
  endRecord();
  for (size_t i = 0; i < file.fields.size(); ++i)
    file.fields[i].data = {file.bytes.data() + data[i].first, data[i].second};
  file.records.reserve(records.size());
  for (const auto& [first, count] : records)
    file.records.push_back({{file.fields.data() + first, count}});
  return file;
}

// The base and its update files, in order.
std::vector<ScannedFile> scanCell(const std::string& basePath) {
  std::vector<ScannedFile> files;
  if (basePath.empty()) return files;
  files.push_back(scanFile(basePath, 0));
  for (const std::string& path : updateFilesBeside(basePath)) {
    int number = 0;
    const std::string extension = path.substr(path.size() - 3);
    std::from_chars(extension.data(), extension.data() + extension.size(), number);
    files.push_back(scanFile(path, number));
  }
  return files;
}

// ---------------------------------------------------------------------------
// Records as the checks see them.

struct Frid {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint8_t prim = 0;
  uint8_t grup = 0;
  uint16_t objl = 0;
  uint8_t ruin = 0;
};

Frid fridOf(const ScannedField& f) {
  return {byteAt(f.data, 0), u32At(f.data, 1), byteAt(f.data, 5),
          byteAt(f.data, 6), u16At(f.data, 7), byteAt(f.data, 11)};
}

struct Foid {
  uint16_t agen = 0;
  uint32_t fidn = 0;
  uint16_t fids = 0;
  bool operator==(const Foid&) const = default;
};

Foid foidOf(const ScannedField& f) {
  return {u16At(f.data, 0), u32At(f.data, 2), u16At(f.data, 6)};
}

// The record's name from its FRID or VRID, or none.
std::optional<RecordKey> nameOf(const ScannedRecord& record) {
  if (const ScannedField* f = record.find(kFieldFRID))
    return RecordKey{byteAt(f->data, 0), u32At(f->data, 1)};
  if (const ScannedField* f = record.find(kFieldVRID))
    return RecordKey{byteAt(f->data, 0), u32At(f->data, 1)};
  return std::nullopt;
}

std::vector<RecordKey> namesOf(const ScannedRecord& record) {
  std::vector<RecordKey> names;
  if (std::optional<RecordKey> name = nameOf(record)) names.push_back(*name);
  return names;
}

uint8_t ruinOf(const ScannedRecord& record) {
  if (const ScannedField* f = record.find(kFieldFRID)) return byteAt(f->data, 11);
  if (const ScannedField* f = record.find(kFieldVRID)) return byteAt(f->data, 7);
  return 0;
}

bool isVectorRcnm(uint8_t rcnm) {
  return rcnm == kRcnmIsolatedNode || rcnm == kRcnmConnectedNode || rcnm == kRcnmEdge ||
         rcnm == kRcnmFace;
}

// Each element of a repeating field of fixed-size elements.
template <typename Visit>
void eachElement(const ScannedField& field, size_t size, Visit visit) {
  for (size_t at = 0; at + size <= field.data.size(); at += size)
    visit(at);
}

constexpr size_t kFsptSize = 8;
constexpr size_t kVrptSize = 9;

// ---------------------------------------------------------------------------
// Subfield values.

// 4: the record names of identification, feature, vector and pointer fields.
void recordNames(Context& context, const ScannedFile& file) {
  for (const ScannedRecord& record : file.records) {
    for (const ScannedField& field : record.fields) {
      const uint8_t rcnm = byteAt(field.data, 0);
      switch (field.type) {
        case kFieldDSID:
          if (rcnm != kRcnmDsid) context.reportNames("4", {{rcnm, u32At(field.data, 1)}});
          break;
        case kFieldDSPM:
          if (rcnm != kRcnmDspm) context.reportNames("4", {{rcnm, u32At(field.data, 1)}});
          break;
        case kFieldFRID:
          if (rcnm != kRcnmFeature) {
            std::vector<RecordKey> names{{rcnm, u32At(field.data, 1)}};
            if (const ScannedField* fspt = record.find(kFieldFSPT)) {
              eachElement(*fspt, kFsptSize, [&](size_t at) {
                names.push_back({byteAt(fspt->data, at), u32At(fspt->data, at + 1)});
              });
            }
            context.reportNames("4", names);
          }
          break;
        case kFieldVRID:
          if (!isVectorRcnm(rcnm)) context.reportNames("4", {{rcnm, u32At(field.data, 1)}});
          break;
        case kFieldFSPT:
        case kFieldVRPT: {
          const size_t size = field.type == kFieldFSPT ? kFsptSize : kVrptSize;
          eachElement(field, size, [&](size_t at) {
            const uint8_t target = byteAt(field.data, at);
            if (isVectorRcnm(target)) return;
            std::vector<RecordKey> names = namesOf(record);
            names.push_back({target, u32At(field.data, at + 1)});
            context.reportNames("4", names);
          });
          break;
        }
        default:
          break;
      }
    }
  }
}

// 9a-c, 10c, 88a-c: ORNT, USAG and MASK of each spatial pointer, by the
// feature's primitive.
void spatialPointerValues(Context& context, const ScannedFile& file) {
  for (const ScannedRecord& record : file.records) {
    const ScannedField* frid = record.find(kFieldFRID);
    if (frid == nullptr) continue;
    const Frid id = fridOf(*frid);
    for (const ScannedField& field : record.fields) {
      if (field.type != kFieldFSPT) continue;
      eachElement(field, kFsptSize, [&](size_t at) {
        const RecordKey target{byteAt(field.data, at), u32At(field.data, at + 1)};
        const uint8_t ornt = byteAt(field.data, at + 5);
        const uint8_t usag = byteAt(field.data, at + 6);
        const uint8_t mask = byteAt(field.data, at + 7);
        auto report = [&](const char* check) {
          context.reportNames(check, {{id.rcnm, id.rcid}, target});
        };
        const bool forwardOrReverse = ornt == 1 || ornt == 2;
        if (id.prim == kPrimLine) {
          if (!forwardOrReverse) report("9a");
          if (usag != 255) report("9b");
          if (mask != 1 && mask != 2) report("9c");
        } else if (id.prim == kPrimPoint) {
          if (mask != 255) report("10c");
        } else if (id.prim == kPrimArea) {
          if (!forwardOrReverse) report("88a");
          if (usag != 1 && usag != 2 && usag != 3) report("88b");
          if (mask != 1 && mask != 2 && mask != 255) report("88c");
        }
      });
    }
  }
}

// 26a: values outside their domain that no other check names; 540a: a null
// GRUP, a feature without its FOID.
void otherValues(Context& context, const ScannedFile& file) {
  for (const ScannedRecord& record : file.records) {
    const std::vector<RecordKey> names = namesOf(record);
    bool outside = false;
    for (const ScannedField& field : record.fields) {
      switch (field.type) {
        case kFieldFRID: {
          const Frid id = fridOf(field);
          const bool prim = id.prim == kPrimPoint || id.prim == kPrimLine || id.prim == kPrimArea ||
                            id.prim == kPrimNone;
          if (!prim || id.grup < 1 || id.grup > 254 || id.ruin < 1 || id.ruin > 3) outside = true;
          if (id.grup == 255) context.reportNames("540a", names);
          const bool described = id.ruin == kInsert || file.number == 0;
          if (described && record.find(kFieldFOID) == nullptr) context.reportNames("540a", names);
          break;
        }
        case kFieldVRID: {
          const uint8_t ruin = byteAt(field.data, 7);
          if (ruin < 1 || ruin > 3) outside = true;
          break;
        }
        case kFieldVRPT:
          eachElement(field, kVrptSize, [&](size_t at) {
            const uint8_t ornt = byteAt(field.data, at + 5);
            const uint8_t usag = byteAt(field.data, at + 6);
            const uint8_t topi = byteAt(field.data, at + 7);
            const uint8_t mask = byteAt(field.data, at + 8);
            if ((ornt != 1 && ornt != 2 && ornt != 255) ||
                (usag != 1 && usag != 2 && usag != 3 && usag != 255) ||
                ((topi < 1 || topi > 5) && topi != 255) ||
                (mask != 1 && mask != 2 && mask != 255)) {
              outside = true;
            }
          });
          break;
        case kFieldFFPC:
        case kFieldFSPC:
        case kFieldVRPC:
        case kFieldSGCC: {
          const uint8_t instruction = byteAt(field.data, 0);
          if (instruction < 1 || instruction > 3) outside = true;
          break;
        }
        default:
          break;
      }
    }
    if (outside) context.reportNames("26a", names);
  }
}

// 540b: a PSDN given, face records, fields S-57 does not know.
void prohibited(Context& context, const ScannedFile& file) {
  if (!file.psdn.empty()) context.report("540b");
  for (const ScannedRecord& record : file.records) {
    if (record.find(kUnknownField) != nullptr) context.reportNames("540b", namesOf(record));
    const ScannedField* vrid = record.find(kFieldVRID);
    if (vrid != nullptr && byteAt(vrid->data, 0) == kRcnmFace)
      context.reportNames("540b", namesOf(record));
  }
}

// 23: coordinates in a vector record given otherwise than as SG2D or SG3D:
// the arc, ellipse and curve fields of S-57, which an ENC does not use.
void otherCoordinates(Context& context, const ScannedFile& file) {
  static constexpr std::string_view kCurves[] = {"ARCC", "AR2D", "EL2D", "CT2D"};
  for (const ScannedRecord& record : file.records) {
    if (record.find(kFieldVRID) == nullptr) continue;
    for (const ScannedField& field : record.fields) {
      if (field.type == kUnknownField &&
          std::find(std::begin(kCurves), std::end(kCurves), field.tag) != std::end(kCurves)) {
        context.reportNames("23", namesOf(record));
        break;
      }
    }
  }
}

// 20a, 518a, 518b: primitives and groups of the chart's features.
void primitivesAndGroups(Context& context) {
  static constexpr std::string_view kGroup1[] = {"DEPARE", "DRGARE", "FLODOC", "HULKES",
                                                 "LNDARE", "PONTON", "UNSARE"};
  for (const FeatureRecord* f : context.chart().features) {
    if (f->rcnm != kRcnmFeature) continue;
    const catalogue::ObjectClass* c = catalogue::objectClass(f->objl);
    // Classes the catalogue gives no primitive for are judged only when
    // they are collections, which have none.
    if (c == nullptr || (c->primitives == 0 && c->type != 'C')) continue;
    uint8_t bit = 0;
    if (f->prim == kPrimPoint) bit = catalogue::kPoint;
    if (f->prim == kPrimLine) bit = catalogue::kLine;
    if (f->prim == kPrimArea) bit = catalogue::kArea;
    const bool permitted = bit != 0 ? (c->primitives & bit) != 0 : c->primitives == 0;
    if (!permitted && f->prim != 0) context.report("20a", f);
    const bool group1 = f->prim == kPrimArea && std::find(std::begin(kGroup1), std::end(kGroup1),
                                                          c->acronym) != std::end(kGroup1);
    if (group1 && f->grup != 1) context.report("518a", f);
    if (!group1 && f->grup != 2) context.report("518b", f);
  }
}

// ---------------------------------------------------------------------------
// Field order and structure.

// The format controls of each field as S-57 describes it, repetition counts
// written out.
struct Described {
  const char* tag;
  bool repeats;
  const char* formats;
};
constexpr Described kDescribed[] = {
    {"0001", false, "b12"},
    {"DSID", false, "b11,b14,b11,b11,A,A,A,A(8),A(8),R(4),b11,A,A,b11,b12,A"},
    {"DSSI", false, "b11,b11,b11,b14,b14,b14,b14,b14,b14,b14,b14"},
    {"DSPM", false, "b11,b14,b11,b11,b11,b14,b11,b11,b11,b11,b14,b14,A"},
    {"FRID", false, "b11,b14,b11,b11,b12,b12,b11"},
    {"FOID", false, "b12,b14,b12"},
    {"ATTF", true, "b12,A"},
    {"NATF", true, "b12,A"},
    {"FFPC", false, "b11,b12,b12"},
    {"FFPT", true, "B(64),b11,A"},
    {"FSPC", false, "b11,b12,b12"},
    {"FSPT", true, "B(40),b11,b11,b11"},
    {"VRID", false, "b11,b14,b12,b11"},
    {"ATTV", true, "b12,A"},
    {"VRPC", false, "b11,b12,b12"},
    {"VRPT", true, "B(40),b11,b11,b11,b11"},
    {"SGCC", false, "b11,b12,b12"},
    {"SG2D", true, "b24,b24"},
    {"SG3D", true, "b24,b24,b24"},
};

const Described* describedOf(std::string_view tag) {
  const auto* found = std::find_if(std::begin(kDescribed), std::end(kDescribed),
                                   [&](const Described& d) { return tag == d.tag; });
  return found != std::end(kDescribed) ? found : nullptr;
}

// "(b11,2b12)" as "b11,b12,b12"; "3A" as "A,A,A". Stops once the text is
// longer than limit: a damaged file may ask for two billion repetitions.
std::string expandedFormats(std::string_view controls, size_t limit) {
  if (controls.size() >= 2 && controls.front() == '(' && controls.back() == ')')
    controls = controls.substr(1, controls.size() - 2);
  std::string out;
  size_t start = 0;
  while (start <= controls.size()) {
    const size_t end = std::min(controls.find(',', start), controls.size());
    std::string_view item = controls.substr(start, end - start);
    int count = 1;
    size_t digits = 0;
    while (digits < item.size() && item[digits] >= '0' && item[digits] <= '9')
      ++digits;
    if (digits > 0 && digits < item.size()) {
      std::from_chars(item.data(), item.data() + digits, count);
      item.remove_prefix(digits);
    }
    for (int i = 0; i < count; ++i) {
      if (!out.empty()) out += ',';
      out += item;
      if (out.size() > limit) return out;
    }
    start = end + 1;
  }
  return out;
}

// 27 and 536 from the descriptive record: each S-57 field described with
// other formats, or as repeating where it does not repeat.
void descriptions(Context& context, const ScannedFile& file) {
  for (const auto& [tag, description] : file.descriptions) {
    const Described* expected = describedOf(tag);
    if (expected == nullptr) continue;
    // Field controls, name, array descriptor, format controls.
    std::vector<std::string_view> parts;
    std::string_view rest = description;
    for (size_t at; (at = rest.find('\x1f')) != std::string_view::npos; rest.remove_prefix(at + 1))
      parts.push_back(rest.substr(0, at));
    parts.push_back(rest);
    if (parts.size() < 3) continue;
    std::string_view formats = parts.back();
    while (!formats.empty() && (formats.back() == '\x1e' || formats.back() == ' '))
      formats.remove_suffix(1);
    const std::string_view names = parts[parts.size() - 2];
    const std::string_view wanted = expected->formats;
    if (expandedFormats(formats, wanted.size()) != wanted) context.report("27");
    if (!expected->repeats && !names.empty() && names.front() == '*') context.report("536");
  }
}

// The length of one repetition of a field that does not repeat, when it has
// a fixed length.
size_t fixedLength(int type) {
  switch (type) {
    case kField0001:
      return 2;
    case kFieldDSSI:
      return 35;
    case kFieldFRID:
      return 12;
    case kFieldFOID:
    case kFieldVRID:
      return 8;
    case kFieldFFPC:
    case kFieldFSPC:
    case kFieldVRPC:
    case kFieldSGCC:
      return 5;
    default:
      return 0;
  }
}

bool repeatingType(int type) {
  return type == kFieldATTF || type == kFieldNATF || type == kFieldATTV || type == kFieldFFPT ||
         type == kFieldFSPT || type == kFieldVRPT || type == kFieldSG2D || type == kFieldSG3D;
}

// 536 and 38 in the records: a field that does not repeat given twice or
// holding a second repetition; more than one control field of a kind.
void repetitions(Context& context, const ScannedFile& file) {
  for (const ScannedRecord& record : file.records) {
    bool repeats = false;
    bool controls = false;
    for (const ScannedField& field : record.fields) {
      if (field.type == kUnknownField || repeatingType(field.type)) continue;
      if (record.count(field.type) > 1) {
        repeats = true;
        if (field.type == kFieldFFPC || field.type == kFieldFSPC || field.type == kFieldVRPC ||
            field.type == kFieldSGCC) {
          controls = true;
        }
      }
      const size_t fixed = fixedLength(field.type);
      if (fixed != 0 && field.data.size() >= 2 * fixed && field.data.size() % fixed == 0)
        repeats = true;
      if (field.type == kFieldDSPM) {
        // The fixed part, then COMT up to its unit terminator.
        const size_t end = field.data.find('\x1f', 24);
        if (end != std::string::npos && end + 1 < field.data.size()) repeats = true;
      }
    }
    if (repeats) context.reportNames("536", namesOf(record));
    if (controls) context.reportNames("38", namesOf(record));
  }
}

// 555: records in the order identification, parameters, vectors, features,
// and the fields of each in the order S-57 gives them.
void dataOrder(Context& context, const ScannedFile& file) {
  int stage = 0;  // 0 identification, 1 parameters, 2 vectors, 3 features
  bool reported = false;
  for (const ScannedRecord& record : file.records) {
    int kind = -1;
    for (const ScannedField& f : record.fields) {
      if (f.type == kFieldDSID) kind = 0;
      if (f.type == kFieldDSPM) kind = 1;
      if (f.type == kFieldVRID) kind = 2;
      if (f.type == kFieldFRID) kind = 3;
      if (kind >= 0) break;
    }
    const bool fieldsInOrder = std::none_of(record.fields.begin(), record.fields.end(),
                                            [](const ScannedField& f) { return f.outOfOrder; });
    // Records out of place are named once a file: the first of them.
    const bool outOfPlace = kind >= 0 && kind < stage;
    if (!fieldsInOrder || (outOfPlace && !reported)) context.reportNames("555", namesOf(record));
    reported = reported || outOfPlace;
    stage = std::max(stage, kind);
  }
}

// ---------------------------------------------------------------------------
// Update files.

bool blank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\0'; });
}

int numberOf(std::string_view text) {
  int value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : -1;
}

// What the base and the updates before say of each feature: its FOID.
using Foids = std::map<uint32_t, Foid>;

Foids foidsOf(const ScannedFile& base) {
  Foids foids;
  for (const ScannedRecord& record : base.records) {
    const ScannedField* frid = record.find(kFieldFRID);
    const ScannedField* foid = record.find(kFieldFOID);
    if (frid != nullptr && foid != nullptr) foids.emplace(fridOf(*frid).rcid, foidOf(*foid));
  }
  return foids;
}

void updateFile(Context& context, const ScannedFile& base, const ScannedFile& file, Foids& foids,
                const std::set<uint64_t>& knownFoids) {
  if (!file.uadt.empty() && !blank(file.uadt)) {
    context.report("533");
    context.report("1522b");
  }
  const bool cancels = file.edtn == "0";
  if (cancels) {
    const bool onlyDsid =
        file.records.size() <= 1 &&
        std::all_of(file.records.begin(), file.records.end(), [](const ScannedRecord& r) {
          return std::all_of(r.fields.begin(), r.fields.end(), [](const ScannedField& f) {
            return f.type == kField0001 || f.type == kFieldDSID;
          });
        });
    if (!onlyDsid) context.report("534");
  } else if (numberOf(file.updn) != file.number) {
    context.report("1021a");
  }
  if (file.hasDssi && base.hasDssi && (file.aall != base.aall || file.nall != base.nall))
    context.report("1006");
  if (file.hasDsid && base.hasDsid && file.agen != base.agen) context.report("1008");

  for (const ScannedRecord& record : file.records) {
    const std::optional<RecordKey> name = nameOf(record);
    if (!name) continue;
    const uint8_t ruin = ruinOf(record);
    const size_t identity = static_cast<size_t>(record.count(kField0001) + 1);
    if (ruin == kDelete && record.fields.size() > identity) context.reportNames("36a", {*name});
    if ((ruin == kInsert || ruin == kModify) && record.fields.size() <= identity)
      context.reportNames("36b", {*name});

    const ScannedField* frid = record.find(kFieldFRID);
    const ScannedField* foid = record.find(kFieldFOID);
    if (frid == nullptr) continue;
    if (foid != nullptr) {
      const Foid given = foidOf(*foid);
      const auto held = foids.find(name->rcid);
      if (ruin == kModify && held != foids.end()) {
        if (given.agen != held->second.agen) context.reportNames("1008", {*name});
        if (!(given == held->second)) context.reportNames("1010", {*name});
      }
      if (ruin == kInsert) foids[name->rcid] = given;
    }
    // 34 for feature pointers: each LNAM names a feature of the chart.
    if (ruin == kDelete) continue;
    if (const ScannedField* ffpt = record.find(kFieldFFPT)) {
      bool unknown = false;
      size_t at = 0;
      while (at + 9 <= ffpt->data.size()) {
        const uint16_t agen = u16At(ffpt->data, at);
        const uint32_t fidn = u32At(ffpt->data, at + 2);
        const uint16_t fids = u16At(ffpt->data, at + 6);
        if (context.featureByFoid(agen, fidn, fids) == nullptr &&
            !knownFoids.contains(foidKey(agen, fidn, fids))) {
          unknown = true;
        }
        const size_t end = ffpt->data.find('\x1f', at + 9);  // after COMT
        if (end == std::string::npos) break;
        at = end + 1;
      }
      if (unknown) context.reportNames("34", {*name});
    }
  }
}

void run(Context& context) {
  primitivesAndGroups(context);
  const std::vector<ScannedFile> files = scanCell(context.input().path);
  if (files.empty() || !files.front().opened) return;
  // What the update checks look up, made only when there are update files.
  std::set<uint64_t> knownFoids;
  Foids foids;
  if (files.size() > 1) {
    for (const ScannedFile& file : files) {
      for (const ScannedRecord& record : file.records) {
        if (const ScannedField* foid = record.find(kFieldFOID)) {
          const Foid f = foidOf(*foid);
          knownFoids.insert(foidKey(f.agen, f.fidn, f.fids));
        }
      }
    }
    foids = foidsOf(files.front());
  }
  for (const ScannedFile& file : files) {
    if (!file.opened) continue;
    recordNames(context, file);
    spatialPointerValues(context, file);
    otherValues(context, file);
    prohibited(context, file);
    otherCoordinates(context, file);
    descriptions(context, file);
    repetitions(context, file);
    dataOrder(context, file);
    if (file.number > 0) updateFile(context, files.front(), file, foids, knownFoids);
  }
}

}  // namespace

Group encodingChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
