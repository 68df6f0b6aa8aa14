// abys-check [--summary | --json] [--jobs N] [--no-updates] [--lenient] FILE|FOLDER...:
// opens each cell as the viewer does (load, the update files beside a
// NAME.000 unless --no-updates, and checks) and prints its load and check
// messages; --summary prints one line per file and a total line instead,
// --json one JSON document. A folder stands for the cells below it
// (set_inputs.h). N threads check the files (by default one per core),
// each file's output printed in order, the same bytes as with --jobs 1.
// Exit status 0 when every file loaded and passed the checks, 1 when any did
// not, held no chart (no record at all, as the viewer refuses it) or a
// folder held no cell, 2 on a usage error.
// abys-check --help | --version: what it does, or its version.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cell_runner.h"
#include "set_inputs.h"

namespace {

enum class Output { Log, Summary, Json };

constexpr const char* kUsage =
    "usage: abys-check [--summary | --json] [--jobs N] [--no-updates] [--lenient]\n"
    "                  [--s58 [--ignore CHECK,...] [--fail-on critical|error|warning]\n"
    "                  [--geojson OUT.geojson]]\n"
    "                  FILE|FOLDER...\n";
constexpr unsigned kMaxJobs = 256;

int usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int help() {
  std::fputs(kUsage, stdout);
  std::fputs(
      "Loads and checks each S-57 cell and prints its load and check messages; --summary prints\n"
      "one line per file and a total line instead, --json one JSON document. A NAME.000 is\n"
      "checked with the update files NAME.001, NAME.002, ... beside it applied; --no-updates\n"
      "checks it alone. --lenient reads on past a field out of order (a finding of code 7 for\n"
      "each record that holds one) where the load would stop; the file still fails. A FOLDER\n"
      "stands for the *.000 files below it in path order, where a folder holds a CATALOG.031\n"
      "the files it lists first, in its order (update files beside their NAME.000 go with it).\n"
      "--jobs N checks N files at a time (default: one per core) with the same output as\n"
      "--jobs 1. Exit status 0 when every file loaded and passed the checks, 1 when one did\n"
      "not, was cancelled, held no chart (no record at all) or a folder held no cell, 2 on a\n"
      "usage error; --summary and --json say \"holds no chart\" of such a file.\n"
      "--s58 runs the S-58 checks after the ten checks and prints their findings (check, class,\n"
      "message, records, object, FOID, position); --ignore drops checks, --fail-on sets the\n"
      "least class that fails a file (default error), --geojson writes every finding with the\n"
      "geometry of the record it names as one GeoJSON FeatureCollection. --version: the\n"
      "version.\n",
      stdout);
  return 0;
}

// The geometry of a finding as a GeoJSON geometry: the record's, else a
// point at its position, else null.
nlohmann::json geoJsonGeometry(const abys::S58Finding& f) {
  using Kind = abys::S58Geometry::Kind;
  auto positions = [](const std::vector<abys::FindingPosition>& points) {
    nlohmann::json array = nlohmann::json::array();
    for (const abys::FindingPosition& p : points)
      array.push_back({p.longitude, p.latitude});
    return array;
  };
  const abys::S58Geometry& g = f.geometry;
  switch (g.kind) {
    case Kind::Point:
      return {{"type", "Point"}, {"coordinates", positions(g.parts[0])[0]}};
    case Kind::MultiPoint:
      return {{"type", "MultiPoint"}, {"coordinates", positions(g.parts[0])}};
    case Kind::Line:
      return {{"type", "LineString"}, {"coordinates", positions(g.parts[0])}};
    case Kind::MultiLine:
    case Kind::Polygon: {
      nlohmann::json parts = nlohmann::json::array();
      for (const auto& part : g.parts)
        parts.push_back(positions(part));
      return {{"type", g.kind == Kind::Polygon ? "Polygon" : "MultiLineString"},
              {"coordinates", std::move(parts)}};
    }
    case Kind::None:
    default:
      break;
  }
  if (f.position) {
    return {{"type", "Point"}, {"coordinates", {f.position->longitude, f.position->latitude}}};
  }
  return nullptr;
}

// The S-58 findings of a file as JSON objects.
nlohmann::json s58Json(const std::vector<abys::S58Finding>& findings) {
  nlohmann::json array = nlohmann::json::array();
  for (const abys::S58Finding& f : findings) {
    nlohmann::json records = nlohmann::json::array();
    for (const abys::RecordKey& key : f.records)
      records.push_back(abys::recordName(key));
    nlohmann::json position = nullptr;
    if (f.position) position = {f.position->longitude, f.position->latitude};
    array.push_back(
        {{"check", f.check->number},
         {"severity", abys::severityName(f.check->severity)},
         {"message", f.check->message},
         {"records", std::move(records)},
         {"object", f.object.empty() ? nlohmann::json(nullptr) : nlohmann::json(f.object)},
         {"foid", f.foid.empty() ? nlohmann::json(nullptr) : nlohmann::json(f.foid)},
         {"position", std::move(position)}});
  }
  return array;
}

// A JSON string; bytes that are not UTF-8 are replaced rather than refused.
std::string quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Copies what was written to the temporary file from, from its start, to out.
void copyFile(std::FILE* from, std::FILE* out) {
  std::rewind(from);
  char buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, from)) > 0;)
    std::fwrite(buffer, 1, n, out);
}

// A file the load and the checks passed that held no record at all: not a
// chart, as the viewer refuses it.
bool holdsNoChart(const abys::OpenResult& result) {
  return result.outcome == abys::OpenOutcome::NothingLoaded && result.loadStatus == 0 &&
         result.checked && result.checkStatus == 0;
}

// One file's member of the JSON document's "files" array, written to out as
// it goes: its messages as they are produced, its findings (kept in a
// temporary file meanwhile, not in memory) after them, then its status and
// counts. No part is held whole, however many findings a file has.
class JsonFile {
 public:
  // index 0 is the array's first member; the others follow a comma.
  JsonFile(std::FILE* out, size_t index, const std::string& path)
      : out_(out), spill_(std::tmpfile()) {
    std::fputs(index > 0 ? ",\n    {\n" : "\n    {\n", out_);
    std::fprintf(out_, "      \"path\": %s,\n      \"messages\": [", quoted(path).c_str());
  }
  ~JsonFile() {
    if (spill_ != nullptr) std::fclose(spill_);
  }
  JsonFile(const JsonFile&) = delete;
  JsonFile& operator=(const JsonFile&) = delete;

  // Messages as produced: each complete line becomes one string.
  void message(const std::string& text) {
    partial_ += text;
    size_t start = 0;
    for (size_t end = partial_.find('\n'); end != std::string::npos;
         end = partial_.find('\n', start)) {
      line(partial_.substr(start, end - start));
      start = end + 1;
    }
    partial_.erase(0, start);
  }

  void finding(const abys::Finding& finding) {
    nlohmann::json records =
        nlohmann::json::array({finding.record ? abys::recordName(*finding.record) : std::string()});
    if (finding.other) records.push_back(abys::recordName(*finding.other));
    nlohmann::json position = nullptr;
    if (finding.position) position = {finding.position->longitude, finding.position->latitude};
    const std::string text = std::string(findings_++ > 0 ? ",\n        " : "\n        ") +
                             nlohmann::json{{"code", finding.code},
                                            {"records", std::move(records)},
                                            {"position", std::move(position)}}
                                 .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    if (spill_ == nullptr || std::fputs(text.c_str(), spill_) < 0) held_ += text;
  }

  void end(const abys::OpenResult& result) {
    if (!partial_.empty()) line(partial_);
    std::fputs(lines_ > 0 ? "\n      ],\n      \"findings\": [" : "],\n      \"findings\": [",
               out_);
    if (spill_ != nullptr) {
      copyFile(spill_, out_);
    }
    std::fputs(held_.c_str(), out_);
    std::fputs(findings_ > 0 ? "\n      ],\n" : "],\n", out_);
    const abys::LoadedCounts& c = result.counts;
    const nlohmann::json counts = {{"features", c.features},
                                   {"vectors", c.vectors},
                                   {"points", c.isolatedNodes},
                                   {"nodes", c.connectedNodes},
                                   {"edges", c.edges}};
    nlohmann::json extent = nullptr;
    if (c.hasExtent) {
      extent = {{"minX", c.minX}, {"maxX", c.maxX}, {"minY", c.minY}, {"maxY", c.maxY}};
    }
    if (result.s58) {
      std::fprintf(out_, "      \"s58\": %s,\n",
                   s58Json(*result.s58)
                       .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                       .c_str());
    }
    if (holdsNoChart(result))
      std::fputs("      \"failure\": \"holds no chart\",\n", out_);
    if (result.updatesFound > 0) {
      const nlohmann::json updates = {
          {"applied", result.updatesApplied},
          {"refused", result.updatesRefused},
          {"cancelled", result.outcome == abys::OpenOutcome::Cancelled}};
      std::fprintf(out_, "      \"updates\": %s,\n",
                   updates.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    }
    std::fprintf(out_,
                 "      \"loadStatus\": %d,\n      \"checkStatus\": %s,\n      \"counts\": %s,\n"
                 "      \"extent\": %s\n    }",
                 result.loadStatus,
                 result.checked ? std::to_string(result.checkStatus).c_str() : "null",
                 counts.dump().c_str(), extent.dump().c_str());
  }

 private:
  void line(const std::string& text) {
    std::fputs(lines_++ > 0 ? ",\n        " : "\n        ", out_);
    std::fputs(quoted(text).c_str(), out_);
  }

  std::FILE* out_;
  std::FILE* spill_;
  size_t lines_ = 0;
  size_t findings_ = 0;
  std::string partial_;
  std::string held_;  // findings when no temporary file could be made
};

// The check log as text, and every finding to the JSON document too.
class JsonFindings : public abys::TextLogReporter {
 public:
  JsonFindings(abys::LogFn log, JsonFile& json) : TextLogReporter(std::move(log)), json_(json) {}
  void report(const abys::Finding& finding) override {
    TextLogReporter::report(finding);
    json_.finding(finding);
  }

 private:
  JsonFile& json_;
};

// What every file's check is told.
struct Run {
  Output output = Output::Log;
  bool named = false;            // the text log puts each file under a "==> FILE <==" line
  bool updates = true;           // apply the update files beside a NAME.000
  abys::CellCheckOptions check;  // reading past fields out of order, the S-58 profile
  abys::Severity failOn = abys::Severity::Error;
  std::string geojson;  // where to write the findings as GeoJSON, if anywhere
  std::vector<abys::SetCell> files;
};

// What a file's check gave besides its output.
struct FileOutcome {
  bool passed = false;
  std::vector<nlohmann::json> geojson;  // the file's findings as GeoJSON features
  std::optional<int> openError;         // errno when the file could not be opened
};

// Whether a finding of class failOn or a graver one was found.
bool failsOn(const abys::OpenResult& result, abys::Severity failOn) {
  if (!result.s58) return false;
  return std::any_of(result.s58->begin(), result.s58->end(), [&](const abys::S58Finding& f) {
    return static_cast<int>(f.check->severity) <= static_cast<int>(failOn);
  });
}

// The findings of each class, in class order.
std::array<size_t, 3> s58Counts(const std::vector<abys::S58Finding>& findings) {
  std::array<size_t, 3> counts{};
  for (const abys::S58Finding& f : findings)
    ++counts[static_cast<size_t>(f.check->severity)];
  return counts;
}

constexpr abys::Severity kSeverities[] = {abys::Severity::Critical, abys::Severity::Error,
                                          abys::Severity::Warning};

// The S-58 findings after the check log, one line each, then a count line
// per class.
void printS58(const std::vector<abys::S58Finding>& findings, std::FILE* out) {
  for (const abys::S58Finding& f : findings) {
    std::string line =
        abys::formatMessage("S-58 %s %s: %.*s", std::string(f.check->number).c_str(),
                            abys::severityTitle(f.check->severity),
                            static_cast<int>(f.check->message.size()), f.check->message.data());
    for (const abys::RecordKey& key : f.records) {
      line += ' ';
      line += abys::recordName(key);
    }
    if (!f.object.empty()) line += " " + f.object + " " + f.foid;
    if (f.position) {
      line += abys::formatMessage(" at %.7f, %.7f", f.position->longitude, f.position->latitude);
    }
    line += '\n';
    std::fputs(line.c_str(), out);
  }
  const std::array<size_t, 3> counts = s58Counts(findings);
  for (const abys::Severity severity : kSeverities) {
    std::fprintf(out, "S-58 %s: %zu\n", abys::severityTitle(severity),
                 counts[static_cast<size_t>(severity)]);
  }
}

// What the --summary line says of the S-58 findings: nothing without the
// profile.
std::string s58CountsOf(const abys::OpenResult& result) {
  if (!result.s58) return {};
  const std::array<size_t, 3> counts = s58Counts(*result.s58);
  return abys::formatMessage(", S-58 %zu critical, %zu error, %zu warning", counts[0], counts[1],
                             counts[2]);
}

// What the --summary line says of the update files beside a cell: nothing
// when there were none.
std::string updatesOf(const abys::OpenResult& result) {
  if (result.updatesFound == 0) return {};
  std::string text = ", updates";
  for (const std::string& file : result.updatesApplied) {
    text += ' ';
    text += std::filesystem::path(file).filename().string();
  }
  if (result.updatesApplied.empty()) text += " none";
  if (result.updatesRefused > 0) text += abys::formatMessage(", %d refused", result.updatesRefused);
  if (result.outcome == abys::OpenOutcome::Cancelled) text += ", cancelled";
  return text;
}

// Checks file index of run with checker and writes its output to out as it
// is produced: its messages, its --summary line or its JSON member.
FileOutcome checkFile(abys::CellChecker& checker, const Run& run, size_t index, std::FILE* out) {
  const std::string& path = run.files[index].path;
  abys::LogFn sink;
  std::optional<JsonFile> json;
  if (run.output == Output::Log) {
    if (run.named) std::fprintf(out, "==> %s <==\n", path.c_str());
    sink = [out](const char* format, std::va_list args) {
      std::fputs(abys::formatMessage(format, args).c_str(), out);
    };
  } else if (run.output == Output::Json) {
    json.emplace(out, index, path);
    sink = [&json](const char* format, std::va_list args) {
      json->message(abys::formatMessage(format, args));
    };
  }
  abys::TextLogReporter text(sink);
  abys::CountingReporter counter;
  std::optional<JsonFindings> jsonFindings;
  abys::FindingReporter* reporter = &text;
  if (run.output == Output::Summary) reporter = &counter;
  if (run.output == Output::Json) reporter = &jsonFindings.emplace(sink, *json);

  const abys::OpenResult result = checker.check(run.files[index], run.check, *reporter, sink);
  FileOutcome outcome;
  if (result.outcome == abys::OpenOutcome::CannotOpen) outcome.openError = errno;
  // A file of no record at all is not a chart, as the viewer refuses it,
  // even when its load and checks found nothing wrong; that alone is said
  // of it (a load that failed already says why).
  const bool noChart = holdsNoChart(result);
  outcome.passed = result.loadStatus == 0 && result.checked && result.checkStatus == 0 &&
                   !noChart && !failsOn(result, run.failOn);
  if (!run.geojson.empty() && result.s58) {
    const nlohmann::json properties = s58Json(*result.s58);
    for (size_t i = 0; i < result.s58->size(); ++i) {
      nlohmann::json feature = {{"type", "Feature"},
                                {"geometry", geoJsonGeometry((*result.s58)[i])},
                                {"properties", properties[i]}};
      feature["properties"]["file"] = path;
      outcome.geojson.push_back(std::move(feature));
    }
  }

  if (run.output == Output::Log && result.s58) printS58(*result.s58, out);
  if (run.output == Output::Summary) {
    const abys::LoadedCounts& counts = result.counts;
    std::fprintf(
        out,
        "%s: load %d, check %s, features %d, vectors %d (points %d, nodes %d, edges %d), "
        "findings %llu%s\n",
        path.c_str(), result.loadStatus,
        result.checked ? std::to_string(result.checkStatus).c_str() : "-", counts.features,
        counts.vectors, counts.isolatedNodes, counts.connectedNodes, counts.edges,
        static_cast<unsigned long long>(counter.total()),
        (updatesOf(result) + s58CountsOf(result) + (noChart ? ", holds no chart" : "")).c_str());
  } else if (run.output == Output::Json) {
    json->end(result);
  }
  return outcome;
}

// Parses the value of --jobs: 1 to kMaxJobs.
std::optional<unsigned> jobsOf(const std::string& value) {
  if (value.empty() || value.size() > 3 ||
      value.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const unsigned jobs = static_cast<unsigned>(std::stoul(value));
  if (jobs < 1 || jobs > kMaxJobs) return std::nullopt;
  return jobs;
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  unsigned jobs = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxJobs);
  std::vector<std::string> arguments;
  std::set<std::string, std::less<>> ignoredChecks;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--no-updates") {
      run.updates = false;
    } else if (arg == "--lenient") {
      run.check.readPastOrderErrors = true;
    } else if (arg == "--s58") {
      if (!run.check.s58) run.check.s58.emplace();
    } else if (arg == "--geojson" && i + 1 < argc) {
      run.geojson = argv[++i];
    } else if ((arg == "--ignore" || arg == "--fail-on") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--ignore") {
        std::set<std::string, std::less<>> ignored;
        for (size_t start = 0; start <= value.size();) {
          const size_t comma = std::min(value.find(',', start), value.size());
          const std::string number = value.substr(start, comma - start);
          if (abys::s58Check(number) == nullptr) {
            std::fprintf(stderr, "abys-check: --ignore: no S-58 check '%s'\n", number.c_str());
            return usage();
          }
          ignored.insert(number);
          start = comma + 1;
        }
        ignoredChecks.insert(ignored.begin(), ignored.end());
      } else {
        const auto severity =
            std::find_if(std::begin(kSeverities), std::end(kSeverities),
                         [&](abys::Severity s) { return value == abys::severityName(s); });
        if (severity == std::end(kSeverities)) {
          std::fprintf(stderr, "abys-check: --fail-on takes critical, error or warning, not '%s'\n",
                       value.c_str());
          return usage();
        }
        run.failOn = *severity;
      }
    } else if (arg == "--summary" || arg == "--json") {
      const Output wanted = arg == "--json" ? Output::Json : Output::Summary;
      if (run.output != Output::Log && run.output != wanted) return usage();
      run.output = wanted;
    } else if (arg == "--jobs" || arg.rfind("--jobs=", 0) == 0) {
      const bool separate = arg == "--jobs";
      if (separate && i + 1 == argc) return usage();
      const std::string value = separate ? argv[++i] : arg.substr(7);
      const std::optional<unsigned> parsed = jobsOf(value);
      if (!parsed) {
        std::fprintf(stderr, "abys-check: --jobs takes a number from 1 to %u, not '%s'\n", kMaxJobs,
                     value.c_str());
        return usage();
      }
      jobs = *parsed;
    } else if (arg == "--help") {
      return help();
    } else if (arg == "--version") {
      std::puts("abys-check " ABYS_VERSION);
      return 0;
    } else if (arg == "--") {
      for (++i; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "abys-check: unknown option %s\n", arg.c_str());
      return usage();
    } else {
      arguments.push_back(arg);
    }
  }
  if (arguments.empty()) return usage();
  std::optional<abys::S58Options>& s58 = run.check.s58;
  if (!run.geojson.empty() && !s58) s58.emplace();
  if (s58) {
    s58->ignored = std::move(ignoredChecks);
    s58->withGeometry = !run.geojson.empty();
  }

  abys::SetInputs inputs = abys::listInputs(arguments, run.updates);
  for (const std::string& problem : inputs.problems)
    std::fprintf(stderr, "abys-check: %s\n", problem.c_str());
  run.files = std::move(inputs.cells);
  run.named = run.files.size() > 1 || inputs.fromFolder;
  const size_t count = run.files.size();

  size_t passed = 0;
  nlohmann::json geojson = {{"type", "FeatureCollection"}, {"features", nlohmann::json::array()}};
  auto finish = [&](size_t index, const FileOutcome& outcome) {
    for (const nlohmann::json& feature : outcome.geojson)
      geojson["features"].push_back(feature);
    if (outcome.openError) {
      std::fprintf(stderr, "abys-check: cannot open %s: %s\n", run.files[index].path.c_str(),
                   std::strerror(*outcome.openError));
    }
    if (outcome.passed) ++passed;
  };

  if (run.output == Output::Json) std::fputs("{\n  \"files\": [", stdout);
  // Several files at a time keep the cores busy, each file's profile on
  // its worker's thread alone. Each file's output is written to a temporary
  // file of its own and copied to standard output once the files before it
  // have been; at most twice the jobs are started and not yet copied: the
  // datasets in memory are one per thread, the outputs waiting on disk few.
  // With one thread the output goes straight out; nothing is kept. A file
  // whose output could not be kept is checked again, straight out.
  struct Kept {
    std::FILE* spill = nullptr;  // the output; null when it could not be kept
    FileOutcome outcome;
    bool written = false;  // the output went straight out
  };
  std::vector<Kept> kept(count);
  abys::RunOptions options;
  options.threads = jobs;
  options.window = 2 * size_t{jobs};
  options.threadsShort = [&](size_t started, const char* why) {
    std::fprintf(stderr, "abys-check: %zu of %u threads started: %s\n", started, jobs, why);
  };
  const abys::CellWork work = [&](size_t index, abys::CellChecker& checker, bool onCaller) {
    Kept& file = kept[index];
    if (onCaller) {
      file.outcome = checkFile(checker, run, index, stdout);
      file.written = true;
      return true;
    }
    file.spill = std::tmpfile();
    if (file.spill != nullptr) {
      file.outcome = checkFile(checker, run, index, file.spill);
      if (std::fflush(file.spill) != 0 || std::ferror(file.spill)) {
        std::fclose(file.spill);
        file.spill = nullptr;
      }
    }
    return true;
  };
  abys::runCells(count, options, work, [&](size_t index, abys::CellChecker& caller) {
    Kept& file = kept[index];
    if (!file.written && file.spill == nullptr) {
      file.outcome = checkFile(caller, run, index, stdout);
    } else if (!file.written) {
      copyFile(file.spill, stdout);
      std::fclose(file.spill);
    }
    finish(index, file.outcome);
    file = {};
  });

  if (run.output == Output::Json) std::fputs(count > 0 ? "\n  ]\n}\n" : "]\n}\n", stdout);
  bool written = true;
  if (!run.geojson.empty()) {
    std::FILE* out = std::fopen(run.geojson.c_str(), "w");
    const std::string text =
        geojson.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    written = out != nullptr && std::fputs(text.c_str(), out) >= 0;
    if (out != nullptr && std::fclose(out) != 0) written = false;
    if (!written) {
      std::fprintf(stderr, "abys-check: cannot write %s: %s\n", run.geojson.c_str(),
                   std::strerror(errno));
    }
  }
  if (run.output == Output::Summary) {
    std::printf("total: %zu %s, %zu passed, %zu failed\n", count, count == 1 ? "file" : "files",
                passed, count - passed);
  }
  return passed == count && !inputs.failed && written ? 0 : 1;
}
