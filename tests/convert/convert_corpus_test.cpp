// Every real presentation of the corpus converts, or fails with a clear
// message, and the batch goes on: no crash, no LibreOffice left running, no
// working folder and no lock file left behind.
#include <gtest/gtest.h>

#include "support/needs.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <span>

#include "base/notifier.h"
#include "pipeline/automation.h"
#include "pipeline/batch_driver.h"
#include "pipeline/office_server.h"
#include "pipeline/output_names.h"
#include "support/files.h"
#include "support/swf_reader.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

bool GroupGone(std::int64_t group) { return group > 0 && ::kill(-static_cast<pid_t>(group), 0) != 0 && errno == ESRCH; }

std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt", ec)) {
    auto ext = entry.path().extension().string();
    if (ext == ".ppt" || ext == ".pps") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The files that the corpus's manifest records LibreOffice as unable to load
// (its last column starts "load FAILS"): these, and only these, may fail.
std::set<std::string> FilesLibreOfficeCannotLoad() {
  std::set<std::string> names;
  std::ifstream manifest(fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / "MANIFEST.tsv");
  std::string line;
  while (std::getline(manifest, line)) {
    const auto tab = line.find('\t');
    const auto lastTab = line.rfind('\t');
    if (tab != std::string::npos && line.compare(lastTab + 1, 10, "load FAILS") == 0) {
      names.insert(line.substr(0, tab));
    }
  }
  return names;
}

TEST(ConvertCorpus, EveryFileConvertsOrFailsClearlyAndNothingIsLeftBehind) {
  std::vector<fs::path> files = CorpusFiles();
  ORVANTA_NEEDS(!files.empty(), "the corpus at " + (fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt").string());
  test::ScratchFolder temp, out;
  ConversionSettings settings;
  settings.TempFolder = temp.path() + "/";
  settings.OutputFolder = out.path();
  RecordingNotifier recorder;
  ScopedNotifier scope(recorder);

  const std::set<std::string> cannotLoad = FilesLibreOfficeCannotLoad();
  ASSERT_FALSE(cannotLoad.empty()) << "the manifest names no file that fails to load";
  std::set<std::string> failed;
  std::int64_t group = 0;
  int converted = 0;
  {
    OfficeServer server;
    BatchDriver driver(settings, server, [](const std::string&) { return std::make_unique<Progress>(); });
    for (const fs::path& file : files) {
      std::size_t before = recorder.reports.size();
      // A file LibreOffice cannot read fails alone, with its message.
      EntryResult result = driver.ConvertEntry(file.string());
      std::string failure;
      if (group == 0) group = server.processGroup();
      if (result == EntryResult::kConverted && recorder.reports.size() == before) {
        ++converted;
        std::string movie = OutputPath(out.path(), MovieName(file.string()));
        std::string bytes = test::ReadFile(movie);
        test::SwfMovie swf =
            test::ReadSwf(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        EXPECT_TRUE(swf.ok()) << file.filename();
        EXPECT_GE(std::count_if(swf.tags.begin(), swf.tags.end(), [](const test::SwfTag& t) { return t.code == 21; }),
                  1)
            << file.filename() << ": no slide picture";
        // A completed conversion leaves no working folder.
        for (const std::string& name : test::FileNames(temp.path())) {
          EXPECT_EQ(name.find("_zzz_"), std::string::npos) << "working folder left: " << name;
        }
      } else {
        // A failure always says why.
        failed.insert(file.filename().string());
        if (failure.empty() && recorder.reports.size() > before) failure = recorder.reports.back();
        EXPECT_FALSE(failure.empty()) << file.filename() << " failed without a message";
      }
      for (const std::string& name : test::FileNames(file.parent_path().string())) {
        EXPECT_EQ(name.rfind(".~lock.", 0), std::string::npos) << "lock file " << name;
      }
    }
  }
  // The files LibreOffice itself cannot load fail; every other one converts.
  EXPECT_EQ(failed, cannotLoad);
  EXPECT_EQ(converted, static_cast<int>(files.size() - cannotLoad.size()));
  if (group != 0) {
    EXPECT_TRUE(GroupGone(group)) << "LibreOffice outlived the batch";
  }
}

}  // namespace
}  // namespace orv
