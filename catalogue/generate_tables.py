#!/usr/bin/env python3
"""Writes the C++ tables of the object catalogue from GDAL's S-57 CSV tables.

usage: generate_tables.py OBJECTCLASSES.csv ATTRIBUTES.csv EXPECTEDINPUT.csv AGENCIES.csv OUT.cpp

Rows with code 0 are the tables' own comments and are skipped, and so is the
agency row whose token is not a producer code of two letters or digits (the
table's "0_" for an unknown producer). Anything the
tables hold that the C++ side cannot represent (a duplicate code, an unknown
class letter or primitive, a code beyond 16 bits) stops the build with a
message rather than being guessed at.
"""

import csv
import io
import os
import re
import sys

PRIMITIVES = {"Point": 1, "P": 1, "Line": 2, "L": 2, "Area": 4, "A": 4}
OBJECT_TYPES = "GMC$"
ATTRIBUTE_TYPES = "ELFIAS"
ATTRIBUTE_CLASSES = "FNS$?"
PRODUCER_CODE = re.compile("[A-Z0-9]{2}")
NONE = "N/A"


class TableError(Exception):
    pass


def decode(raw):
    """The tables mix UTF-8 with single-byte text; C1 controls are Windows-1252 leftovers."""
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError:
        text = raw.decode("latin-1")

    def mend(match):
        try:
            return bytes([ord(match.group())]).decode("cp1252")
        except UnicodeDecodeError:
            return ""

    return re.sub("[\x80-\x9f]", mend, text)


def read_rows(path, columns):
    with open(path, "rb") as f:
        reader = csv.DictReader(io.StringIO(decode(f.read()), newline=""))
        missing = [c for c in columns if c not in (reader.fieldnames or [])]
        if missing:
            raise TableError(f"{path}: no column {', '.join(missing)}")
        rows = []
        for row in reader:
            fields = {c: (row[c] or "").strip() for c in columns}
            code = number(path, reader.line_num, fields[columns[0]])
            if code != 0:
                rows.append((reader.line_num, code, fields))
        return rows


def number(path, line, text):
    try:
        value = int(text)
    except ValueError:
        raise TableError(f"{path}:{line}: '{text}' is not a number") from None
    if not 0 <= value <= 0xFFFF:
        raise TableError(f"{path}:{line}: {value} does not fit in 16 bits")
    return value


def by_code(path, rows):
    seen = {}
    for line, code, fields in rows:
        if code in seen:
            raise TableError(f"{path}:{line}: code {code} already on line {seen[code]}")
        seen[code] = line
    return sorted(rows, key=lambda r: r[1])


def literal(text):
    """A C++ string literal; octal escapes always take three digits, so nothing runs on."""
    out = []
    for b in text.encode("utf-8"):
        c = chr(b)
        if c in '"\\?':
            out.append("\\" + c)
        elif 0x20 <= b < 0x7F:
            out.append(c)
        else:
            out.append(f"\\{b:03o}")
    return '"' + "".join(out) + '"'


def acronym_index(acronyms):
    """Positions sorted by acronym, without empty acronyms and later duplicates."""
    index, seen = [], set()
    for position in sorted(range(len(acronyms)), key=lambda p: (acronyms[p].encode(), p)):
        acronym = acronyms[position]
        if acronym and acronym not in seen:
            seen.add(acronym)
            index.append(position)
    return index


def read_agencies(path):
    """(code, producer code) of each agency, by code."""
    agencies = []
    for line, code, f in by_code(path, read_rows(path, ["Code", "Token"])):
        if PRODUCER_CODE.fullmatch(f["Token"]):
            agencies.append((code, f["Token"]))
    return agencies


def generate(classes_csv, attributes_csv, expected_csv, agencies_csv):
    attributes = []
    path = attributes_csv
    for line, code, f in by_code(path, read_rows(path, ["Code", "Attribute", "Acronym",
                                                         "Attributetype", "Class"])):
        acronym = "" if f["Acronym"] == NONE else f["Acronym"]
        kind = f["Attributetype"]
        if kind == NONE:
            kind = "?"
        elif len(kind) != 1 or kind not in ATTRIBUTE_TYPES:
            raise TableError(f"{path}:{line}: attribute type '{kind}'")
        if len(f["Class"]) != 1 or f["Class"] not in ATTRIBUTE_CLASSES:
            raise TableError(f"{path}:{line}: attribute class '{f['Class']}'")
        attributes.append((code, acronym, f["Attribute"], kind, f["Class"]))
    code_of = {a[1]: a[0] for a in reversed(attributes) if a[1]}

    sets, classes = [], []
    path = classes_csv
    for line, code, f in by_code(path, read_rows(path, ["Code", "ObjectClass", "Acronym",
                                                         "Attribute_A", "Attribute_B",
                                                         "Attribute_C", "Class",
                                                         "Primitives"])):
        spans = []
        for column in ("Attribute_A", "Attribute_B", "Attribute_C"):
            # A few extension classes list acronyms the attribute table lacks;
            # without a code they cannot be listed.
            acronyms = [a.strip() for a in f[column].split(";")]
            codes = [code_of[a] for a in acronyms if a in code_of]
            spans.append((len(sets), len(codes)))
            sets.extend(codes)
        if not f["Acronym"]:
            raise TableError(f"{path}:{line}: class {code} has no acronym")
        if f["Class"] not in OBJECT_TYPES or len(f["Class"]) != 1:
            raise TableError(f"{path}:{line}: object class type '{f['Class']}'")
        primitives = 0
        for token in re.split(r"[;\s]+", f["Primitives"]):
            if token in ("", NONE):
                continue
            if token not in PRIMITIVES:
                raise TableError(f"{path}:{line}: primitive '{token}'")
            primitives |= PRIMITIVES[token]
        classes.append((code, f["Acronym"], f["ObjectClass"], spans, f["Class"], primitives))

    expected = []
    path = expected_csv
    seen = {}
    for line, code, f in read_rows(path, ["Code", "ID", "Meaning"]):
        value = number(path, line, f["ID"])
        if (code, value) in seen:
            raise TableError(f"{path}:{line}: value {code}/{value} already on line "
                             f"{seen[code, value]}")
        seen[code, value] = line
        expected.append((code, value, f["Meaning"]))
    expected.sort()

    agencies = read_agencies(agencies_csv)

    sources = (classes_csv, attributes_csv, expected_csv, agencies_csv)
    out = ["// Generated by catalogue/generate_tables.py from "
           f"{', '.join(os.path.basename(p) for p in sources)}"
           "; do not edit.",
           '#include "catalogue.h"', '#include "catalogue_tables.h"', "",
           "namespace abys::catalogue {", "namespace {", ""]
    out.append("constexpr uint16_t kSets[] = {")
    for i in range(0, len(sets), 16):
        out.append("    " + ", ".join(str(c) for c in sets[i:i + 16]) + ",")
    out.append("};")
    out.append("")
    out.append("constexpr ObjectClass kObjectClasses[] = {")
    for code, acronym, name, spans, kind, primitives in classes:
        s = ", ".join(f"{{kSets + {start}, {count}}}" for start, count in spans)
        out.append(f"    {{{code}, {literal(acronym)}, {literal(name)}, {s}, "
                   f"'{kind}', {primitives}}},")
    out.append("};")
    out.append("")
    out.append("constexpr Attribute kAttributes[] = {")
    for code, acronym, name, kind, klass in attributes:
        out.append(f"    {{{code}, {literal(acronym)}, {literal(name)}, '{kind}', "
                   f"'{klass}'}},")
    out.append("};")
    out.append("")
    out.append("constexpr ExpectedValue kExpectedValues[] = {")
    for code, value, meaning in expected:
        out.append(f"    {{{code}, {value}, {literal(meaning)}}},")
    out.append("};")
    out.append("")
    out.append("constexpr Agency kAgencies[] = {")
    for code, token in agencies:
        out.append(f"    {{{code}, {literal(token)}}},")
    out.append("};")
    out.append("")
    for name, entries in (("kObjectClassesByAcronym", classes),
                          ("kAttributesByAcronym", attributes)):
        index = acronym_index([e[1] for e in entries])
        out.append(f"constexpr uint16_t {name}[] = {{")
        for i in range(0, len(index), 16):
            out.append("    " + ", ".join(str(p) for p in index[i:i + 16]) + ",")
        out.append("};")
        out.append("")
    out += ["}  // namespace", "",
            "std::span<const ObjectClass> objectClasses() { return kObjectClasses; }",
            "std::span<const Attribute> attributes() { return kAttributes; }",
            "std::span<const ExpectedValue> expectedValues() { return kExpectedValues; }",
            "std::span<const Agency> agencies() { return kAgencies; }",
            "",
            "namespace detail {",
            "std::span<const uint16_t> objectClassesByAcronym() { "
            "return kObjectClassesByAcronym; }",
            "std::span<const uint16_t> attributesByAcronym() { return kAttributesByAcronym; }",
            "}  // namespace detail", "",
            "}  // namespace abys::catalogue", ""]
    return "\n".join(out)


def main(argv):
    if len(argv) != 6:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        text = generate(*argv[1:5])
    except (OSError, TableError) as e:
        print(f"generate_tables.py: {e}", file=sys.stderr)
        return 1
    partial = argv[5] + ".partial"
    with open(partial, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(partial, argv[5])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
