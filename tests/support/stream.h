// Test helpers: run the record reader over bytes held in memory, and find the
// real cells shipped beside the repository.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "record_reader.h"

namespace abys::test {

// A FILE* over a copy of bytes; empty input gives an empty temporary file.
class MemoryFile {
 public:
  explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {
    file_ = bytes_.empty() ? std::tmpfile() : fmemopen(bytes_.data(), bytes_.size(), "rb");
  }
  ~MemoryFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::string bytes_;
  std::FILE* file_ = nullptr;
};

// What one ddfReadField call gave.
struct ReadResult {
  int length = 0;
  std::string text;  // the tagged field, length bytes
};

// Reads every field of bytes after the dropped first record: the results in
// order, ending with the first 0 or kMalformedRecord (included). Stops after
// maxCalls so that a reader that never ends fails the test instead of hanging.
inline std::vector<ReadResult> readAll(const std::string& bytes, int maxCalls = 1000000) {
  MemoryFile file(bytes);
  DdfReader reader;
  ddfAttach(reader);
  std::vector<char> buffer(kTaggedFieldAreaSize);
  std::vector<ReadResult> results;
  ddfReadField(reader, buffer.data(), kTaggedFieldAreaSize, file.get());
  for (int call = 0; call < maxCalls; ++call) {
    const int length = ddfReadField(reader, buffer.data(), kTaggedFieldAreaSize, file.get());
    ReadResult r{length, length > 0 ? std::string(buffer.data(), static_cast<size_t>(length))
                                    : std::string()};
    results.push_back(std::move(r));
    if (length <= 0) break;
  }
  return results;
}

// Tags of readAll's fields, with "END" or "MALFORMED" as the last entry.
inline std::vector<std::string> tagsOf(const std::vector<ReadResult>& results) {
  std::vector<std::string> tags;
  for (const ReadResult& r : results) {
    if (r.length == 0) {
      tags.push_back("END");
    } else if (r.length == kMalformedRecord) {
      tags.push_back("MALFORMED");
    } else {
      tags.push_back(r.text.substr(0, 4));
    }
  }
  return tags;
}

// The folder of real cells written by others, or empty when it is absent.
inline std::filesystem::path realDataDir() {
  const char* dir = std::getenv("ABYS_REAL_DATA");
  if (dir == nullptr || !std::filesystem::is_directory(dir)) return {};
  return dir;
}

// Every base cell and update file (*.000 to *.009) under the real-data folder.
inline std::vector<std::filesystem::path> realCells() {
  std::vector<std::filesystem::path> cells;
  const std::filesystem::path dir = realDataDir();
  if (dir.empty()) return cells;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && ext.size() == 4 && ext.compare(0, 3, ".00") == 0 &&
        ext[3] >= '0' && ext[3] <= '9') {
      cells.push_back(entry.path());
    }
  }
  std::sort(cells.begin(), cells.end());
  return cells;
}

// Everything left to read from stream.
inline std::string readStream(std::FILE* stream) {
  std::string bytes;
  char chunk[65536];
  for (;;) {
    const size_t n = std::fread(chunk, 1, sizeof chunk, stream);
    if (n == 0) break;
    bytes.append(chunk, n);
  }
  return bytes;
}

inline std::string readFileBytes(const std::filesystem::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return {};
  std::string bytes = readStream(f);
  std::fclose(f);
  return bytes;
}

}  // namespace abys::test
