// The web player's copy into output folders, and what the batch writes when
// the copy cannot be made.
#include "pipeline/web_player.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/web_page.h"
#include "movie/web_player_markup.h"
#include "pipeline/batch_driver.h"
#include "pipeline/scripted_presentation.h"
#include "support/files.h"
#include "support/pictures.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::FileNames;
using test::ReadFile;
using test::ScratchFolder;
void Write(const std::string& path, const std::string& text) { test::WriteFile(path, text); }

// A bundle like the real one: a loader, a large core, licences and the stamp.
WebPlayerBundle MakeBundle(const ScratchFolder& scratch, const std::string& name, const std::string& version) {
  const std::string folder = scratch / name;
  Write(folder + "/ruffle.js", "// loader " + version + "\n");
  Write(folder + "/core.ruffle.0123.js", "// core\n");
  Write(folder + "/0123.wasm", std::string(256 * 1024, 'w'));
  Write(folder + "/LICENSE_MIT", "MIT\n");
  Write(folder + "/LICENSE_APACHE", "Apache\n");
  Write(folder + "/" + kWebPlayerStamp, "@ruffle-rs/ruffle " + version + "\n");
  return ReadWebPlayerBundle(folder);
}

// Names in the output folder, hidden ones included: a half copy would show here.
std::vector<std::string> Everything(const std::string& folder) { return FileNames(folder); }

ino_t Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class WebPlayerCopyTest : public ::testing::Test {
 protected:
  ScratchFolder bundles_, out_;
  WebPlayerBundle bundle_ = MakeBundle(bundles_, "installed", "0.6.0");
  std::string target_ = out_ / "ruffle";
};

TEST_F(WebPlayerCopyTest, FirstCopyThenLeftAloneThenReplacedByAnotherVersion) {
  ASSERT_TRUE(bundle_.found());
  EXPECT_EQ(bundle_.version, "@ruffle-rs/ruffle 0.6.0\n");
  Write(out_ / "Talk.swf", "movie");

  EXPECT_EQ(InstallWebPlayer(bundle_, out_.path()), WebPlayerCopy::kCopied);
  EXPECT_EQ(Everything(out_.path()), (std::vector<std::string>{"Talk.swf", "ruffle"}));
  EXPECT_EQ(FileNames(target_), FileNames(bundle_.folder));
  EXPECT_EQ(ReadFile(target_ + "/0123.wasm"), ReadFile(bundle_.folder + "/0123.wasm"));
  EXPECT_EQ(ReadFile(out_ / "Talk.swf"), "movie");

  // The same version again: not copied, the folder and its stamp untouched.
  const ino_t folderBefore = Inode(target_);
  const ino_t stampBefore = Inode(target_ + "/VERSION");
  EXPECT_EQ(InstallWebPlayer(bundle_, out_.path()), WebPlayerCopy::kPresent);
  EXPECT_EQ(Inode(target_), folderBefore);
  EXPECT_EQ(Inode(target_ + "/VERSION"), stampBefore);

  // A newer program replaces the copy as a whole, extra files included.
  Write(target_ + "/stale.js", "old");
  const WebPlayerBundle newer = MakeBundle(bundles_, "newer", "0.7.0");
  EXPECT_EQ(InstallWebPlayer(newer, out_.path()), WebPlayerCopy::kCopied);
  EXPECT_EQ(ReadFile(target_ + "/VERSION"), "@ruffle-rs/ruffle 0.7.0\n");
  EXPECT_EQ(ReadFile(target_ + "/ruffle.js"), "// loader 0.7.0\n");
  EXPECT_FALSE(fs::exists(target_ + "/stale.js"));
  EXPECT_EQ(Everything(out_.path()), (std::vector<std::string>{"Talk.swf", "ruffle"}));
}

TEST_F(WebPlayerCopyTest, UnstampedFolderIsTakenAsAnotherVersion) {
  Write(target_ + "/ruffle.js", "someone's half copy");
  EXPECT_EQ(InstallWebPlayer(bundle_, out_.path()), WebPlayerCopy::kCopied);
  EXPECT_EQ(ReadFile(target_ + "/VERSION"), bundle_.version);
}

TEST_F(WebPlayerCopyTest, AFileOfThatNameIsNotTouched) {
  Write(target_, "my notes about ruffle");
  EXPECT_EQ(InstallWebPlayer(bundle_, out_.path()), WebPlayerCopy::kFailed);
  EXPECT_EQ(ReadFile(target_), "my notes about ruffle");
  EXPECT_EQ(Everything(out_.path()), std::vector<std::string>{"ruffle"});
}

TEST_F(WebPlayerCopyTest, MissingBundleOrFolderFails) {
  EXPECT_EQ(InstallWebPlayer(ReadWebPlayerBundle(bundles_ / "nowhere"), out_.path()), WebPlayerCopy::kFailed);
  EXPECT_EQ(InstallWebPlayer(bundle_, out_ / "no-such-folder"), WebPlayerCopy::kFailed);
  EXPECT_TRUE(Everything(out_.path()).empty());
}

// A disk that fills up half way through the copy leaves no half player, and
// an older copy stays as it was.
TEST_F(WebPlayerCopyTest, FullDiskLeavesNoHalfPlayer) {
  const WebPlayerBundle older = MakeBundle(bundles_, "older", "0.5.0");
  ASSERT_EQ(InstallWebPlayer(older, out_.path()), WebPlayerCopy::kCopied);
  for (const bool withOlder : {true, false}) {
    if (!withOlder) fs::remove_all(target_);
    WebPlayerCopy result;
    {
      test::FileSizeLimit limit(64 * 1024);  // the wasm file does not fit
      result = InstallWebPlayer(bundle_, out_.path());
    }

    EXPECT_EQ(result, WebPlayerCopy::kFailed);
    if (withOlder) {
      EXPECT_EQ(Everything(out_.path()), std::vector<std::string>{"ruffle"});
      EXPECT_EQ(ReadFile(target_ + "/VERSION"), older.version);
    } else {
      EXPECT_TRUE(Everything(out_.path()).empty());
    }
  }
}

TEST(WebPlayerLocation, BesideTheProgramFirstThenTheSharedFolder) {
  ScratchFolder install;
  fs::create_directories(install / "bin");
  EXPECT_EQ(WebPlayerCandidates(install / "bin"),
            (std::vector<std::string>{install / "bin/ruffle", install / "share/orvanta/ruffle"}));
  // Not found: the last place looked at is named for the message.
  WebPlayerBundle none = LocateWebPlayer(install / "bin");
  EXPECT_FALSE(none.found());
  EXPECT_EQ(none.folder, install / "share/orvanta/ruffle");

  Write(install / "share/orvanta/ruffle/VERSION", "v1\n");
  EXPECT_EQ(LocateWebPlayer(install / "bin").folder, install / "share/orvanta/ruffle");
  Write(install / "bin/ruffle/VERSION", "v2\n");
  EXPECT_EQ(LocateWebPlayer(install / "bin").version, "v2\n");
  // A folder without a stamp is no bundle.
  fs::remove(install / "bin/ruffle/VERSION");
  EXPECT_EQ(LocateWebPlayer(install / "bin").version, "v1\n");
}

// The batch's side: the copy is made before the first page, problems are
// reported once, and the pages are still written.
class WebPlayerBatchTest : public ::testing::Test {
 protected:
  WebPlayerBatchTest() : scope_(recorder_) {
    settings_.TempFolder = temp_.path() + "/";
    settings_.OutputFolder = out_.path();
    settings_.WebPlayer = 1;
  }

  std::string PictureFolder(const std::string& name) {
    const std::string folder = source_ / name;
    fs::create_directories(folder);
    for (int i = 1; i <= 2; ++i) {
      test::WriteSolidBmp(folder + "/Slide" + std::to_string(i) + ".bmp", 64, 48, 200, 40, 40);
    }
    return folder;
  }

  std::vector<EntryResult> Convert(const WebPlayerBundle& bundle, std::initializer_list<std::string> entries) {
    ScriptedServer server;
    BatchDriver driver(settings_, server, [](const std::string&) { return std::make_unique<Progress>(); });
    driver.SetWebPlayer(bundle);
    std::vector<EntryResult> results;
    for (const auto& entry : entries) results.push_back(driver.ConvertEntry(entry));
    return results;
  }

  RecordingNotifier recorder_;
  ScopedNotifier scope_;
  ScratchFolder temp_, out_, source_, bundles_;
  ConversionSettings settings_;
};

TEST_F(WebPlayerBatchTest, PagesLoadThePlayerCopiedBesideThem) {
  const WebPlayerBundle bundle = MakeBundle(bundles_, "installed", "0.6.0");
  Convert(bundle, {PictureFolder("a"), PictureFolder("b")});
  EXPECT_TRUE(recorder_.reports.empty()) << recorder_.reports.front();
  EXPECT_EQ(FileNames(out_.path()), (std::vector<std::string>{"a.htm", "a.swf", "b.htm", "b.swf", "ruffle"}));
  EXPECT_NE(ReadFile(out_ / "a.htm").find(WebPlayerHeadLines("ruffle/", false, "")), std::string::npos);
  EXPECT_EQ(ReadFile(out_ / "ruffle/VERSION"), bundle.version);

  // Without pages there is nothing to copy the player for.
  ScratchFolder other;
  settings_.OutputFolder = other.path();
  settings_.GenHTML = 0;
  Convert(bundle, {PictureFolder("c")});
  EXPECT_EQ(FileNames(other.path()), std::vector<std::string>{"c.swf"});
}

TEST_F(WebPlayerBatchTest, PagesOfASharedPlayerGetNoCopy) {
  const WebPlayerBundle bundle = MakeBundle(bundles_, "installed", "0.6.0");
  settings_.WebPlayerUrl = "/shared/ruffle";
  Convert(bundle, {PictureFolder("a")});
  EXPECT_TRUE(recorder_.reports.empty()) << recorder_.reports.front();
  EXPECT_EQ(FileNames(out_.path()), (std::vector<std::string>{"a.htm", "a.swf"}));
  EXPECT_NE(ReadFile(out_ / "a.htm").find("loader.src = \"/shared/ruffle/ruffle.js\""), std::string::npos);
  // Nor is a missing bundle worth a message then.
  Convert(ReadWebPlayerBundle(bundles_ / "none"), {PictureFolder("b")});
  EXPECT_TRUE(recorder_.reports.empty()) << recorder_.reports.front();
}

TEST_F(WebPlayerBatchTest, MissingBundleIsNamedOnceAndThePlainPageWritten) {
  const WebPlayerBundle missing = ReadWebPlayerBundle(bundles_ / "share/orvanta/ruffle");
  Convert(missing, {PictureFolder("a"), PictureFolder("b")});
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(msg::kWebPlayerMissing, missing.folder)});
  ConversionSettings plain = settings_;
  plain.WebPlayer = 0;
  PageLinks links;
  links.movie = "b.swf";
  EXPECT_EQ(ReadFile(out_ / "b.htm"), *BuildWebPage(links, plain));
  EXPECT_EQ(FileNames(out_.path()), (std::vector<std::string>{"a.htm", "a.swf", "b.htm", "b.swf"}));
}

// A page must not load a player that is not there: every entry whose pages
// need the copy hears of it and fails, its movie written and its page not;
// once the folder can take the copy, the next run makes it.
TEST_F(WebPlayerBatchTest, FolderThatCannotTakeTheCopyFailsEveryEntryThatNeedsIt) {
  const WebPlayerBundle bundle = MakeBundle(bundles_, "installed", "0.6.0");
  Write(out_ / "ruffle", "not a folder");
  const auto results = Convert(bundle, {PictureFolder("a"), PictureFolder("b")});
  const std::string failed = FormatMessage(msg::kWebPlayerCopyFailed, out_ / "ruffle");
  EXPECT_EQ(recorder_.reports, (std::vector<std::string>{failed, failed}));
  EXPECT_EQ(results, (std::vector<EntryResult>{EntryResult::kFailed, EntryResult::kFailed}));
  EXPECT_EQ(FileNames(out_.path()), (std::vector<std::string>{"a.swf", "b.swf", "ruffle"}));
  EXPECT_EQ(ReadFile(out_ / "ruffle"), "not a folder");

  // A copy someone pruned is made whole again.
  fs::remove(out_ / "ruffle");
  EXPECT_EQ(Convert(bundle, {PictureFolder("a")}), std::vector<EntryResult>{EntryResult::kConverted});
  fs::remove(out_ / "ruffle/ruffle.js");
  EXPECT_EQ(Convert(bundle, {PictureFolder("b")}), std::vector<EntryResult>{EntryResult::kConverted});
  EXPECT_TRUE(fs::exists(out_ / "ruffle/ruffle.js"));
}

}  // namespace
}  // namespace orv
