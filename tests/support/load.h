// Test helpers for loading: a load that collects its messages, temporary cell
// files, and a check of the dataset's structural invariants.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "load_driver.h"

namespace abys::test {

struct LoadResult {
  int status = 0;
  int32_t exchangePurpose = 0;
  std::string log;  // every message, formatted, in order
  std::vector<double> progress;
};

inline LoadResult load(Dataset& dataset, const std::string& path, const LoadOptions& options = {}) {
  LoadResult r;
  r.status = loadCell(
      dataset, path.c_str(), r.exchangePurpose,
      [&](const char* format, std::va_list args) { r.log += formatMessage(format, args); },
      [&](double fraction) { r.progress.push_back(fraction); }, options);
  return r;
}

// A fresh temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "abys-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Writes bytes as name into the folder and returns its path.
  std::string writeBytes(const std::string& bytes, const std::string& name) const {
    const std::string file = path() + "/" + name;
    if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return file;
  }
  std::string path() const { return dir_.string(); }

 private:
  std::filesystem::path dir_;
};

// A file in a fresh temporary folder, removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes, const std::string& name = "CELL.000")
      : path_(folder_.writeBytes(bytes, name)) {}
  const std::string& path() const { return path_; }

 private:
  TempFolder folder_;
  std::string path_;
};

template <typename T>
std::string listViolations(const List<T>& list, const char* name) {
  int32_t count = 0;
  const T* previous = nullptr;
  for (const T* e = list.first; e != nullptr; e = e->next) {
    previous = e;
    if (++count > list.count) break;
  }
  if (count != list.count) return std::string(name) + ": count differs from the elements\n";
  if (list.last != previous) return std::string(name) + ": last is not the final element\n";
  if ((list.first == nullptr) != (list.count == 0)) return std::string(name) + ": empty mismatch\n";
  return {};
}

template <typename T>
std::string listViolations(const Entries<T>& entries, const char* name) {
  if (entries.count < 0) return std::string(name) + ": negative count\n";
  if (entries.first == nullptr && entries.count > 0) {
    return std::string(name) + ": entries without an array\n";
  }
  return {};
}

// Describes every broken invariant of the model; empty when all hold.
inline std::string invariantViolations(const Dataset& d) {
  std::string out;
  out += listViolations(d.features, "features");
  out += listViolations(d.isolatedNodes, "isolatedNodes");
  out += listViolations(d.connectedNodes, "connectedNodes");
  out += listViolations(d.edges, "edges");
  if (d.vectorCount < d.isolatedNodes.count + d.connectedNodes.count + d.edges.count) {
    out += "vectorCount below the list counts\n";
  }
  auto inExtent = [&](double x, double y) {
    return d.extentsEmpty == 0 && x >= d.minX && x <= d.maxX && y >= d.minY && y <= d.maxY;
  };
  if (d.extentsEmpty == 0 && !(d.minX <= d.maxX && d.minY <= d.maxY)) out += "extent inverted\n";
  for (const FeatureRecord* f : d.features) {
    out += listViolations(f->attributes, "attributes");
    out += listViolations(f->nationalAttributes(), "nationalAttributes");
    out += listViolations(f->featurePointers(), "featurePointers");
    out += listViolations(f->spatialPointers, "spatialPointers");
    for (const Entries<AttributeEntry>* entries : {&f->attributes, &f->nationalAttributes()}) {
      for (int32_t i = 1; i < entries->count; ++i) {
        if ((*entries)[i - 1].attl > (*entries)[i].attl) out += "attributes out of order\n";
      }
    }
  }
  const std::pair<const List<VectorRecord>*, uint8_t> kinds[] = {
      {&d.isolatedNodes, 110}, {&d.connectedNodes, 120}, {&d.edges, 130}};
  for (const auto& [list, rcnm] : kinds) {
    for (const VectorRecord* v : *list) {
      if (v->rcnm != rcnm) out += "vector record in the wrong list\n";
      out += listViolations(v->attributes(), "vector attributes");
      out += listViolations(v->pointers, "pointers");
      if ((v->coordinates.count > 0) != (v->coordinates.raw != nullptr)) {
        out += "coordinate run without coordinates\n";
      }
      if ((v->soundings().count > 0) != (v->soundings().raw != nullptr)) {
        out += "sounding run without soundings\n";
      }
      for (const Coordinate c : v->coordinates) {
        if (!inExtent(c.x, c.y) && !std::isnan(c.x) && !std::isnan(c.y)) {
          out += "coordinate outside the extent\n";
        }
      }
      for (const Sounding s : v->soundings()) {
        if (!inExtent(s.x, s.y) && !std::isnan(s.x) && !std::isnan(s.y)) {
          out += "sounding outside the extent\n";
        }
      }
    }
  }
  return out;
}

}  // namespace abys::test
