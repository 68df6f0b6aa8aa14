// Writes S-57 cells in the ISO/IEC 8211 binary encoding: exact bytes for
// tests of the reader, and whole cells for the cell generator; and the
// catalogue file of an exchange set.
//
// Two levels. The low level turns fields and records into bytes and leaves
// their content to the caller, so a test can build any record, well-formed or
// not. The high level holds an S-57 cell (dataset records, vector records,
// feature records) with defaults for every member and encodes it with the low
// level.
//
// Failures are exceptions: std::invalid_argument for a tag that is not four
// characters or a directory size that cannot hold a number, std::length_error
// for a record of 100,000 bytes or more unless asked to write it as a long
// record (its length would not fit the leader's five digits), std::out_of_range for a coordinate
// that does not fit a b24 subfield once scaled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace abys::cellwriter {

inline constexpr char kUnitTerminator = 0x1f;
inline constexpr char kFieldTerminator = 0x1e;
inline constexpr int kLeaderSize = 24;
// The leader gives the record length in five digits.
inline constexpr int kMaxRecordLength = 99999;

// ---------------------------------------------------------------------------
// Low level: fields, records, files.

// Appends subfields to a field's data. Integers are little-endian; values
// wider than the subfield keep their low bytes.
class FieldBuilder {
 public:
  FieldBuilder& b11(uint8_t value);
  FieldBuilder& b12(uint16_t value);
  FieldBuilder& b14(uint32_t value);
  FieldBuilder& b24(int32_t value);
  // The bytes of text and a unit terminator.
  FieldBuilder& text(std::string_view text);
  // Exactly size bytes: text cut to size or padded with spaces, no terminator.
  FieldBuilder& fixed(std::string_view text, size_t size);
  // UCS-2 little-endian code units and the unit pair 0x1f 0x00.
  FieldBuilder& wideText(std::u16string_view text);
  // Bytes as given, no terminator.
  FieldBuilder& bytes(std::string_view raw);

  // Never includes a field terminator.
  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

// One field of a data record. The encoder writes data and then terminator;
// the directory length counts both. A NATF field at lexical level 2 ends with
// the two-byte terminator 0x1e 0x00; a test may also drop the terminator to
// build a damaged field.
struct Field {
  std::string tag{};
  std::string data{};
  std::string terminator = std::string(1, kFieldTerminator);
};

// The whole field list of a data record, "0001" included when wanted.
struct Record {
  std::vector<Field> fields{};
};

// The "0001" record identifier field: the record number as b12.
Field recordIdField(uint16_t number);

struct EncodeOptions {
  // Digits of the field lengths and positions in the directory of every data
  // record; 0 takes the smallest that fits each record.
  int lengthSize = 0;
  int positionSize = 0;
  // Data records of 100,000 bytes or more with the length 0 (see
  // encodeRecord) instead of std::length_error.
  bool longRecords = false;
  bool withDdr = true;
  // The same for the data descriptive record.
  int ddrLengthSize = 0;
  int ddrPositionSize = 0;
  // Describe every S-57 field in the DDR, not only the tags the records use.
  bool allDescriptions = false;
  // Lexical levels (0-2) announced by the escape sequence in the field
  // controls of ATTF/ATTV and of NATF, as producers of real cells do;
  // -1 leaves the sequence blank.
  int attributeLevel = -1;
  int nationalLevel = -1;
};

// A data record: leader, directory, field area. With longRecord, a record of
// 100,000 bytes or more is written with the length 0 in its leader, as
// writers of real cells do, instead of being refused.
std::string encodeRecord(const Record& record, int lengthSize = 0, int positionSize = 0,
                         bool longRecord = false);

// The data descriptive record describing the tags that records use, in the
// order of the S-57 field tree ("0001", DSID, DSSI, DSPM, VRID ... FSPT), then
// tags unknown to S-57 in order of first use, each described as an elementary
// text field.
std::string encodeDdr(const std::vector<Record>& records, const EncodeOptions& options = {});

// A data descriptive record of exactly these fields (the "0000" file control
// field and the field descriptions, as the caller writes them), for files
// that are not cells.
std::string encodeDescriptiveRecord(const std::vector<Field>& fields);

// The DDR (unless options.withDdr is false) and then every record.
std::string encodeFile(const std::vector<Record>& records, const EncodeOptions& options = {});

// Writes bytes to path, replacing the file; false when it cannot.
bool writeFile(const std::string& path, const std::string& bytes);

// ---------------------------------------------------------------------------
// High level: the S-57 model.

struct Dsid {
  uint8_t expp = 1;
  uint8_t intu = 5;
  std::string dsnm = "ABYS0001.000";
  std::string edtn = "1";
  std::string updn = "0";
  std::string uadt = "20250101";
  std::string isdt = "20250101";
  std::string sted = "03.1";
  uint8_t prsp = 1;
  std::string psdn{};
  std::string pred = "2.0";
  uint8_t prof = 1;
  uint16_t agen = 540;
  std::string comt{};
  uint32_t rcid = 1;
};

// With autoCounts the writer fills the record counts from the cell (see
// countRecords) and ignores the ones here.
struct Dssi {
  uint8_t dstr = 2;
  uint8_t aall = 1;
  uint8_t nall = 2;
  bool autoCounts = true;
  uint32_t nomr = 0;
  uint32_t nocr = 0;
  uint32_t nogr = 0;
  uint32_t nolr = 0;
  uint32_t noin = 0;
  uint32_t nocn = 0;
  uint32_t noed = 0;
  uint32_t nofa = 0;
};

// COMF and SOMF also scale the coordinates of the cell's vectors, whether or
// not the DSPM record is written.
struct Dspm {
  uint32_t rcid = 1;
  uint8_t hdat = 2;
  uint8_t vdat = 17;
  uint8_t sdat = 23;
  uint32_t cscl = 50000;
  uint8_t duni = 1;
  uint8_t huni = 1;
  uint8_t puni = 1;
  uint8_t coun = 1;
  uint32_t comf = 10000000;
  uint32_t somf = 10;
  std::string comt{};
};

// An ATTF or ATTV attribute; the value bytes are written as they are.
struct Attribute {
  uint16_t attl = 0;
  std::string value{};
};

// A NATF attribute: UCS-2 when the cell's NALL is 2, otherwise one byte per
// character with characters above U+00FF written as '?'.
struct NationalAttribute {
  uint16_t attl = 0;
  std::u16string value{};
};

// FFPC, FSPC, VRPC and SGCC: update instruction (1 insert, 2 delete,
// 3 modify), index of the first element, number of elements.
struct UpdateControl {
  uint8_t instruction = 1;
  uint16_t index = 1;
  uint16_t count = 0;
};

// FFPT element: LNAM (AGEN, FIDN, FIDS), RIND, COMT.
struct FeaturePointer {
  uint16_t agen = 540;
  uint32_t fidn = 0;
  uint16_t fids = 1;
  uint8_t rind = 2;
  std::string comt{};
};

// FSPT element.
struct SpatialPointer {
  uint8_t rcnm = 130;
  uint32_t rcid = 0;
  uint8_t ornt = 1;
  uint8_t usag = 255;
  uint8_t mask = 255;
};

// A feature record. FIDN 0 stands for the record's RCID. Control fields are
// written only when set.
struct Feature {
  uint32_t rcid = 0;
  uint8_t prim = 2;
  uint8_t grup = 2;
  uint16_t objl = 0;
  uint16_t rver = 1;
  uint8_t ruin = 1;
  uint16_t agen = 540;
  uint32_t fidn = 0;
  uint16_t fids = 1;
  bool withFoid = true;
  std::vector<Attribute> attributes{};
  std::vector<NationalAttribute> nationalAttributes{};
  std::vector<FeaturePointer> featurePointers{};
  std::vector<SpatialPointer> spatialPointers{};
  std::optional<UpdateControl> ffpc{};
  std::optional<UpdateControl> fspc{};
};

// VRPT element.
struct VectorPointer {
  uint8_t rcnm = 120;
  uint32_t rcid = 0;
  uint8_t ornt = 255;
  uint8_t usag = 255;
  uint8_t topi = 1;
  uint8_t mask = 255;
};

// Degrees: x longitude, y latitude; z a depth in metres.
struct Point2 {
  double x = 0;
  double y = 0;
};

struct Point3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

// A vector record: isolated node 110, connected node 120, edge 130, face 140.
// Coordinates go into one SG2D field, soundings into one SG3D field, as
// XCOO = round(x * COMF), YCOO = round(y * COMF), VE3D = round(z * SOMF).
// A record of 100,000 bytes or more (a vector of more than about 12,000
// coordinates) is written as a long record, with the length 0 in its leader.
struct Vector {
  uint8_t rcnm = 110;
  uint32_t rcid = 0;
  uint16_t rver = 1;
  uint8_t ruin = 1;
  std::vector<Attribute> attributes{};
  std::vector<VectorPointer> pointers{};
  std::vector<Point2> coordinates{};
  std::vector<Point3> soundings{};
  std::optional<UpdateControl> vrpc{};
  std::optional<UpdateControl> sgcc{};
};

struct Cell {
  Dsid dsid{};
  Dssi dssi{};
  Dspm dspm{};
  bool withDspm = true;
  std::vector<Vector> vectors{};
  std::vector<Feature> features{};
  // At NALL 2 a NATF field ends with 0x1e 0x00, as in real cells and as GDAL
  // needs to read more than one value of the field; false ends it with 0x1e
  // alone.
  bool wideNationalTerminator = true;
};

// Isolated and connected nodes with one coordinate.
Vector isolatedNode(uint32_t rcid, Point2 position);
Vector connectedNode(uint32_t rcid, Point2 position);
// An isolated node carrying soundings in SG3D.
Vector soundingNode(uint32_t rcid, std::vector<Point3> soundings);
// An edge from beginNode to endNode (connected nodes, TOPI 1 and 2) through
// the interior points; the end points belong to the nodes.
Vector edge(uint32_t rcid, uint32_t beginNode, uint32_t endNode, std::vector<Point2> interior);

// An update file of update number `number` to a cell of the defaults'
// edition: EXPP 2, no UADT, no parameter record (its coordinates are
// still scaled by dspm), and no record yet.
Cell updateCell(uint32_t number);

// The DSSI as written: with autoCounts, NOMR counts features of OBJL 300-399,
// NOLR 400-499, NOCR 500-599 and NOGR all other features; NOIN, NOCN, NOED,
// NOFA count vectors by RCNM.
Dssi countRecords(const Cell& cell);

// The records of each kind, "0001" first, numbered by the caller.
Record datasetRecord(const Cell& cell, uint16_t number);  // DSID, DSSI
Record parameterRecord(const Dspm& dspm, uint16_t number);
Record vectorRecord(const Vector& vector, const Dspm& dspm, uint16_t number);
Record featureRecord(const Feature& feature, const Cell& cell, uint16_t number);

// The data records of the cell: DSID/DSSI, DSPM, vectors in order, features
// in order, numbered from 1 (the DDR has no number) and wrapping at 65536.
std::vector<Record> cellRecords(const Cell& cell);

// The options encodeCell uses: smallest sizes, lexical levels from the DSSI.
EncodeOptions cellEncodeOptions(const Cell& cell);

std::string encodeCell(const Cell& cell);

// ---------------------------------------------------------------------------
// Exchange sets: the catalogue file (CATALOG.031) listing every file of the
// set.

// Eight upper-case hexadecimal digits, as a catalogue's CRCS.
std::string crcText(uint32_t crc);

// Degrees of latitude and longitude.
struct Limits {
  double south = 0;
  double west = 0;
  double north = 0;
  double east = 0;
};

// One CATD field. file names the file from the catalogue's folder, its
// folders separated by '\'; limits are given for a cell and its update
// files, the same for both; crc is empty where none is given (the
// catalogue itself).
struct CatalogueEntry {
  std::string file{};
  std::string longName{};
  std::string volume = "V01X01";
  std::string impl = "BIN";  // BIN, ASC (the catalogue), TXT, TIF
  std::optional<Limits> limits{};
  std::string crc{};
  std::string comment{};
};

// The catalogue file: a descriptive record of the fields "0001" (the record
// number as five digits) and CATD, then one record per entry, its RCID the
// entry's number from 1, limits in degrees of seven decimals.
std::string encodeCatalogue(const std::vector<CatalogueEntry>& entries);

}  // namespace abys::cellwriter
