// Files a catalogue names, found in the exchange set's folders.
#include "exchange_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/load.h"

namespace abys {
namespace {

namespace fs = std::filesystem;

TEST(ExchangeCatalogue, FilesFoundByNameThenWithoutRegardToCase) {
  test::TempFolder set;
  fs::create_directories(fs::path(set.path()) / "ENC_ROOT" / "GB1");
  fs::create_directories(fs::path(set.path()) / "ENC_ROOT" / "gb2");
  set.writeBytes("", "ENC_ROOT/GB1/GB1.000");
  set.writeBytes("", "ENC_ROOT/GB1/gb1.001");
  // Two names that differ only in case: the exact one when asked for, else
  // the first in path order.
  set.writeBytes("", "ENC_ROOT/gb2/Twin.txt");
  set.writeBytes("", "ENC_ROOT/gb2/twin.txt");
  const struct {
    const char* file;
    const char* path;  // below the set's folder
    bool found;
  } cases[] = {
      {"ENC_ROOT\\GB1\\GB1.000", "ENC_ROOT/GB1/GB1.000", true},
      {"enc_root\\gb1\\GB1.001", "ENC_ROOT/GB1/gb1.001", true},
      {"ENC_ROOT/GB2/./twin.txt", "ENC_ROOT/gb2/twin.txt", true},
      {"ENC_ROOT\\GB2\\TWIN.TXT", "ENC_ROOT/gb2/Twin.txt", true},
      {"ENC_ROOT\\GB1\\..\\GB2\\twin.txt", "ENC_ROOT/GB1/../gb2/twin.txt", true},
      {"ENC_ROOT\\gb1\\GONE\\GB1.000", "ENC_ROOT/GB1/GONE/GB1.000", false},
      {"\\ENC_ROOT\\\\GB1.000", "ENC_ROOT/GB1.000", false},
  };
  FolderIndex index;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const CatalogueTarget target = catalogueTarget(index, set.path(), c.file);
    EXPECT_EQ(target.path, fs::path(set.path()) / c.path);
    EXPECT_EQ(target.found, c.found);
  }
  EXPECT_EQ(index.of(fs::path(set.path()) / "ENC_ROOT" / "gb2").size(), 1u)
      << "one entry for names that differ only in case";
}

}  // namespace
}  // namespace abys
