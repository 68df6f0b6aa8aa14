// The S-58 checks of record identifiers, the dataset's parameters, and the
// update instructions refused while the update files were applied.
#include <limits>

#include <algorithm>

#include "catalogue.h"
#include "context.h"
#include "load_driver.h"

namespace abys::s58 {
namespace {

constexpr std::string_view kChecks[] = {"3",   "5",    "12",   "29",   "30",  "32",  "33",
                                        "34",  "35",   "523",  "524",  "525", "526", "539",
                                        "575", "1504", "1510", "1513", "1549"};

// 3: one finding per name that more than one record carries.
void uniqueNames(Context& context) {
  const Dataset& chart = context.chart();
  FlatMap<int> seen(static_cast<size_t>(chart.features.count + chart.vectorCount));
  for (const FeatureRecord* f : chart.features) {
    if (++seen.insert(nameKey(f->rcnm, f->rcid), 0) == 2) context.report("3", f);
  }
  for (const List<VectorRecord>* list :
       {&chart.isolatedNodes, &chart.connectedNodes, &chart.edges}) {
    for (const VectorRecord* v : *list) {
      if (++seen.insert(nameKey(v->rcnm, v->rcid), 0) == 2) context.report("3", v);
    }
  }
}

// 5: RCID from 1 to 2^32 - 2, in every record. A record whose RCNM is 0
// had its FRID or VRID refused by the decoder, which left RCID 0 too: the
// RCNM checks speak of it.
void rcidsInRange(Context& context) {
  auto outside = [](uint32_t rcid) {
    return rcid < 1 || rcid > std::numeric_limits<uint32_t>::max() - 1;
  };
  const Dataset& chart = context.chart();
  if (outside(chart.dsid.rcid)) context.reportNames("5", {{chart.dsid.rcnm, chart.dsid.rcid}});
  if (outside(chart.dspm.rcid) && chart.dspm.rcnm != 0)
    context.reportNames("5", {{chart.dspm.rcnm, chart.dspm.rcid}});
  for (const FeatureRecord* f : chart.features) {
    if (f->rcnm != 0 && outside(f->rcid)) context.report("5", f);
  }
  for (const List<VectorRecord>* list :
       {&chart.isolatedNodes, &chart.connectedNodes, &chart.edges}) {
    for (const VectorRecord* v : *list) {
      if (v->rcnm != 0 && outside(v->rcid)) context.report("5", v);
    }
  }
}

// 12: every feature but the collections (C_AGGR, C_ASSO, C_STAC) points at
// a spatial record.
void featuresHaveGeometry(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    if (!f->spatialPointers.empty()) continue;
    const catalogue::ObjectClass* c = catalogue::objectClass(f->objl);
    if (c != nullptr && c->type == 'C') continue;
    context.report("12", f);
  }
}

// The dataset's identification and parameters.
void parameters(Context& context) {
  const Dataset& chart = context.chart();
  const DsidImage& dsid = chart.dsid;
  const DspmImage& dspm = chart.dspm;
  if (chart.dssi.dstr != 2) context.report("575");
  if (dsid.prof != 1 && dsid.prof != 2) context.report("539");
  if (dspm.rcnm == 0) return;  // no parameter record to judge
  if (dspm.hdat != 2) context.report("523");
  if (dspm.duni != 1) context.report("524");
  if (dspm.puni != 1) context.report("525");
  if (dspm.coun != 1) context.report("526");
  if (dspm.huni != 1) context.report("1513");
  if (dspm.vdat == 0 || dspm.vdat == 255) context.report("1504");
  if (dspm.sdat == 0 || dspm.sdat == 255) context.report("1510");
  if (dspm.cscl == 0) context.report("1549");
}

// The record instructions the update files held that could not apply.
void refusedUpdates(Context& context) {
  const UpdateReport* updates = context.input().updates;
  if (updates == nullptr) return;
  for (const UpdateRefusal& r : updates->refusals) {
    const char* check = nullptr;
    switch (r.problem) {
      case UpdateProblem::CountMismatch:
        check = "29";
        break;
      case UpdateProblem::IndexOutside:
      case UpdateProblem::CountRunsPast:
      case UpdateProblem::NoElement:
        check = "30";
        break;
      case UpdateProblem::UnknownInstruction:
      case UpdateProblem::RecordExists:
      case UpdateProblem::NoSuchRecord:
        check = "32";
        break;
      case UpdateProblem::PointerName:
        check = "34";
        break;
      case UpdateProblem::VersionOutOfSequence:
        check = "35";
        break;
      default:  // whole files: the update-file checks judge them
        break;
    }
    if (check != nullptr) context.reportNames(check, {{r.rcnm, r.rcid}});
  }
}

// 33: attribute updates whose code the catalogue does not know, in the
// update files applied.
void updatedAttributes(Context& context) {
  const UpdateReport* updates = context.input().updates;
  if (updates == nullptr) return;
  auto unknown = [](const Entries<AttributeEntry>& attributes) {
    return std::any_of(attributes.begin(), attributes.end(), [](const AttributeEntry* a) {
      return catalogue::attribute(a->attl) == nullptr;
    });
  };
  for (const std::string& path : updates->applied) {
    Dataset update;
    int32_t exchangePurpose = 0;
    if (loadCell(update, path.c_str(), exchangePurpose, {}, {}) != 0) continue;
    for (const FeatureRecord* f : update.features) {
      if (unknown(f->attributes) || unknown(f->nationalAttributes()))
        context.reportNames("33", {{f->rcnm, f->rcid}});
    }
    for (const List<VectorRecord>* list :
         {&update.isolatedNodes, &update.connectedNodes, &update.edges}) {
      for (const VectorRecord* v : *list) {
        if (unknown(v->attributes())) context.reportNames("33", {{v->rcnm, v->rcid}});
      }
    }
  }
}

void run(Context& context) {
  uniqueNames(context);
  rcidsInRange(context);
  featuresHaveGeometry(context);
  parameters(context);
  refusedUpdates(context);
  updatedAttributes(context);
}

}  // namespace

Group identityChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
