// The S-57 layer of the cell writer: dataset, vector and feature records.
#include "cell_writer.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace abys::cellwriter {

namespace {

constexpr uint8_t kRcnmDsid = 10;
constexpr uint8_t kRcnmDspm = 20;
constexpr uint8_t kRcnmFeature = 100;
constexpr uint8_t kRcnmIsolatedNode = 110;
constexpr uint8_t kRcnmConnectedNode = 120;
constexpr uint8_t kRcnmEdge = 130;
constexpr uint8_t kRcnmFace = 140;

int32_t scaled(double value, uint32_t factor) {
  const double result = std::round(value * static_cast<double>(factor));
  // Written this way round so that NaN fails too.
  if (!(result >= std::numeric_limits<int32_t>::min() &&
        result <= std::numeric_limits<int32_t>::max())) {
    throw std::out_of_range("coordinate " + std::to_string(value) + " times " +
                            std::to_string(factor) + " does not fit a b24 subfield");
  }
  return static_cast<int32_t>(result);
}

std::string latin1(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t unit : text)
    out += unit <= 0xff ? static_cast<char>(unit) : '?';
  return out;
}

Field controlField(const char* tag, const UpdateControl& control) {
  return {tag,
          FieldBuilder().b11(control.instruction).b12(control.index).b12(control.count).data()};
}

Field attributeField(const char* tag, const std::vector<Attribute>& attributes) {
  FieldBuilder field;
  for (const Attribute& a : attributes)
    field.b12(a.attl).text(a.value);
  return {tag, field.data()};
}

Field natfField(const std::vector<NationalAttribute>& attributes, const Cell& cell) {
  FieldBuilder field;
  const bool wide = cell.dssi.nall == 2;
  for (const NationalAttribute& a : attributes) {
    field.b12(a.attl);
    if (wide) {
      field.wideText(a.value);
    } else {
      field.text(latin1(a.value));
    }
  }
  Field natf{"NATF", field.data()};
  if (wide && cell.wideNationalTerminator) natf.terminator += '\0';
  return natf;
}

Vector pointVector(uint8_t rcnm, uint32_t rcid, Point2 position) {
  Vector v;
  v.rcnm = rcnm;
  v.rcid = rcid;
  v.coordinates.push_back(position);
  return v;
}

}  // namespace

Vector isolatedNode(uint32_t rcid, Point2 position) {
  return pointVector(kRcnmIsolatedNode, rcid, position);
}

Vector connectedNode(uint32_t rcid, Point2 position) {
  return pointVector(kRcnmConnectedNode, rcid, position);
}

Vector soundingNode(uint32_t rcid, std::vector<Point3> soundings) {
  Vector v;
  v.rcnm = kRcnmIsolatedNode;
  v.rcid = rcid;
  v.soundings = std::move(soundings);
  return v;
}

Cell updateCell(uint32_t number) {
  Cell cell;
  cell.dsid.expp = 2;
  cell.dsid.updn = std::to_string(number);
  cell.dsid.uadt.clear();
  cell.withDspm = false;
  return cell;
}

Vector edge(uint32_t rcid, uint32_t beginNode, uint32_t endNode, std::vector<Point2> interior) {
  Vector v;
  v.rcnm = kRcnmEdge;
  v.rcid = rcid;
  v.pointers.push_back({.rcnm = kRcnmConnectedNode, .rcid = beginNode, .topi = 1});
  v.pointers.push_back({.rcnm = kRcnmConnectedNode, .rcid = endNode, .topi = 2});
  v.coordinates = std::move(interior);
  return v;
}

Dssi countRecords(const Cell& cell) {
  Dssi dssi = cell.dssi;
  if (!dssi.autoCounts) return dssi;
  dssi.nomr = dssi.nocr = dssi.nogr = dssi.nolr = 0;
  dssi.noin = dssi.nocn = dssi.noed = dssi.nofa = 0;
  for (const Feature& f : cell.features) {
    if (f.objl >= 300 && f.objl < 400) {
      ++dssi.nomr;
    } else if (f.objl >= 400 && f.objl < 500) {
      ++dssi.nolr;
    } else if (f.objl >= 500 && f.objl < 600) {
      ++dssi.nocr;
    } else {
      ++dssi.nogr;
    }
  }
  for (const Vector& v : cell.vectors) {
    switch (v.rcnm) {
      case kRcnmIsolatedNode:
        ++dssi.noin;
        break;
      case kRcnmConnectedNode:
        ++dssi.nocn;
        break;
      case kRcnmEdge:
        ++dssi.noed;
        break;
      case kRcnmFace:
        ++dssi.nofa;
        break;
      default:
        break;
    }
  }
  return dssi;
}

Record datasetRecord(const Cell& cell, uint16_t number) {
  const Dsid& d = cell.dsid;
  FieldBuilder dsid;
  dsid.b11(kRcnmDsid).b14(d.rcid).b11(d.expp).b11(d.intu);
  dsid.text(d.dsnm).text(d.edtn).text(d.updn).fixed(d.uadt, 8).fixed(d.isdt, 8).fixed(d.sted, 4);
  dsid.b11(d.prsp).text(d.psdn).text(d.pred).b11(d.prof).b12(d.agen).text(d.comt);

  const Dssi s = countRecords(cell);
  FieldBuilder dssi;
  dssi.b11(s.dstr).b11(s.aall).b11(s.nall);
  for (uint32_t count : {s.nomr, s.nocr, s.nogr, s.nolr, s.noin, s.nocn, s.noed, s.nofa}) {
    dssi.b14(count);
  }
  return {{recordIdField(number), {"DSID", dsid.data()}, {"DSSI", dssi.data()}}};
}

Record parameterRecord(const Dspm& p, uint16_t number) {
  FieldBuilder dspm;
  dspm.b11(kRcnmDspm).b14(p.rcid).b11(p.hdat).b11(p.vdat).b11(p.sdat).b14(p.cscl);
  dspm.b11(p.duni).b11(p.huni).b11(p.puni).b11(p.coun).b14(p.comf).b14(p.somf).text(p.comt);
  return {{recordIdField(number), {"DSPM", dspm.data()}}};
}

Record vectorRecord(const Vector& v, const Dspm& dspm, uint16_t number) {
  Record record{{recordIdField(number)}};
  auto& fields = record.fields;
  fields.push_back({"VRID", FieldBuilder().b11(v.rcnm).b14(v.rcid).b12(v.rver).b11(v.ruin).data()});
  if (!v.attributes.empty()) fields.push_back(attributeField("ATTV", v.attributes));
  if (v.vrpc) fields.push_back(controlField("VRPC", *v.vrpc));
  if (!v.pointers.empty()) {
    FieldBuilder vrpt;
    for (const VectorPointer& p : v.pointers) {
      vrpt.b11(p.rcnm).b14(p.rcid).b11(p.ornt).b11(p.usag).b11(p.topi).b11(p.mask);
    }
    fields.push_back({"VRPT", vrpt.data()});
  }
  if (v.sgcc) fields.push_back(controlField("SGCC", *v.sgcc));
  if (!v.coordinates.empty()) {
    FieldBuilder sg2d;
    for (const Point2& p : v.coordinates) {
      sg2d.b24(scaled(p.y, dspm.comf)).b24(scaled(p.x, dspm.comf));
    }
    fields.push_back({"SG2D", sg2d.data()});
  }
  if (!v.soundings.empty()) {
    FieldBuilder sg3d;
    for (const Point3& p : v.soundings) {
      sg3d.b24(scaled(p.y, dspm.comf)).b24(scaled(p.x, dspm.comf)).b24(scaled(p.z, dspm.somf));
    }
    fields.push_back({"SG3D", sg3d.data()});
  }
  return record;
}

Record featureRecord(const Feature& f, const Cell& cell, uint16_t number) {
  Record record{{recordIdField(number)}};
  auto& fields = record.fields;
  fields.push_back({"FRID", FieldBuilder()
                                .b11(kRcnmFeature)
                                .b14(f.rcid)
                                .b11(f.prim)
                                .b11(f.grup)
                                .b12(f.objl)
                                .b12(f.rver)
                                .b11(f.ruin)
                                .data()});
  if (f.withFoid) {
    const uint32_t fidn = f.fidn != 0 ? f.fidn : f.rcid;
    fields.push_back({"FOID", FieldBuilder().b12(f.agen).b14(fidn).b12(f.fids).data()});
  }
  if (!f.attributes.empty()) fields.push_back(attributeField("ATTF", f.attributes));
  if (!f.nationalAttributes.empty()) fields.push_back(natfField(f.nationalAttributes, cell));
  if (f.ffpc) fields.push_back(controlField("FFPC", *f.ffpc));
  if (!f.featurePointers.empty()) {
    FieldBuilder ffpt;
    for (const FeaturePointer& p : f.featurePointers) {
      ffpt.b12(p.agen).b14(p.fidn).b12(p.fids).b11(p.rind).text(p.comt);
    }
    fields.push_back({"FFPT", ffpt.data()});
  }
  if (f.fspc) fields.push_back(controlField("FSPC", *f.fspc));
  if (!f.spatialPointers.empty()) {
    FieldBuilder fspt;
    for (const SpatialPointer& p : f.spatialPointers) {
      fspt.b11(p.rcnm).b14(p.rcid).b11(p.ornt).b11(p.usag).b11(p.mask);
    }
    fields.push_back({"FSPT", fspt.data()});
  }
  return record;
}

std::vector<Record> cellRecords(const Cell& cell) {
  std::vector<Record> records;
  records.reserve(2 + cell.vectors.size() + cell.features.size());
  uint32_t number = 1;
  // The b12 record number holds 16 bits; larger cells wrap.
  auto next = [&number] { return static_cast<uint16_t>(number++); };
  records.push_back(datasetRecord(cell, next()));
  if (cell.withDspm) records.push_back(parameterRecord(cell.dspm, next()));
  for (const Vector& v : cell.vectors)
    records.push_back(vectorRecord(v, cell.dspm, next()));
  for (const Feature& f : cell.features)
    records.push_back(featureRecord(f, cell, next()));
  return records;
}

EncodeOptions cellEncodeOptions(const Cell& cell) {
  EncodeOptions options;
  options.attributeLevel = cell.dssi.aall;
  options.nationalLevel = cell.dssi.nall;
  options.longRecords = true;
  return options;
}

std::string encodeCell(const Cell& cell) {
  return encodeFile(cellRecords(cell), cellEncodeOptions(cell));
}

}  // namespace abys::cellwriter
