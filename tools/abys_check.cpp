// abys-check [--summary] [--json] FILE...: opens each cell as the viewer
// does (load and checks) and prints its load and check messages; --summary prints one line per file
// instead, --json one JSON document. Exit status 0 when every file loaded
// and passed the checks, 1 when any did not, 2 on a usage error.
// abys-check --help | --version: what it does, or its version.
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "chart_session.h"

namespace {

enum class Output { Log, Summary, Json };

constexpr const char* kUsage = "usage: abys-check [--summary | --json] FILE...\n";

int usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int help() {
  std::fputs(kUsage, stdout);
  std::fputs(
      "Loads and checks each S-57 cell and prints its load and check messages; --summary prints\n"
      "one line per file instead, --json one JSON document. Exit status 0 when every file loaded\n"
      "and passed the checks, 1 when one did not, 2 on a usage error. --version: the version.\n",
      stdout);
  return 0;
}

// A JSON string; bytes that are not UTF-8 are replaced rather than refused.
std::string quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Writes one JSON document of the files checked as it goes: a file's
// messages as they are produced, its findings (kept in a temporary file
// meanwhile, not in memory) after them, then its status and counts. No
// part of the document is held whole, however many findings a file has.
class JsonWriter {
 public:
  JsonWriter() { std::fputs("{\n  \"files\": [", stdout); }
  ~JsonWriter() { std::fputs(files_ > 0 ? "\n  ]\n}\n" : "]\n}\n", stdout); }

  void beginFile(const std::string& path) {
    std::fputs(files_++ > 0 ? ",\n    {\n" : "\n    {\n", stdout);
    std::printf("      \"path\": %s,\n      \"messages\": [", quoted(path).c_str());
    lines_ = 0;
    findings_ = 0;
    partial_.clear();
    spill_ = std::tmpfile();
    held_.clear();
  }

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

  void endFile(const abys::OpenResult& result) {
    if (!partial_.empty()) line(partial_);
    std::fputs(lines_ > 0 ? "\n      ],\n      \"findings\": [" : "],\n      \"findings\": [",
               stdout);
    if (spill_ != nullptr) {
      std::rewind(spill_);
      char buffer[1 << 16];
      for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, spill_)) > 0;)
        std::fwrite(buffer, 1, n, stdout);
      std::fclose(spill_);
      spill_ = nullptr;
    }
    std::fputs(held_.c_str(), stdout);
    std::fputs(findings_ > 0 ? "\n      ],\n" : "],\n", stdout);
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
    std::printf(
        "      \"loadStatus\": %d,\n      \"checkStatus\": %s,\n      \"counts\": %s,\n"
        "      \"extent\": %s\n    }",
        result.loadStatus, result.checked ? std::to_string(result.checkStatus).c_str() : "null",
        counts.dump().c_str(), extent.dump().c_str());
  }

 private:
  void line(const std::string& text) {
    std::fputs(lines_++ > 0 ? ",\n        " : "\n        ", stdout);
    std::fputs(quoted(text).c_str(), stdout);
  }

  int files_ = 0;
  size_t lines_ = 0;
  size_t findings_ = 0;
  std::string partial_;
  std::FILE* spill_ = nullptr;
  std::string held_;  // findings when no temporary file could be made
};

// The check log as text, and every finding to the JSON document too.
class JsonFindings : public abys::TextLogReporter {
 public:
  JsonFindings(abys::LogFn log, JsonWriter& json) : TextLogReporter(std::move(log)), json_(json) {}
  void report(const abys::Finding& finding) override {
    TextLogReporter::report(finding);
    json_.finding(finding);
  }

 private:
  JsonWriter& json_;
};

}  // namespace

int main(int argc, char** argv) {
  Output output = Output::Log;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--summary" || arg == "--json") {
      const Output wanted = arg == "--json" ? Output::Json : Output::Summary;
      if (output != Output::Log && output != wanted) return usage();
      output = wanted;
    } else if (arg == "--help") {
      return help();
    } else if (arg == "--version") {
      std::puts("abys-check " ABYS_VERSION);
      return 0;
    } else if (arg == "--") {
      for (++i; i < argc; ++i)
        paths.emplace_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "abys-check: unknown option %s\n", arg.c_str());
      return usage();
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.empty()) return usage();

  int exitStatus = 0;
  std::optional<JsonWriter> json;
  if (output == Output::Json) json.emplace();
  abys::ChartSession session;
  for (const std::string& path : paths) {
    // Messages go out as they are produced; nothing is kept.
    abys::LogFn sink;
    if (output == Output::Log) {
      if (paths.size() > 1) std::printf("==> %s <==\n", path.c_str());
      sink = [](const char* format, std::va_list args) {
        std::fputs(abys::formatMessage(format, args).c_str(), stdout);
      };
    } else if (output == Output::Json) {
      json->beginFile(path);
      sink = [&json](const char* format, std::va_list args) {
        json->message(abys::formatMessage(format, args));
      };
    }
    abys::TextLogReporter text(sink);
    abys::CountingReporter counter;
    std::optional<JsonFindings> jsonFindings;
    abys::FindingReporter* reporter = &text;
    if (output == Output::Summary) reporter = &counter;
    if (output == Output::Json) reporter = &jsonFindings.emplace(sink, *json);

    const abys::OpenResult result = session.open(path.c_str(), *reporter, sink);
    if (result.outcome == abys::OpenOutcome::CannotOpen) {
      std::fprintf(stderr, "abys-check: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    }
    session.close();
    if (result.loadStatus != 0 || result.checkStatus != 0) exitStatus = 1;

    if (output == Output::Summary) {
      const abys::LoadedCounts& counts = result.counts;
      std::printf(
          "%s: load %d, check %s, features %d, vectors %d (points %d, nodes %d, edges %d), "
          "findings %llu\n",
          path.c_str(), result.loadStatus,
          result.checked ? std::to_string(result.checkStatus).c_str() : "-", counts.features,
          counts.vectors, counts.isolatedNodes, counts.connectedNodes, counts.edges,
          static_cast<unsigned long long>(counter.total()));
    } else if (output == Output::Json) {
      json->endFile(result);
    }
  }
  json.reset();
  return exitStatus;
}
