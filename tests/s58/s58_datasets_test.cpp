// The IHO's S-58 test datasets as the acceptance suite of the profile: for
// every dataset and every implemented check that s58-checks.md lists for it,
// abys-check's profile reports the check, naming one of the records the
// report names for each defect where the report names any.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "chart_session.h"
#include "context.h"
#include "support/load.h"
#include "support/stream.h"
#include "synthetic_cell.h"

namespace abys {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> cellsOf(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  std::istringstream in(line.substr(1));
  while (std::getline(in, cell, '|')) {
    const size_t first = cell.find_first_not_of(' ');
    const size_t last = cell.find_last_not_of(' ');
    cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
  }
  return cells;
}

// What s58-checks.md expects: the checks of each dataset, and per check and
// dataset the defects, each with the record names its report gives
// ("FE0000000075", "VI0000000024").
struct Expected {
  std::map<std::string, std::vector<std::string>> checks;
  std::map<std::pair<std::string, std::string>, std::vector<std::set<std::string>>> defects;
};

Expected readExpected(const fs::path& file) {
  Expected expected;
  std::ifstream in(file);
  const std::regex checkNumber("^[0-9]+[a-z]?$");
  const std::regex dataset("^(AA[0-9A-Z]+)");
  const std::regex name("\\b(FE|VI|VC|VE)-0*([0-9]+)\\b");
  bool datasetTable = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("## Dataset", 0) == 0) datasetTable = true;
    if (line.rfind("| ", 0) != 0) continue;
    const std::vector<std::string> cells = cellsOf(line);
    if (datasetTable && cells.size() >= 2 && std::regex_search(cells[0], dataset)) {
      std::istringstream checks(cells[1]);
      for (std::string c; std::getline(checks, c, ',');)
        expected.checks[cells[0]].push_back(c.substr(c.find_first_not_of(' ')));
      continue;
    }
    std::smatch match;
    if (cells.size() < 5 || !std::regex_match(cells[0], checkNumber) ||
        !std::regex_search(cells[3], match, dataset)) {
      continue;
    }
    auto& defects = expected.defects[{cells[0], match[1].str()}];
    std::string rest = cells[4];
    for (size_t start = 0; start <= rest.size();) {
      const size_t end = std::min(rest.find("<br>", start), rest.size());
      const std::string defect = rest.substr(start, end - start);
      std::set<std::string> names;
      for (auto it = std::sregex_iterator(defect.begin(), defect.end(), name);
           it != std::sregex_iterator(); ++it) {
        names.insert((*it)[1].str() + formatMessage("%010d", std::stoi((*it)[2].str())));
      }
      if (!names.empty()) defects.push_back(names);
      start = end + 4;
    }
  }
  return expected;
}

// Implemented checks the profile cannot yet report on a dataset, and why.
struct NotYet {
  const char* dataset;
  const char* check;
  const char* why;
};
const NotYet kNotYet[] = {
    {"AA500004", "3", "the load stops at the unknown field ARCC, before the duplicated record"},
    {"AA500004", "86", "the load stops at the unknown field ARCC, before any feature"},
    {"AA500006", "36a", "the report names VE-30 where the update deletes VI-30"},
};

bool notYet(const std::string& dataset, const std::string& check) {
  return std::any_of(std::begin(kNotYet), std::end(kNotYet),
                     [&](const NotYet& n) { return dataset == n.dataset && check == n.check; });
}

TEST(S58Datasets, EveryListedCheckIsReportedOnItsDataset) {
  const fs::path real = test::realDataDir();
  const fs::path datasets = real / "S-58" / "datasets";
  if (!fs::is_directory(datasets) || !fs::exists(real / "s58-checks.md"))
    GTEST_SKIP() << "no S-58 test datasets beside the repository";
  const Expected expected = readExpected(real / "s58-checks.md");
  ASSERT_GT(expected.checks.size(), 30u);
  std::set<std::string_view> implemented;
  for (std::string_view n : s58Implemented())
    implemented.insert(n);

  int reported = 0;
  for (const auto& [dataset, checks] : expected.checks) {
    SCOPED_TRACE(dataset);
    // Every base cell of the dataset (some hold several test cases).
    std::map<std::string, std::vector<std::set<std::string>>> found;  // check -> names
    bool anyCell = false;
    for (const auto& entry : fs::recursive_directory_iterator(datasets / dataset)) {
      if (entry.path().extension() != ".000") continue;
      anyCell = true;
      ChartSession session;
      session.setS58Profile(S58Options{});
      DiscardingReporter quiet;
      testing::internal::CaptureStderr();
      const OpenResult result = session.open(entry.path().c_str(), quiet);
      testing::internal::GetCapturedStderr();
      if (!result.s58) continue;
      for (const S58Finding& f : *result.s58) {
        std::set<std::string> names;
        for (const RecordKey& key : f.records)
          names.insert(recordName(key));
        found[std::string(f.check->number)].push_back(names);
      }
    }
    if (!anyCell) continue;  // the dataset is not in this copy
    for (const std::string& check : checks) {
      if (!implemented.contains(check) || notYet(dataset, check)) continue;
      SCOPED_TRACE("check " + check);
      const auto hits = found.find(check);
      EXPECT_TRUE(hits != found.end()) << "not reported";
      if (hits == found.end()) continue;
      ++reported;
      const auto defects = expected.defects.find({check, dataset});
      if (defects == expected.defects.end()) continue;
      for (const std::set<std::string>& named : defects->second) {
        const bool named_ =
            std::any_of(hits->second.begin(), hits->second.end(), [&](const auto& f) {
              return std::any_of(f.begin(), f.end(),
                                 [&](const std::string& n) { return named.contains(n); });
            });
        EXPECT_TRUE(named_) << "no finding names one of " << *named.begin() << "...";
      }
    }
  }
  std::printf("%d (dataset, check) pairs reported\n", reported);
}

// Generated cells are clean: not one finding of the profile in a standard
// cell. A cell of the project's own classes is no ENC, and says so in three
// findings: its classes are none of the catalogue's (545), it has no M_NSYS
// or M_QUAL (505), and no skin of the earth covers its M_COVR (519a).
TEST(S58Datasets, GeneratedCellsGiveNoFinding) {
  const std::set<std::string_view> ownClasses = {"505", "519a", "545"};
  test::TempFolder folder;
  for (const bool standard : {false, true}) {
    for (const uint32_t seed : {1u, 7u}) {
      SCOPED_TRACE(testing::Message() << "standard " << standard << " seed " << seed);
      mkcell::Options options;
      options.standard = standard;
      options.seed = seed;
      const std::string path =
          folder.writeBytes(cellwriter::encodeCell(mkcell::makeCell(options).cell), "GEN.000");
      ChartSession session;
      session.setS58Profile(S58Options{});
      DiscardingReporter quiet;
      const OpenResult result = session.open(path.c_str(), quiet);
      ASSERT_TRUE(result.opened());
      ASSERT_TRUE(result.s58.has_value());
      for (const S58Finding& f : *result.s58) {
        if (!standard && ownClasses.contains(f.check->number)) continue;
        ADD_FAILURE() << f.check->number << " " << f.check->message << " "
                      << (f.records.empty() ? std::string() : recordName(f.records[0]));
      }
    }
  }
}

// The groups run in lanes, each with a context of its own and side by side
// where the machine allows: the same findings in the same order as one
// context running every group in turn.
TEST(S58Datasets, LanesGiveTheFindingsOfOneContextInTurn) {
  const fs::path datasets = test::realDataDir() / "S-58" / "datasets";
  if (!fs::is_directory(datasets)) GTEST_SKIP() << "no S-58 test datasets beside the repository";
  size_t findings = 0;
  for (const auto& entry : fs::recursive_directory_iterator(datasets)) {
    if (entry.path().extension() != ".000") continue;
    SCOPED_TRACE(entry.path().string());
    Dataset chart;
    const std::string path = entry.path().string();
    const S58Input input{chart, path, test::load(chart, path).status, nullptr};
    const s58::RecordNames names(chart);
    s58::Context inTurn(input, names, true);
    for (const s58::Group& group : s58::groups())
      group.run(inTurn);
    const std::vector<S58Finding> expected = inTurn.take();
    for (const unsigned threads : {0u, 1u, 2u}) {
      SCOPED_TRACE(std::to_string(threads) + " threads");
      const std::vector<S58Finding> lanes = s58::runGroups(input, true, threads);
      ASSERT_EQ(lanes.size(), expected.size());
      for (size_t i = 0; i < lanes.size(); ++i) {
        EXPECT_EQ(lanes[i].check, expected[i].check) << i;
        const auto recordsOf = [](const S58Finding& f) {
          std::vector<std::string> out;
          for (const RecordKey& key : f.records)
            out.push_back(recordName(key));
          return out;
        };
        EXPECT_EQ(recordsOf(lanes[i]), recordsOf(expected[i])) << i;
        EXPECT_EQ(lanes[i].foid, expected[i].foid) << i;
        EXPECT_EQ(lanes[i].position.has_value(), expected[i].position.has_value()) << i;
        EXPECT_EQ(lanes[i].geometry.parts.size(), expected[i].geometry.parts.size()) << i;
      }
    }
    findings += expected.size();
  }
  EXPECT_GT(findings, 500u);
}

}  // namespace
}  // namespace abys
