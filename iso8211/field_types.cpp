#include "field_types.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace abys {

const char* const kFieldTags[kFieldTypeCount] = {
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

int ddfFieldType(const char* taggedField) {
  for (int type = 0; type < kFieldTypeCount; ++type) {
    if (std::memcmp(taggedField, kFieldTags[type], 4) == 0) return type;
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
