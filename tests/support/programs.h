// Test helpers that run programs: ours, built beside the test program, and
// GDAL's ogrinfo as an independent reader of cells.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>

#include "support/load.h"
#include "support/stream.h"

namespace abys::test {

struct ProgramRun {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

// Runs one of our programs (found beside this test program) with the given
// arguments, as a shell would split them.
inline ProgramRun runProgram(const std::string& name, const std::string& arguments) {
  const std::string program =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
  TempFile errFile("", "stderr.txt");
  ProgramRun r;
  std::FILE* pipe = popen((program + " " + arguments + " 2>" + errFile.path()).c_str(), "r");
  if (pipe == nullptr) return r;
  r.out = readStream(pipe);
  const int status = pclose(pipe);
  r.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = readFileBytes(errFile.path());
  return r;
}

// Record counts of a cell as GDAL reads it.
struct RecordCounts {
  int features = 0;
  int isolatedNodes = 0;
  int connectedNodes = 0;
  int edges = 0;
  bool operator==(const RecordCounts&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const RecordCounts& c) {
  return out << c.features << " features, " << c.isolatedNodes << " isolated nodes, "
             << c.connectedNodes << " connected nodes, " << c.edges << " edges";
}

inline bool haveOgrinfo() {
  static const bool have = std::system("ogrinfo --version >/dev/null 2>&1") == 0;
  return have;
}

// GDAL's counts (feature layers summed, primitives by layer), updates in the
// folder left aside; false when GDAL cannot read the file.
inline bool gdalCounts(const std::string& path, RecordCounts& counts) {
  const std::string command =
      "OGR_S57_OPTIONS=RETURN_PRIMITIVES=ON,RETURN_LINKAGES=ON,LNAM_REFS=ON,UPDATES=IGNORE "
      "ogrinfo -ro -so -al '" +
      path + "' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  const std::string output = readStream(pipe);
  if (pclose(pipe) != 0) return false;

  std::istringstream lines(output);
  std::string line, layer;
  counts = {};
  while (std::getline(lines, line)) {
    if (line.rfind("Layer name: ", 0) == 0) layer = line.substr(12);
    if (line.rfind("Feature Count: ", 0) != 0) continue;
    const int count = std::stoi(line.substr(15));
    if (layer == "IsolatedNode") {
      counts.isolatedNodes = count;
    } else if (layer == "ConnectedNode") {
      counts.connectedNodes = count;
    } else if (layer == "Edge") {
      counts.edges = count;
    } else if (layer != "DSID" && layer != "Face") {
      counts.features += count;
    }
  }
  return true;
}

inline RecordCounts countsOf(const Dataset& d) {
  return {d.features.count, d.isolatedNodes.count, d.connectedNodes.count, d.edges.count};
}

}  // namespace abys::test
