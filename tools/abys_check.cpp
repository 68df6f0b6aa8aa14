// abys-check [--summary] [--json] FILE...: opens each cell as the viewer
// does (load and checks) and prints its load and check messages; --summary prints one line per file
// instead, --json one JSON document. Exit status 0 when every file loaded
// and passed the checks, 1 when any did not, 2 on a usage error.
// abys-check --help | --version: what it does, or its version.
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "chart_session.h"

namespace {

enum class Output { Log, Summary, Json };

struct FileResult {
  std::string path;
  int loadStatus = 0;
  std::vector<std::string> lines;
};

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

// Splits the accumulated log into lines without their line ends.
std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The check log as text, and every finding as JSON: code, record names and
// the position of the first record ([longitude, latitude]) or null.
class JsonFindings : public abys::TextLogReporter {
 public:
  explicit JsonFindings(abys::LogFn log) : TextLogReporter(std::move(log)) {}
  void report(const abys::Finding& finding) override {
    TextLogReporter::report(finding);
    nlohmann::json records =
        nlohmann::json::array({finding.record ? abys::recordName(*finding.record) : std::string()});
    if (finding.other) records.push_back(abys::recordName(*finding.other));
    nlohmann::json position = nullptr;
    if (finding.position) position = {finding.position->longitude, finding.position->latitude};
    findings.push_back({{"code", finding.code},
                        {"records", std::move(records)},
                        {"position", std::move(position)}});
  }
  nlohmann::json findings = nlohmann::json::array();
};

nlohmann::json countsOf(const abys::LoadedCounts& c) {
  return {{"features", c.features},
          {"vectors", c.vectors},
          {"points", c.isolatedNodes},
          {"nodes", c.connectedNodes},
          {"edges", c.edges}};
}

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
  nlohmann::json documents = nlohmann::json::array();
  abys::ChartSession session;
  for (const std::string& path : paths) {
    std::string log;
    const bool echo = output == Output::Log;
    if (echo && paths.size() > 1) std::printf("==> %s <==\n", path.c_str());
    auto sink = [&](const char* format, std::va_list args) {
      const std::string message = abys::formatMessage(format, args);
      if (echo) std::fputs(message.c_str(), stdout);
      log += message;
    };
    JsonFindings reporter(sink);
    const abys::OpenResult result = session.open(path.c_str(), reporter, sink);
    if (result.outcome == abys::OpenOutcome::CannotOpen) {
      std::fprintf(stderr, "abys-check: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    }
    session.close();
    if (result.loadStatus != 0 || result.checkStatus != 0) exitStatus = 1;

    const abys::LoadedCounts& counts = result.counts;
    const nlohmann::json& findings = reporter.findings;
    if (output == Output::Summary) {
      std::printf(
          "%s: load %d, check %s, features %d, vectors %d (points %d, nodes %d, edges %d), "
          "findings %zu\n",
          path.c_str(), result.loadStatus,
          result.checked ? std::to_string(result.checkStatus).c_str() : "-", counts.features,
          counts.vectors, counts.isolatedNodes, counts.connectedNodes, counts.edges,
          findings.size());
    } else if (output == Output::Json) {
      nlohmann::json doc = {
          {"path", path},
          {"loadStatus", result.loadStatus},
          {"checkStatus", result.checked ? nlohmann::json(result.checkStatus) : nullptr},
          {"counts", countsOf(counts)},
          {"messages", splitLines(log)},
          {"findings", findings}};
      if (counts.hasExtent) {
        doc["extent"] = {{"minX", counts.minX},
                         {"maxX", counts.maxX},
                         {"minY", counts.minY},
                         {"maxY", counts.maxY}};
      } else {
        doc["extent"] = nullptr;
      }
      documents.push_back(std::move(doc));
    }
  }
  if (output == Output::Json) {
    std::puts(nlohmann::json{{"files", documents}}.dump(2).c_str());
  }
  return exitStatus;
}
