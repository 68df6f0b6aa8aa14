#include "update_files.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#include <vector>

#include "flat_map.h"
#include "load_driver.h"

namespace abys {
namespace {

// Record update instructions (RUIN) and the instructions of the control
// fields FFPC, FSPC, VRPC and SGCC.
constexpr uint8_t kInsert = 1;
constexpr uint8_t kDelete = 2;
constexpr uint8_t kModify = 3;

// An attribute value that removes the attribute.
constexpr char kDeleteMarker = 0x7f;

uint64_t keyOf(uint8_t rcnm, uint32_t rcid) {
  return (uint64_t{rcnm} << 32) | rcid;
}

// The number a DSID text holds (EDTN, UPDN), blanks around it allowed.
std::optional<long> numberOf(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  long value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < 0) return std::nullopt;
  return value;
}

bool isDeleteMarker(const AttributeEntry& entry) {
  return entry.atvlLength >= 1 && entry.atvl[0] == kDeleteMarker &&
         (entry.atvlLength == 1 || (entry.atvlLength == 2 && entry.atvl[1] == '\0'));
}

// The name of an instruction; an unknown one is "instruction".
const char* instructionName(uint8_t ruin) {
  switch (ruin) {
    case kInsert:
      return "insert";
    case kDelete:
      return "delete";
    case kModify:
      return "modify";
    default:
      return "instruction";
  }
}

// An array of elements after a control field's instruction: the held
// elements with the given ones inserted at, deleted from or written over a
// 1-based index. Elements are trivially copyable blocks of `size` bytes.
struct ArrayEdit {
  const char* field = "";  // the control field, for messages
  const void* held = nullptr;
  int32_t heldCount = 0;
  const void* given = nullptr;
  int32_t givenCount = 0;
  size_t size = 0;
  size_t alignment = 0;
};

// A record of the base that an update names, and the record before it in
// its list (null for the first), so that a deletion unlinks it at once.
template <typename Record>
struct Held {
  Record* record = nullptr;  // null once deleted, or when the base has none
  Record* previous = nullptr;
};

struct EditedArray {
  void* data = nullptr;
  int32_t count = 0;
};

class Updater {
 public:
  Updater(Dataset& base, const LogFn& log)
      : base_(base),
        arena_(base.arena),
        log_(log),
        features_(0),
        vectors_(0),
        liveChanges_(0),
        changedVectors_(0) {}

  UpdateReport run(const std::vector<std::string>& files);

 private:
  struct Tally {
    int inserted = 0;
    int deleted = 0;
    int modified = 0;
    int refused = 0;
  };

  // Whether the file's identification lets it apply next; said_ says why
  // not.
  enum class Verdict { Apply, LeaveAside, Stop, Cancel };
  Verdict judge(const Dataset& update, int status, int32_t exchangePurpose);
  // Indexes the base's records that the files name, in one pass.
  void index(const std::vector<const Dataset*>& updates);

  // Carries out given's record update instruction on the base; index maps
  // the names of the base's records of its kind to them.
  template <typename Record>
  void apply(const Record& given, FlatMap<Held<Record>>& index);
  // Takes record out of its list; previous is the record before it.
  template <typename Record>
  void unlink(Record* record, Record* previous, FlatMap<Held<Record>>& index);
  // Modifies held as given says; false when it cannot (why_ or
  // outOfMemory_ say why), held unchanged.
  bool modify(VectorRecord& held, const VectorRecord& given);
  bool modify(FeatureRecord& held, const FeatureRecord& given);
  // A copy of given in the base's arena; null when memory ran out.
  VectorRecord* copyOf(const VectorRecord& given);
  FeatureRecord* copyOf(const FeatureRecord& given);
  List<VectorRecord>& listOf(const VectorRecord& vector);
  List<FeatureRecord>& listOf(const FeatureRecord&) { return base_.features; }

  // The edited array, or none when the instruction cannot apply (why_ says
  // why) or memory ran out (outOfMemory_).
  std::optional<EditedArray> edit(const ArrayEdit& array, const UpdateControlImage& control);
  template <typename Entry>
  std::optional<Entries<Entry>> editEntries(const char* field, const Entries<Entry>& held,
                                            const Entries<Entry>& given,
                                            const UpdateControlImage& control);
  template <typename Run>
  std::optional<Run> editRun(const char* field, const Run& held, const Run& given,
                             const UpdateControlImage& control);
  std::optional<Entries<AttributeEntry>> editAttributes(const Entries<AttributeEntry>& held,
                                                        const Entries<AttributeEntry>& given,
                                                        bool sorted);
  template <typename Entry>
  std::optional<Entries<Entry>> copyEntries(const Entries<Entry>& given);
  std::optional<Entries<AttributeEntry>> copyAttributes(const Entries<AttributeEntry>& given);
  std::optional<Entries<FeaturePointerEntry>> copyFeaturePointers(
      const Entries<FeaturePointerEntry>& given);
  template <typename Run>
  std::optional<Run> copyRun(const Run& given);

  void refuse(UpdateProblem problem, uint8_t ruin, uint8_t rcnm, uint32_t rcid,
              const std::string& why);
  bool versionFollows(uint8_t ruin, uint8_t rcnm, uint32_t rcid, uint16_t held, uint16_t given);
  // The extent follows the coordinates: widened by those added; worked out
  // anew at the end only when a removed one lay on its edge.
  void widen(double x, double y);
  void added(const VectorRecord& vector);
  void removed(const CoordinateRun& coordinates, const SoundingRun& soundings);
  void recomputeExtent();
  // Notes what an applied instruction did to a record.
  void noteChange(uint8_t ruin, const FeatureRecord& feature);
  void noteChange(uint8_t ruin, const VectorRecord& vector);
  // Notes as modified the features (not inserted or deleted) whose spatial
  // pointers name a changed vector record, or an edge through a changed
  // connected node.
  void noteMovedFeatures();

  Dataset& base_;
  Arena& arena_;
  const LogFn& log_;
  // Records by name; null for those deleted.
  FlatMap<Held<FeatureRecord>> features_;
  FlatMap<Held<VectorRecord>> vectors_;
  std::string file_;  // the name of the file being applied
  Tally tally_;
  std::string why_;
  // What refuse records of a modification that cannot apply.
  struct Problem {
    UpdateProblem problem = UpdateProblem::NoControl;
    std::string field;
  } problem_;
  std::vector<UpdateRefusal> refusals_;
  std::string said_;  // what judge found
  UpdateProblem fileProblem_ = UpdateProblem::CannotRead;
  bool outOfMemory_ = false;
  bool extentStale_ = false;
  long lastUpdate_ = 0;
  long reissue_ = 0;
  // The names of the files applied so far; changes name them by number,
  // from 1.
  std::vector<std::string> files_;
  // The features changed, each with the number of the file that made the
  // change given.
  std::vector<std::pair<ChangedFeature, int32_t>> changes_;
  // By feature name: 1 + the index in changes_ of the record held under
  // it, 0 for none.
  FlatMap<int32_t> liveChanges_;
  // By vector record name: the number of the file that last inserted or
  // modified the record held under it, 0 for none.
  FlatMap<int32_t> changedVectors_;
  bool vectorsChanged_ = false;
};

UpdateReport Updater::run(const std::vector<std::string>& files) {
  // Every file is read and judged first, up to the first that ends the
  // sequence, so that one pass over the base finds the records they name.
  struct Step {
    std::string path;
    std::unique_ptr<Dataset> update;
    Verdict verdict = Verdict::Stop;
    UpdateProblem problem = UpdateProblem::CannotRead;
    std::string said;
  };
  std::vector<Step> steps;
  std::vector<const Dataset*> accepted;
  lastUpdate_ = reissue_ = numberOf(base_.dsid.updn).value_or(0);
  for (const std::string& path : files) {
    file_ = std::filesystem::path(path).filename().string();
    Step& step = steps.emplace_back();
    step.path = path;
    step.update.reset(new (std::nothrow) Dataset);
    if (!step.update) {
      outOfMemory_ = true;
      break;
    }
    int32_t exchangePurpose = 0;
    const int status = loadCell(*step.update, path.c_str(), exchangePurpose, {}, {});
    said_.clear();
    step.verdict = judge(*step.update, status, exchangePurpose);
    step.said = said_;
    step.problem = fileProblem_;
    if (step.verdict == Verdict::Apply) {
      accepted.push_back(step.update.get());
      lastUpdate_ = *numberOf(step.update->dsid.updn);
    }
    if (step.verdict == Verdict::Stop || step.verdict == Verdict::Cancel) break;
  }
  index(accepted);

  UpdateReport report;
  for (const Step& step : steps) {
    if (outOfMemory_) break;
    file_ = std::filesystem::path(step.path).filename().string();
    logText(log_, step.said.c_str());
    if (step.verdict == Verdict::LeaveAside) continue;
    if (step.verdict == Verdict::Cancel) {
      report.cancelled = true;
      break;
    }
    if (step.verdict == Verdict::Stop) {
      refusals_.push_back({file_, step.problem, 0, 0, 0, {}});
      break;
    }
    const Dataset& update = *step.update;
    tally_ = {};
    files_.push_back(file_);
    // Vector records first: the features of the file point at them.
    for (const List<VectorRecord>* list :
         {&update.isolatedNodes, &update.connectedNodes, &update.edges}) {
      for (const VectorRecord* vector : *list) {
        if (!outOfMemory_) apply(*vector, vectors_);
      }
    }
    for (const FeatureRecord* feature : update.features) {
      if (!outOfMemory_) apply(*feature, features_);
    }
    if (outOfMemory_) {
      logMessage(log_, "Update %s stopped: out of memory\n", file_.c_str());
      break;
    }
    report.applied.push_back(step.path);
    logMessage(log_,
               "Update %s applied: update %ld, %d records inserted, %d deleted, %d modified, "
               "%d refused\n",
               file_.c_str(), *numberOf(update.dsid.updn), tally_.inserted, tally_.deleted,
               tally_.modified, tally_.refused);
  }
  if (extentStale_) recomputeExtent();
  if (vectorsChanged_) noteMovedFeatures();
  report.outOfMemory = outOfMemory_;
  report.refusals = std::move(refusals_);
  report.features.reserve(changes_.size());
  for (auto& [feature, file] : changes_) {
    feature.file = files_[static_cast<size_t>(file - 1)];
    report.features.push_back(std::move(feature));
  }
  return report;
}

Updater::Verdict Updater::judge(const Dataset& update, int status, int32_t exchangePurpose) {
  const char* name = file_.c_str();
  if (status == kCannotOpen) {
    said_ = formatMessage("Update %s refused: the file cannot be opened; no later update applied\n",
                          name);
    fileProblem_ = UpdateProblem::CannotOpen;
    return Verdict::Stop;
  }
  if (status != 0) {
    said_ = formatMessage(
        "Update %s refused: the file cannot be read (load status %d); no later update "
        "applied\n",
        name, status);
    fileProblem_ = UpdateProblem::CannotRead;
    return Verdict::Stop;
  }
  if (exchangePurpose != 2) {
    said_ =
        formatMessage("Update %s refused: not an update file (EXPP %d); no later update applied\n",
                      name, static_cast<int>(update.dsid.expp));
    fileProblem_ = UpdateProblem::NotAnUpdate;
    return Verdict::Stop;
  }
  const std::optional<long> edition = numberOf(update.dsid.edtn);
  const std::optional<long> number = numberOf(update.dsid.updn);
  if (!edition || !number) {
    said_ = formatMessage(
        "Update %s refused: no edition or update number ('%s', '%s'); no later update "
        "applied\n",
        name, std::string(update.dsid.edtn).c_str(), std::string(update.dsid.updn).c_str());
    fileProblem_ = UpdateProblem::NoNumbers;
    return Verdict::Stop;
  }
  if (*edition == 0) {
    said_ = formatMessage("Update %s cancels the cell (edition 0)\n", name);
    return Verdict::Cancel;
  }
  const std::optional<long> baseEdition = numberOf(base_.dsid.edtn);
  if (baseEdition && *edition != *baseEdition) {
    said_ = formatMessage(
        "Update %s refused: edition %ld, the cell is edition %ld; no later update "
        "applied\n",
        name, *edition, *baseEdition);
    fileProblem_ = UpdateProblem::OtherEdition;
    return Verdict::Stop;
  }
  if (*number <= reissue_) {
    said_ = formatMessage("Update %s left aside: update %ld is part of the cell (update %ld)\n",
                          name, *number, reissue_);
    return Verdict::LeaveAside;
  }
  if (*number != lastUpdate_ + 1) {
    said_ = formatMessage(
        "Update %s refused: update %ld does not follow update %ld; no later update "
        "applied\n",
        name, *number, lastUpdate_);
    fileProblem_ = UpdateProblem::OutOfSequence;
    return Verdict::Stop;
  }
  return Verdict::Apply;
}

void Updater::index(const std::vector<const Dataset*>& updates) {
  // The names the updates hold, and a bitmap of their low bits that turns
  // most of the base's records away before a look-up.
  constexpr uint64_t kBits = uint64_t{1} << 16;
  std::vector<bool> maybe(kBits);
  size_t named = 0;
  for (const Dataset* update : updates)
    named += static_cast<size_t>(update->features.count + update->vectorCount);
  FlatMap<bool> wanted(named);
  auto want = [&](uint64_t key) {
    wanted.insert(key, true);
    maybe[key % kBits] = true;
  };
  for (const Dataset* update : updates) {
    for (const FeatureRecord* feature : update->features)
      want(keyOf(feature->rcnm, feature->rcid));
    for (const List<VectorRecord>* list :
         {&update->isolatedNodes, &update->connectedNodes, &update->edges}) {
      for (const VectorRecord* vector : *list)
        want(keyOf(vector->rcnm, vector->rcid));
    }
  }
  features_ = FlatMap<Held<FeatureRecord>>(named);
  vectors_ = FlatMap<Held<VectorRecord>>(named);
  if (named == 0) return;
  auto isWanted = [&](uint64_t key) { return maybe[key % kBits] && wanted.find(key) != nullptr; };
  // The first record of a name is the one updates change.
  FeatureRecord* previous = nullptr;
  for (FeatureRecord* feature : base_.features) {
    const uint64_t key = keyOf(feature->rcnm, feature->rcid);
    if (isWanted(key)) features_.insert(key, {feature, previous});
    previous = feature;
  }
  for (List<VectorRecord>* list : {&base_.isolatedNodes, &base_.connectedNodes, &base_.edges}) {
    VectorRecord* before = nullptr;
    for (VectorRecord* vector : *list) {
      const uint64_t key = keyOf(vector->rcnm, vector->rcid);
      if (isWanted(key)) vectors_.insert(key, {vector, before});
      before = vector;
    }
  }
}

void Updater::refuse(UpdateProblem problem, uint8_t ruin, uint8_t rcnm, uint32_t rcid,
                     const std::string& why) {
  refusals_.push_back({file_, problem, ruin, rcnm, rcid, problem_.field});
  ++tally_.refused;
  const std::string instruction = ruin == kInsert || ruin == kDelete || ruin == kModify
                                      ? std::string(instructionName(ruin))
                                      : formatMessage("instruction %d", ruin);
  logMessage(log_, "Update %s: %s of %s refused: %s\n", file_.c_str(), instruction.c_str(),
             recordName(rcnm, rcid).c_str(), why.c_str());
}

bool Updater::versionFollows(uint8_t ruin, uint8_t rcnm, uint32_t rcid, uint16_t held,
                             uint16_t given) {
  if (given == held + 1) return true;
  refuse(UpdateProblem::VersionOutOfSequence, ruin, rcnm, rcid,
         formatMessage("version %d does not follow the version held, %d", given, held));
  return false;
}

List<VectorRecord>& Updater::listOf(const VectorRecord& vector) {
  switch (vector.rcnm) {
    case kRcnmIsolatedNode:
      return base_.isolatedNodes;
    case kRcnmConnectedNode:
      return base_.connectedNodes;
    default:  // update files hold no other vector records in these lists
      return base_.edges;
  }
}

// What is wrong with the pointers to vector records a record brings, if
// anything: each must name a node, an edge or a face.
template <typename Entry>
std::optional<std::string> wrongPointerIn(const char* field, const Entries<Entry>& pointers) {
  for (const Entry* p : pointers) {
    if (p->rcnm != kRcnmIsolatedNode && p->rcnm != kRcnmConnectedNode && p->rcnm != kRcnmEdge &&
        p->rcnm != kRcnmFace) {
      return formatMessage("%s names a record of RCNM %d", field, p->rcnm);
    }
  }
  return std::nullopt;
}

std::optional<std::string> wrongPointer(const FeatureRecord& record) {
  return wrongPointerIn("FSPT", record.spatialPointers);
}

std::optional<std::string> wrongPointer(const VectorRecord& record) {
  return wrongPointerIn("VRPT", record.pointers);
}

template <typename Record>
void Updater::apply(const Record& given, FlatMap<Held<Record>>& index) {
  Held<Record>& slot = index.insert(keyOf(given.rcnm, given.rcid), {});
  Record* held = slot.record;
  const uint8_t ruin = given.ruin;
  if (ruin != kInsert && ruin != kDelete && ruin != kModify) {
    refuse(UpdateProblem::UnknownInstruction, ruin, given.rcnm, given.rcid,
           "no such record update instruction");
    return;
  }
  if (ruin == kInsert && held != nullptr) {
    refuse(UpdateProblem::RecordExists, ruin, given.rcnm, given.rcid, "the record exists");
    return;
  }
  if (ruin != kInsert && held == nullptr) {
    refuse(UpdateProblem::NoSuchRecord, ruin, given.rcnm, given.rcid, "no such record");
    return;
  }
  if (ruin != kInsert && !versionFollows(ruin, given.rcnm, given.rcid, held->rver, given.rver))
    return;
  if (const std::optional<std::string> wrong = wrongPointer(given)) {
    refuse(UpdateProblem::PointerName, ruin, given.rcnm, given.rcid, *wrong);
    return;
  }

  constexpr bool kVector = std::is_same_v<Record, VectorRecord>;
  if (ruin == kInsert) {
    Record* copy = copyOf(given);
    if (copy == nullptr) return;
    List<Record>& list = listOf(*copy);
    slot = {copy, list.last};
    list.append(copy);
    if constexpr (kVector) {
      ++base_.vectorCount;
      added(*copy);
    }
    noteChange(ruin, *copy);
    ++tally_.inserted;
    return;
  }
  if (ruin == kDelete) {
    Record* previous = slot.previous;
    slot.record = nullptr;
    unlink(held, previous, index);
    if constexpr (kVector) {
      --base_.vectorCount;
      removed(held->coordinates, held->soundings());
    }
    noteChange(ruin, *held);
    ++tally_.deleted;
    return;
  }
  std::optional<std::pair<CoordinateRun, SoundingRun>> runs;
  if constexpr (kVector) runs.emplace(held->coordinates, held->soundings());
  if (!modify(*held, given)) {
    if (!outOfMemory_) refuse(problem_.problem, ruin, given.rcnm, given.rcid, why_);
    return;
  }
  if constexpr (kVector) {
    if (runs->first.raw != held->coordinates.raw || runs->second.raw != held->soundings().raw) {
      removed(runs->first, runs->second);
      added(*held);
    }
  }
  noteChange(ruin, *held);
  ++tally_.modified;
}

std::optional<EditedArray> Updater::edit(const ArrayEdit& array,
                                         const UpdateControlImage& control) {
  const int32_t index = control.index;
  const int32_t count = control.itemCount;
  const char* field = array.field;
  if (control.instruction != kInsert && control.instruction != kDelete &&
      control.instruction != kModify) {
    why_ = formatMessage("%s: unknown update instruction %d", field, control.instruction);
    problem_ = {UpdateProblem::UnknownControl, field};
    return std::nullopt;
  }
  const char* what = instructionName(control.instruction);
  if (count < 1) {
    why_ = formatMessage("%s: %s of no element", field, what);
    problem_ = {UpdateProblem::NoElement, field};
    return std::nullopt;
  }
  // The count is first held against the elements given, then against the
  // field: a count that lies is what makes the range wrong.
  if (control.instruction != kDelete && array.givenCount != count) {
    problem_ = {UpdateProblem::CountMismatch, field};
    why_ = formatMessage("%s: %s of %d elements, the update gives %d", field, what, count,
                         array.givenCount);
    return std::nullopt;
  }
  const int32_t lastIndex = control.instruction == kInsert ? array.heldCount + 1 : array.heldCount;
  if (index < 1 || index > lastIndex) {
    problem_ = {UpdateProblem::IndexOutside, field};
    why_ = formatMessage("%s: %s at index %d, outside the %d elements held", field, what, index,
                         array.heldCount);
    return std::nullopt;
  }
  if (control.instruction != kInsert && index - 1 + count > array.heldCount) {
    problem_ = {UpdateProblem::CountRunsPast, field};
    why_ = formatMessage("%s: %s of %d elements from index %d runs past the %d held", field, what,
                         count, index, array.heldCount);
    return std::nullopt;
  }

  EditedArray result;
  result.count = array.heldCount + (control.instruction == kInsert   ? count
                                    : control.instruction == kDelete ? -count
                                                                     : 0);
  if (result.count == 0) return result;
  result.data = arena_.allocate(static_cast<size_t>(result.count) * array.size, array.alignment);
  if (result.data == nullptr) {
    outOfMemory_ = true;
    return std::nullopt;
  }
  auto* out = static_cast<char*>(result.data);
  const auto* held = static_cast<const char*>(array.held);
  const size_t before = static_cast<size_t>(index - 1) * array.size;
  const size_t changed = static_cast<size_t>(count) * array.size;
  const size_t heldBytes = static_cast<size_t>(array.heldCount) * array.size;
  if (before > 0) std::memcpy(out, held, before);
  out += before;
  if (control.instruction != kDelete) {
    std::memcpy(out, array.given, changed);
    out += changed;
  }
  const size_t resume = control.instruction == kInsert ? before : before + changed;
  if (heldBytes > resume) std::memcpy(out, held + resume, heldBytes - resume);
  return result;
}

template <typename Entry>
std::optional<Entries<Entry>> Updater::editEntries(const char* field, const Entries<Entry>& held,
                                                   const Entries<Entry>& given,
                                                   const UpdateControlImage& control) {
  const std::optional<EditedArray> edited =
      edit({field, held.first, held.count, given.first, given.count, sizeof(Entry), alignof(Entry)},
           control);
  if (!edited) return std::nullopt;
  return Entries<Entry>{static_cast<Entry*>(edited->data), edited->count};
}

template <typename Run>
std::optional<Run> Updater::editRun(const char* field, const Run& held, const Run& given,
                                    const UpdateControlImage& control) {
  constexpr size_t kWidth = std::is_same_v<Run, SoundingRun> ? 3 : 2;
  const std::optional<EditedArray> edited =
      edit({field, held.raw, held.count, given.raw, given.count, kWidth * sizeof(int32_t),
            alignof(int32_t)},
           control);
  if (!edited) return std::nullopt;
  Run run = held;
  run.raw = static_cast<const int32_t*>(edited->data);
  run.count = edited->count;
  // An update repeats no parameters: its coordinates are in the cell's units.
  if (held.count == 0) {
    run.comf = base_.dspm.comf;
    if constexpr (std::is_same_v<Run, SoundingRun>) run.somf = base_.dspm.somf;
  }
  return run;
}

std::optional<Entries<AttributeEntry>> Updater::editAttributes(const Entries<AttributeEntry>& held,
                                                               const Entries<AttributeEntry>& given,
                                                               bool sorted) {
  std::vector<AttributeEntry> result(held.first, held.first + held.count);
  for (const AttributeEntry* change : given) {
    auto same = std::find_if(result.begin(), result.end(),
                             [&](const AttributeEntry& e) { return e.attl == change->attl; });
    if (isDeleteMarker(*change)) {
      std::erase_if(result, [&](const AttributeEntry& e) { return e.attl == change->attl; });
      continue;
    }
    AttributeEntry entry = *change;
    const int32_t length = entry.atvlLength > 0 ? entry.atvlLength : 0;
    entry.atvl = arena_.copyText(std::string_view(change->atvl, static_cast<size_t>(length)));
    if (entry.atvl == nullptr) {
      outOfMemory_ = true;
      return std::nullopt;
    }
    if (same != result.end()) {
      *same = entry;
    } else if (sorted) {
      result.insert(std::upper_bound(result.begin(), result.end(), entry,
                                     [](const AttributeEntry& a, const AttributeEntry& b) {
                                       return a.attl < b.attl;
                                     }),
                    entry);
    } else {
      result.push_back(entry);
    }
  }
  Entries<AttributeEntry> entries;
  if (result.empty()) return entries;
  entries.first = static_cast<AttributeEntry*>(
      arena_.allocate(result.size() * sizeof(AttributeEntry), alignof(AttributeEntry)));
  if (entries.first == nullptr) {
    outOfMemory_ = true;
    return std::nullopt;
  }
  std::copy(result.begin(), result.end(), entries.first);
  entries.count = static_cast<int32_t>(result.size());
  return entries;
}

template <typename Entry>
std::optional<Entries<Entry>> Updater::copyEntries(const Entries<Entry>& given) {
  Entries<Entry> copy;
  if (given.empty()) return copy;
  copy.first = static_cast<Entry*>(
      arena_.allocate(static_cast<size_t>(given.count) * sizeof(Entry), alignof(Entry)));
  if (copy.first == nullptr) {
    outOfMemory_ = true;
    return std::nullopt;
  }
  std::copy(given.first, given.first + given.count, copy.first);
  copy.count = given.count;
  return copy;
}

std::optional<Entries<AttributeEntry>> Updater::copyAttributes(
    const Entries<AttributeEntry>& given) {
  std::optional<Entries<AttributeEntry>> copy = copyEntries(given);
  if (!copy) return std::nullopt;
  for (AttributeEntry* entry : *copy) {
    const int32_t length = entry->atvlLength > 0 ? entry->atvlLength : 0;
    entry->atvl = arena_.copyText(std::string_view(entry->atvl, static_cast<size_t>(length)));
    if (entry->atvl == nullptr) {
      outOfMemory_ = true;
      return std::nullopt;
    }
  }
  return copy;
}

std::optional<Entries<FeaturePointerEntry>> Updater::copyFeaturePointers(
    const Entries<FeaturePointerEntry>& given) {
  std::optional<Entries<FeaturePointerEntry>> copy = copyEntries(given);
  if (!copy) return std::nullopt;
  for (FeaturePointerEntry* entry : *copy) {
    const char* text = arena_.copyText(entry->comt);
    if (text == nullptr) {
      outOfMemory_ = true;
      return std::nullopt;
    }
    entry->comt = std::string_view(text, entry->comt.size());
  }
  return copy;
}

template <typename Run>
std::optional<Run> Updater::copyRun(const Run& given) {
  if (given.count == 0) return Run{};
  constexpr size_t kWidth = std::is_same_v<Run, SoundingRun> ? 3 : 2;
  Run run = given;
  run.comf = base_.dspm.comf;
  if constexpr (std::is_same_v<Run, SoundingRun>) run.somf = base_.dspm.somf;
  auto* raw = static_cast<int32_t*>(arena_.allocate(
      static_cast<size_t>(given.count) * kWidth * sizeof(int32_t), alignof(int32_t)));
  if (raw == nullptr) {
    outOfMemory_ = true;
    return std::nullopt;
  }
  std::memcpy(raw, given.raw, static_cast<size_t>(given.count) * kWidth * sizeof(int32_t));
  run.raw = raw;
  return run;
}

VectorRecord* Updater::copyOf(const VectorRecord& given) {
  auto* copy = arena_.createRecord<VectorRecord>();
  if (copy == nullptr) {
    outOfMemory_ = true;
    return nullptr;
  }
  *copy = given;
  copy->extras = nullptr;
  const auto pointers = copyEntries(given.pointers);
  const auto coordinates = pointers ? copyRun(given.coordinates) : std::nullopt;
  if (!coordinates) return nullptr;
  copy->pointers = *pointers;
  copy->coordinates = *coordinates;
  if (given.attributes().empty() && given.soundings().empty()) return copy;
  const auto attributes = copyAttributes(given.attributes());
  const auto soundings = attributes ? copyRun(given.soundings()) : std::nullopt;
  copy->extras = soundings ? arena_.create<VectorExtras>() : nullptr;
  if (copy->extras == nullptr) {
    outOfMemory_ = true;
    return nullptr;
  }
  copy->extras->attributes = *attributes;
  copy->extras->soundings = *soundings;
  return copy;
}

FeatureRecord* Updater::copyOf(const FeatureRecord& given) {
  auto* copy = arena_.createRecord<FeatureRecord>();
  if (copy == nullptr) {
    outOfMemory_ = true;
    return nullptr;
  }
  *copy = given;
  copy->extras = nullptr;
  const auto attributes = copyAttributes(given.attributes);
  const auto spatial = attributes ? copyEntries(given.spatialPointers) : std::nullopt;
  if (!spatial) return nullptr;
  copy->attributes = *attributes;
  copy->spatialPointers = *spatial;
  // Update controls mean nothing once the record is in the chart.
  if (given.nationalAttributes().empty() && given.featurePointers().empty()) return copy;
  const auto national = copyAttributes(given.nationalAttributes());
  const auto pointers = national ? copyFeaturePointers(given.featurePointers()) : std::nullopt;
  copy->extras = pointers ? arena_.create<FeatureExtras>() : nullptr;
  if (copy->extras == nullptr) {
    outOfMemory_ = true;
    return nullptr;
  }
  copy->extras->nationalAttributes = *national;
  copy->extras->featurePointers = *pointers;
  return copy;
}

bool Updater::modify(VectorRecord& held, const VectorRecord& given) {
  // Every change is made aside first; the record changes only when all of
  // them can apply.
  std::optional<Entries<VectorPointerEntry>> pointers = held.pointers;
  if (given.pointerControl() != nullptr) {
    pointers = editEntries("VRPC", held.pointers, given.pointers, *given.pointerControl());
  } else if (!given.pointers.empty()) {
    why_ = "VRPT without VRPC";
    problem_ = {UpdateProblem::NoControl, "VRPC"};
    return false;
  }
  if (!pointers) return false;

  const bool soundings = !held.soundings().empty() || !given.soundings().empty();
  std::optional<CoordinateRun> coordinates = held.coordinates;
  std::optional<SoundingRun> depths = held.soundings();
  if (given.coordinateControl() != nullptr) {
    if (soundings) {
      depths = editRun("SGCC", held.soundings(), given.soundings(), *given.coordinateControl());
    } else {
      coordinates =
          editRun("SGCC", held.coordinates, given.coordinates, *given.coordinateControl());
    }
  } else if (!given.coordinates.empty() || !given.soundings().empty()) {
    why_ = "coordinates without SGCC";
    problem_ = {UpdateProblem::NoControl, "SGCC"};
    return false;
  }
  if (!coordinates || !depths) return false;

  std::optional<Entries<AttributeEntry>> attributes = held.attributes();
  if (!given.attributes().empty())
    attributes = editAttributes(held.attributes(), given.attributes(), false);
  if (!attributes) return false;

  const bool extrasNeeded = !attributes->empty() || !depths->empty();
  if (extrasNeeded && held.extras == nullptr) {
    held.extras = arena_.create<VectorExtras>();
    if (held.extras == nullptr) {
      outOfMemory_ = true;
      return false;
    }
  }
  held.pointers = *pointers;
  held.coordinates = *coordinates;
  if (held.extras != nullptr) {
    held.extras->attributes = *attributes;
    held.extras->soundings = *depths;
  }
  held.rver = given.rver;
  return true;
}

bool Updater::modify(FeatureRecord& held, const FeatureRecord& given) {
  std::optional<Entries<SpatialPointerEntry>> spatial = held.spatialPointers;
  if (given.spatialPointerControl() != nullptr) {
    spatial = editEntries("FSPC", held.spatialPointers, given.spatialPointers,
                          *given.spatialPointerControl());
  } else if (!given.spatialPointers.empty()) {
    why_ = "FSPT without FSPC";
    problem_ = {UpdateProblem::NoControl, "FSPC"};
    return false;
  }
  if (!spatial) return false;

  std::optional<Entries<FeaturePointerEntry>> pointers = held.featurePointers();
  if (given.featurePointerControl() != nullptr) {
    const auto copied = copyFeaturePointers(given.featurePointers());
    if (!copied) return false;
    pointers = editEntries("FFPC", held.featurePointers(), *copied, *given.featurePointerControl());
  } else if (!given.featurePointers().empty()) {
    why_ = "FFPT without FFPC";
    problem_ = {UpdateProblem::NoControl, "FFPC"};
    return false;
  }
  if (!pointers) return false;

  std::optional<Entries<AttributeEntry>> attributes = held.attributes;
  if (!given.attributes.empty())
    attributes = editAttributes(held.attributes, given.attributes, true);
  if (!attributes) return false;
  std::optional<Entries<AttributeEntry>> national = held.nationalAttributes();
  if (!given.nationalAttributes().empty())
    national = editAttributes(held.nationalAttributes(), given.nationalAttributes(), true);
  if (!national) return false;

  const bool extrasNeeded = !national->empty() || !pointers->empty();
  if (extrasNeeded && held.extras == nullptr) {
    held.extras = arena_.create<FeatureExtras>();
    if (held.extras == nullptr) {
      outOfMemory_ = true;
      return false;
    }
  }
  held.spatialPointers = *spatial;
  held.attributes = *attributes;
  if (held.extras != nullptr) {
    held.extras->nationalAttributes = *national;
    held.extras->featurePointers = *pointers;
  }
  held.rver = given.rver;
  return true;
}

template <typename Record>
void Updater::unlink(Record* record, Record* previous, FlatMap<Held<Record>>& index) {
  List<Record>& list = listOf(*record);
  Record* next = record->next;
  if (previous != nullptr) {
    previous->next = next;
  } else {
    list.first = next;
  }
  if (list.last == record) list.last = previous;
  --list.count;
  if (next == nullptr) return;
  Held<Record>* after = index.find(keyOf(next->rcnm, next->rcid));
  if (after != nullptr && after->record == next) after->previous = previous;
}

void Updater::widen(double x, double y) {
  Dataset& d = base_;
  if (d.extentsEmpty == 1) {
    d.minX = d.maxX = x;
    d.minY = d.maxY = y;
    d.extentsEmpty = 0;
    return;
  }
  d.minX = std::min(d.minX, x);
  d.maxX = std::max(d.maxX, x);
  d.minY = std::min(d.minY, y);
  d.maxY = std::max(d.maxY, y);
}

void Updater::added(const VectorRecord& vector) {
  for (const Coordinate c : vector.coordinates)
    widen(c.x, c.y);
  for (const Sounding s : vector.soundings())
    widen(s.x, s.y);
}

void Updater::removed(const CoordinateRun& coordinates, const SoundingRun& soundings) {
  if (extentStale_) return;
  const Dataset& d = base_;
  auto onEdge = [&d](double x, double y) {
    return !(x > d.minX && x < d.maxX && y > d.minY && y < d.maxY);
  };
  for (const Coordinate c : coordinates)
    extentStale_ = extentStale_ || onEdge(c.x, c.y);
  for (const Sounding s : soundings)
    extentStale_ = extentStale_ || onEdge(s.x, s.y);
}

void Updater::recomputeExtent() {
  Dataset& d = base_;
  d.extentsEmpty = 1;
  d.minX = d.maxX = d.minY = d.maxY = 0;
  for (const List<VectorRecord>* list : {&d.isolatedNodes, &d.connectedNodes, &d.edges}) {
    for (const VectorRecord* vector : *list) {
      for (const Coordinate c : vector->coordinates)
        widen(c.x, c.y);
      for (const Sounding s : vector->soundings())
        widen(s.x, s.y);
    }
  }
}

void Updater::noteChange(uint8_t ruin, const FeatureRecord& feature) {
  const auto file = static_cast<int32_t>(files_.size());
  int32_t& live = liveChanges_.insert(keyOf(feature.rcnm, feature.rcid), 0);
  if (live == 0) {
    const FeatureChange change = ruin == kInsert   ? FeatureChange::Inserted
                                 : ruin == kDelete ? FeatureChange::Deleted
                                                   : FeatureChange::Modified;
    changes_.push_back({{change,
                         feature.rcnm,
                         feature.rcid,
                         feature.agen,
                         feature.fidn,
                         feature.fids,
                         feature.objl,
                         {}},
                        file});
    live = ruin == kDelete ? 0 : static_cast<int32_t>(changes_.size());
    return;
  }
  auto& [entry, changedIn] = changes_[static_cast<size_t>(live - 1)];
  if (ruin == kDelete) {
    entry = {FeatureChange::Deleted, feature.rcnm, feature.rcid, feature.agen,
             feature.fidn,           feature.fids, feature.objl, {}};
    changedIn = file;
    live = 0;
  } else if (entry.change == FeatureChange::Modified) {
    changedIn = file;
  }
}

void Updater::noteChange(uint8_t ruin, const VectorRecord& vector) {
  changedVectors_.insert(keyOf(vector.rcnm, vector.rcid), 0) =
      ruin == kDelete ? 0 : static_cast<int32_t>(files_.size());
  vectorsChanged_ = vectorsChanged_ || ruin != kDelete;
}

void Updater::noteMovedFeatures() {
  const auto changedIn = [this](uint8_t rcnm, uint32_t rcid) {
    const int32_t* file = changedVectors_.find(keyOf(rcnm, rcid));
    return file != nullptr ? *file : 0;
  };
  for (const VectorRecord* edge : base_.edges) {
    int32_t latest = 0;
    for (const VectorPointerEntry* p : edge->pointers)
      latest = std::max(latest, changedIn(p->rcnm, p->rcid));
    if (latest == 0) continue;
    int32_t& file = changedVectors_.insert(keyOf(edge->rcnm, edge->rcid), 0);
    file = std::max(file, latest);
  }
  for (const FeatureRecord* feature : base_.features) {
    int32_t latest = 0;
    for (const SpatialPointerEntry* p : feature->spatialPointers)
      latest = std::max(latest, changedIn(p->rcnm, p->rcid));
    if (latest == 0) continue;
    int32_t& live = liveChanges_.insert(keyOf(feature->rcnm, feature->rcid), 0);
    if (live == 0) {
      changes_.push_back({{FeatureChange::Modified,
                           feature->rcnm,
                           feature->rcid,
                           feature->agen,
                           feature->fidn,
                           feature->fids,
                           feature->objl,
                           {}},
                          latest});
      live = static_cast<int32_t>(changes_.size());
      continue;
    }
    auto& [entry, file] = changes_[static_cast<size_t>(live - 1)];
    if (entry.change == FeatureChange::Modified) file = std::max(file, latest);
  }
}

}  // namespace

int countChanged(const std::vector<ChangedFeature>& features, FeatureChange change) {
  return static_cast<int>(
      std::count_if(features.begin(), features.end(),
                    [change](const ChangedFeature& f) { return f.change == change; }));
}

std::vector<std::string> updateFilesBeside(const std::string& basePath) {
  namespace fs = std::filesystem;
  const fs::path base(basePath);
  if (base.extension() != ".000") return {};
  const std::string stem = base.stem().string();
  const fs::path folder = base.has_parent_path() ? base.parent_path() : fs::path(".");
  std::vector<std::pair<int, std::string>> found;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path name = it->path().filename();
    const std::string extension = name.extension().string();
    if (name.stem().string() != stem || extension.size() != 4) continue;
    if (!std::all_of(extension.begin() + 1, extension.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; }))
      continue;
    const int number = std::stoi(extension.substr(1));
    std::error_code ignored;
    if (number == 0 || !it->is_regular_file(ignored)) continue;
    found.emplace_back(number, (base.parent_path() / name).string());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> files;
  for (auto& [number, path] : found)
    files.push_back(std::move(path));
  return files;
}

UpdateReport applyUpdateFiles(Dataset& base, const std::vector<std::string>& files,
                              const LogFn& log) {
  if (files.empty()) return {};
  return Updater(base, log).run(files);
}

}  // namespace abys
