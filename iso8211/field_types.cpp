#include "field_types.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace abys {

constexpr const char* kFieldTags[kFieldTypeCount] = {
    "0001", "DSID", "DSSI", "DSPM", "FRID", "FOID", "ATTF", "NATF", "FFPC", "FFPT",
    "FSPC", "FSPT", "VRID", "ATTV", "VRPC", "VRPT", "SGCC", "SG2D", "SG3D", "****",
};

namespace {

struct Succession {
  FieldType previous;
  std::initializer_list<FieldType> followers;
};

constexpr OrderTable makeTable(std::initializer_list<Succession> rows) {
  OrderTable table{};
  for (auto& row : table)
    row.fill(kFieldOutOfOrder);
  for (const Succession& s : rows) {
    for (FieldType f : s.followers)
      table[s.previous][f] = 0;
  }
  return table;
}

}  // namespace

constexpr OrderTable newDatasetOrder = makeTable({
    {kField0001, {kFieldDSID, kFieldDSPM, kFieldFRID, kFieldVRID}},
    {kFieldDSID, {kFieldDSSI}},
    {kFieldDSSI, {kFieldEndOfRecord}},
    {kFieldDSPM, {kFieldEndOfRecord}},
    {kFieldFRID, {kFieldFOID}},
    {kFieldFOID, {kFieldATTF, kFieldNATF, kFieldFFPT, kFieldFSPC, kFieldFSPT, kFieldEndOfRecord}},
    {kFieldATTF, {kFieldNATF, kFieldFFPT, kFieldFSPT}},
    {kFieldNATF, {kFieldFFPT, kFieldFSPT}},
    {kFieldFFPC, {}},
    {kFieldFFPT, {kFieldFSPT, kFieldEndOfRecord}},
    {kFieldFSPC, {}},
    {kFieldFSPT, {kFieldEndOfRecord}},
    {kFieldVRID, {kFieldATTV, kFieldVRPT, kFieldSG2D, kFieldSG3D}},
    {kFieldATTV, {kFieldVRPT, kFieldSG2D, kFieldSG3D}},
    {kFieldVRPC, {}},
    {kFieldVRPT, {kFieldSG2D, kFieldSG3D, kFieldEndOfRecord}},
    {kFieldSGCC, {}},
    {kFieldSG2D, {kFieldSG2D, kFieldEndOfRecord}},
    {kFieldSG3D, {kFieldSG3D, kFieldEndOfRecord}},
    {kFieldEndOfRecord, {kField0001, kFieldDSSI, kFieldDSPM, kFieldVRID, kFieldEndOfRecord}},
});

constexpr OrderTable revisionOrder = makeTable({
    {kField0001, {kFieldDSID, kFieldDSPM, kFieldFRID, kFieldVRID}},
    {kFieldDSID, {kFieldDSSI}},
    {kFieldDSSI, {kFieldEndOfRecord}},
    {kFieldDSPM, {kFieldEndOfRecord}},
    {kFieldFRID, {kFieldFOID, kFieldATTF, kFieldNATF, kFieldFFPC, kFieldEndOfRecord}},
    {kFieldFOID,
     {kFieldATTF, kFieldNATF, kFieldFFPC, kFieldFFPT, kFieldFSPC, kFieldFSPT, kFieldEndOfRecord}},
    {kFieldATTF, {kFieldNATF, kFieldFFPC, kFieldFFPT, kFieldFSPC, kFieldFSPT, kFieldEndOfRecord}},
    {kFieldNATF, {kFieldFFPC, kFieldFFPT, kFieldFSPC, kFieldFSPT, kFieldEndOfRecord}},
    {kFieldFFPC, {kFieldFFPT, kFieldEndOfRecord}},
    {kFieldFFPT, {kFieldFSPC, kFieldFSPT, kFieldEndOfRecord}},
    {kFieldFSPC, {kFieldFSPT, kFieldEndOfRecord}},
    {kFieldFSPT, {kFieldEndOfRecord}},
    {kFieldVRID,
     {kFieldATTV, kFieldVRPC, kFieldVRPT, kFieldSGCC, kFieldSG2D, kFieldSG3D, kFieldEndOfRecord}},
    {kFieldATTV, {kFieldVRPC, kFieldVRPT, kFieldSGCC, kFieldSG2D, kFieldSG3D, kFieldEndOfRecord}},
    {kFieldVRPC, {kFieldVRPT}},
    {kFieldVRPT, {kFieldSGCC, kFieldSG2D, kFieldSG3D, kFieldEndOfRecord}},
    {kFieldSGCC, {kFieldSG2D, kFieldSG3D, kFieldEndOfRecord}},
    {kFieldSG2D, {kFieldSG2D, kFieldEndOfRecord}},
    {kFieldSG3D, {kFieldSG3D, kFieldEndOfRecord}},
    {kFieldEndOfRecord, {kField0001, kFieldDSSI, kFieldDSPM, kFieldVRID, kFieldEndOfRecord}},
});

namespace {

// Four tag characters as one number, so that a tag is found by comparing
// numbers.
constexpr uint32_t tagCode(const char* tag) {
  return static_cast<uint32_t>(static_cast<unsigned char>(tag[0])) |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[3])) << 24;
}

constexpr std::array<uint32_t, kFieldTypeCount> kTagCodes = [] {
  std::array<uint32_t, kFieldTypeCount> codes{};
  for (int type = 0; type < kFieldTypeCount; ++type)
    codes[static_cast<size_t>(type)] = tagCode(kFieldTags[type]);
  return codes;
}();

}  // namespace

int ddfFieldType(const char* taggedField) {
  const uint32_t code = tagCode(taggedField);
  for (int type = 0; type < kFieldTypeCount; ++type) {
    if (kTagCodes[static_cast<size_t>(type)] == code) return type;
  }
  return kUnknownField;
}

int ddfCheckOrder(int previous, int current, int exchangePurpose) {
  const OrderTable& table =
      (exchangePurpose == 0 || exchangePurpose == 1) ? newDatasetOrder : revisionOrder;
  int entry = kFieldOutOfOrder;
  if (previous >= 0 && previous < kFieldTypeCount && current >= 0 && current < kFieldTypeCount) {
    entry = table[previous][current];
  }
  if (entry != 0) std::fprintf(stderr, "P = %d, C = %d\n", previous, current);
  return entry;
}

}  // namespace abys
