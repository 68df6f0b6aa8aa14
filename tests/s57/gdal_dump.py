#!/usr/bin/env python3
"""Prints everything GDAL holds for one S-57 base cell as sorted lines of text.

Usage: gdal_dump.py [--updates apply|ignore] NAME.000

tests/support/model_dump.h prints our model of a cell in the same text and
updates_gdal_test.cpp compares the two. One line per record:

  FE <RCID> RVER=<n> OBJL=<n> PRIM=<n> GRUP=<n> FOID=<AGEN>,<FIDN>,<FIDS>
     ATTR <ACRONYM>=<value> ... FSPT (<rcnm>,<rcid>,<ornt>,<usag>,<mask>) ...
     FFPT (<LNAM>,<rind>) ...
  VE <RCNM> <RCID> RVER=<n> ATTR <ACRONYM>=<value> ...
     VRPT (<rcid>,<ornt>,<usag>,<topi>,<mask>) ... COORDS <x>,<y>[,<z>] ...

each on one line; features first, by RCID, then isolated nodes, connected
nodes and edges, each by RCID. Faces are left out. Parts with nothing to show
are left out.

- FIDN is unsigned (GDAL's 32-bit field wraps it); LNAM is %04X%08X%04X of
  AGEN, FIDN, FIDS.
- ATTR holds what GDAL keeps, sorted by acronym. Features: ATTF attributes,
  and NATF ones only when the feature has ATTF too (GDAL reads NATF only
  then); only attributes that name a field of the object class's attribute
  sets, matched ignoring case as GDAL's field names are (an inland catach
  fills CATACH). Vector records: POSACC and QUAPOS only. When a field is given
  twice the last value wins. Values by the field's catalogue type:
    E, I      the integer strtoll reads from the text, clamped to 32 bits;
    F         the double strtod reads, printed %.15g;
              an empty E, I or F value prints as nothing after '=';
    A, S, L   the text in UTF-8, as GDAL recodes it: ATTF from Latin-1, NATF
              from Latin-1 or, at lexical level 2, from UCS-2; a list as the
              file holds it (1,3).
  In texts, bytes outside 0x20..0x7E and the backslash print as \\xHH.
- VRPT only for edges, without RCNM: GDAL gives edges two pointers and
  always calls them connected nodes, and nodes none.
- COORDS: x,y in degrees, %.9f; soundings x,y,z with z in metres. A node
  shows its first SG2D coordinate, or its SG3D soundings when it has no SG2D;
  an edge its own SG2D (GDAL's Edge geometry holds neither of its nodes).
"""

import argparse
import sys

from osgeo import gdal, ogr

EMPTY_NUMBER_MARKER = 2147483641  # what PRESERVE_EMPTY_NUMBERS sets
PRIMITIVE_LAYERS = {"IsolatedNode": 110, "ConnectedNode": 120, "Edge": 130}
SKIPPED_LAYERS = {"DSID", "Face"}
FEATURE_FIELDS = {"RCID", "PRIM", "GRUP", "OBJL", "RVER", "AGEN", "FIDN", "FIDS", "LNAM",
                  "NAME_RCNM", "NAME_RCID", "ORNT", "USAG", "MASK", "LNAM_REFS", "FFPT_RIND"}
VECTOR_FIELDS = {"RCNM", "RCID", "RVER", "RUIN"}
VRPT_SUBFIELDS = ("NAME_RCNM", "NAME_RCID", "ORNT", "USAG", "TOPI", "MASK")


def escaped(data):
    return "".join(chr(b) if 0x20 <= b <= 0x7E and b != 0x5C else "\\x%02X" % b for b in data)


def value_text(feature, index):
    kind = feature.GetFieldDefnRef(index).GetType()
    if kind == ogr.OFTInteger:
        value = feature.GetFieldAsInteger(index)
        return "" if value == EMPTY_NUMBER_MARKER else str(value)
    if kind == ogr.OFTReal:
        value = feature.GetFieldAsDouble(index)
        return "" if value == float(EMPTY_NUMBER_MARKER) else "%.15g" % value
    return escaped(feature.GetFieldAsBinary(index))


def attributes(feature, fixed):
    items = []
    for index in range(feature.GetFieldCount()):
        name = feature.GetFieldDefnRef(index).GetName()
        if name in fixed or not feature.IsFieldSetAndNotNull(index):
            continue
        items.append("%s=%s" % (name, value_text(feature, index)))
    return " ATTR " + " ".join(sorted(items)) if items else ""


def unsigned(feature, name):
    """An unsigned 32-bit subfield that GDAL keeps in a signed field."""
    return feature.GetFieldAsInteger(name) & 0xFFFFFFFF


def int_list(feature, name):
    index = feature.GetFieldIndex(name)
    if index < 0 or not feature.IsFieldSetAndNotNull(index):
        return []
    values = feature.GetFieldAsIntegerList(index) or []
    return [v & 0xFFFFFFFF for v in values] if name == "NAME_RCID" else values


def coordinates(geometry):
    if geometry is None or geometry.IsEmpty():
        return ""
    points = []
    parts = [geometry.GetGeometryRef(i) for i in range(geometry.GetGeometryCount())]
    for part in parts or [geometry]:
        for i in range(part.GetPointCount()):
            if geometry.GetCoordinateDimension() == 3:
                points.append("%.9f,%.9f,%.9f" % (part.GetX(i), part.GetY(i), part.GetZ(i)))
            else:
                points.append("%.9f,%.9f" % (part.GetX(i), part.GetY(i)))
    return " COORDS " + " ".join(points) if points else ""


def feature_line(f):
    rcid = unsigned(f, "RCID")
    line = "FE %d RVER=%d OBJL=%d PRIM=%d GRUP=%d FOID=%d,%d,%d" % (
        rcid, f.GetFieldAsInteger("RVER"), f.GetFieldAsInteger("OBJL"),
        f.GetFieldAsInteger("PRIM"), f.GetFieldAsInteger("GRUP"), f.GetFieldAsInteger("AGEN"),
        unsigned(f, "FIDN"), f.GetFieldAsInteger("FIDS"))
    line += attributes(f, FEATURE_FIELDS)
    fspt = zip(*(int_list(f, name) for name in ("NAME_RCNM", "NAME_RCID", "ORNT", "USAG", "MASK")))
    fspt = ["(%d,%d,%d,%d,%d)" % entry for entry in fspt]
    if fspt:
        line += " FSPT " + " ".join(fspt)
    index = f.GetFieldIndex("LNAM_REFS")
    lnams = f.GetFieldAsStringList(index) if index >= 0 and f.IsFieldSetAndNotNull(index) else None
    ffpt = ["(%s,%d)" % pair for pair in zip(lnams or [], int_list(f, "FFPT_RIND"))]
    if ffpt:
        line += " FFPT " + " ".join(ffpt)
    return (0, 0, rcid, line)


def vector_line(f, rcnm):
    rcid = unsigned(f, "RCID")
    line = "VE %d %d RVER=%d" % (rcnm, rcid, f.GetFieldAsInteger("RVER"))
    fixed = set(VECTOR_FIELDS)
    vrpt = []
    n = 0
    while f.GetFieldIndex("NAME_RCNM_%d" % n) >= 0:
        names = ["%s_%d" % (sub, n) for sub in VRPT_SUBFIELDS]
        fixed.update(names)
        if f.IsFieldSetAndNotNull(names[0]):
            values = [unsigned(f, names[1])] + [f.GetFieldAsInteger(name) for name in names[2:]]
            vrpt.append("(%s)" % ",".join(str(v) for v in values))
        n += 1
    line += attributes(f, fixed)
    if vrpt:
        line += " VRPT " + " ".join(vrpt)
    line += coordinates(f.GetGeometryRef())
    return (1, rcnm, rcid, line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--updates", choices=("apply", "ignore"), default="apply")
    parser.add_argument("cell")
    args = parser.parse_args()

    gdal.UseExceptions()
    gdal.SetConfigOption("OGR_S57_OPTIONS", ",".join([
        "RETURN_PRIMITIVES=ON", "RETURN_LINKAGES=ON", "LNAM_REFS=ON", "SPLIT_MULTIPOINT=OFF",
        "ADD_SOUNDG_DEPTH=OFF", "PRESERVE_EMPTY_NUMBERS=ON", "LIST_AS_STRING=ON",
        "RECODE_BY_DSSI=ON", "UPDATES=" + args.updates.upper()]))
    source = gdal.OpenEx(args.cell, gdal.OF_VECTOR | gdal.OF_READONLY, allowed_drivers=["S57"])
    lines = []
    for layer_index in range(source.GetLayerCount()):
        layer = source.GetLayer(layer_index)
        name = layer.GetName()
        if name in SKIPPED_LAYERS:
            continue
        rcnm = PRIMITIVE_LAYERS.get(name)
        for f in layer:
            lines.append(vector_line(f, rcnm) if rcnm else feature_line(f))
    lines.sort()
    sys.stdout.write("".join(line + "\n" for *_, line in lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
