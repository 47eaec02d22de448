#include "pipeline/working_folder.h"

#include <gtest/gtest.h>

#include "support/needs.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <tuple>
#include <utility>

#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/resources.h"
#include "support/files.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

class MapTable final : public ResourceTable {
 public:
  std::optional<Bytes> Find(int id, std::string_view type) const override {
    auto it = entries.find(id);
    if (it == entries.end() || type != "BIN") return std::nullopt;
    return Bytes(it->second.data(), it->second.size());
  }
  std::map<int, std::vector<std::uint8_t>> entries{{215, {0xD7, 0xCD, 0xC6, 0x9A, 1}},
                                                   {214, {0xD7, 0xCD, 0xC6, 0x9A, 2}}};
};

std::vector<std::string> FileNames(const std::vector<std::string>& paths) {
  std::vector<std::string> names;
  for (const auto& p : paths) names.push_back(fs::path(p).filename().string());
  return names;
}

class CollectSlideImagesTest : public ::testing::Test {
 protected:
  ScratchFolder folder;
  MapTable table;
  ScopedResourceTable tableScope{table};
  RecordingNotifier notes;
  ScopedNotifier notesScope{notes};
  ConversionSettings settings;
  SlideList list;
};

TEST_F(CollectSlideImagesTest, TwelvePicturesComeInSlideNumberOrder) {
  std::vector<int> numbers(12);
  for (int i = 0; i < 12; ++i) numbers[i] = i + 1;
  std::shuffle(numbers.begin(), numbers.end(), std::mt19937(7));
  for (int n : numbers) WriteFile(folder / ("Slide" + std::to_string(n) + (n % 2 ? ".JPG" : ".jpg")), "j");
  WriteFile(folder / "Slide13.bmp", "b");        // another extension
  fs::create_directory(folder / "Slide14.jpg");  // a folder named like a picture

  ASSERT_TRUE(CollectSlideImages(folder.path(), settings, list, "jpg"));
  std::vector<std::string> expected;
  for (int n = 1; n <= 12; ++n) expected.push_back("Slide" + std::to_string(n) + (n % 2 ? ".JPG" : ".jpg"));
  EXPECT_EQ(FileNames(list.paths), expected);
  EXPECT_EQ(list.paths.front(), folder / "Slide1.JPG");
  EXPECT_TRUE(notes.reports.empty());
}

TEST_F(CollectSlideImagesTest, NumbersCompareAsNumbersWhateverThePrefix) {
  for (const char* name :
       {"Folie010.bmp", "Folie9.bmp", "Folie0001.bmp", "cover.bmp", "x99999999999999999999999.bmp"}) {
    WriteFile(folder / name, "b");
  }
  ASSERT_TRUE(CollectSlideImages(folder.path(), settings, list, "bmp"));
  EXPECT_EQ(FileNames(list.paths), (std::vector<std::string>{"Folie0001.bmp", "Folie9.bmp", "Folie010.bmp",
                                                             "x99999999999999999999999.bmp", "cover.bmp"}));
}

TEST_F(CollectSlideImagesTest, HelpAndEndSlidesFrameTheMovieWithoutSplit) {
  WriteFile(folder / "Slide2.bmp", "b");
  WriteFile(folder / "Slide1.bmp", "b");
  settings.InsHelp = 1;
  settings.BlankEnd = 1;
  ASSERT_TRUE(CollectSlideImages(folder.path(), settings, list, "bmp"));
  EXPECT_EQ(FileNames(list.paths),
            (std::vector<std::string>{"slide_hlp.wmf", "Slide1.bmp", "Slide2.bmp", "slide_end.wmf"}));
  EXPECT_EQ(ReadFile(folder / "slide_hlp.wmf"), std::string("\xD7\xCD\xC6\x9A\x01"));
  EXPECT_EQ(ReadFile(folder / "slide_end.wmf"), std::string("\xD7\xCD\xC6\x9A\x02"));

  SlideList split;
  settings.SplitPPT = 1;
  fs::remove(folder / "slide_hlp.wmf");
  fs::remove(folder / "slide_end.wmf");
  ASSERT_TRUE(CollectSlideImages(folder.path(), settings, split, "bmp"));
  EXPECT_EQ(FileNames(split.paths), (std::vector<std::string>{"Slide1.bmp", "Slide2.bmp"}));
  EXPECT_FALSE(fs::exists(folder / "slide_hlp.wmf"));
}

TEST_F(CollectSlideImagesTest, NoPicturesLeavesOnlyTheExtraSlides) {
  ASSERT_TRUE(CollectSlideImages(folder.path(), settings, list, "jpg"));
  EXPECT_TRUE(list.paths.empty());
  settings.BlankEnd = 1;
  ASSERT_TRUE(CollectSlideImages(folder / "missing", settings, list, "jpg") == false);
  EXPECT_EQ(notes.reports, std::vector<std::string>{msg::kCannotCreateImage}) << "no folder to write into";
  ASSERT_TRUE(CollectSlideImages(folder.path(), settings, list, "jpg"));
  EXPECT_EQ(FileNames(list.paths), std::vector<std::string>{"slide_end.wmf"});
}

TEST_F(CollectSlideImagesTest, MissingResourceStopsTheCollection) {
  table.entries.erase(215);
  settings.InsHelp = 1;
  EXPECT_FALSE(CollectSlideImages(folder.path(), settings, list, "jpg"));
  EXPECT_EQ(notes.reports, std::vector<std::string>{msg::kResourceNotFound});
}

// The extra slides are the program's own resources in its language: Chinese
// writes exactly 215 and 214, English 217 and 218.
TEST(ExtraSlides, WrittenFromTheEmbeddedResourcesOfTheProgramsLanguage) {
  for (const auto& [language, help, end] :
       {std::tuple{UiLanguage::kChinese, 215, 214}, std::tuple{UiLanguage::kEnglish, 217, 218}}) {
    ASSERT_TRUE(UseLanguage(language)) << "no English catalog found";
    ScratchFolder folder;
    ConversionSettings settings;
    settings.InsHelp = settings.BlankEnd = 1;
    SlideList list;
    const bool collected = CollectSlideImages(folder.path(), settings, list, "bmp");
    UseLanguage(UiLanguage::kChinese);
    ASSERT_TRUE(collected);
    for (const auto& [id, file] : {std::pair{help, "slide_hlp.wmf"}, std::pair{end, "slide_end.wmf"}}) {
      const auto bytes = Resources().Find(id, "BIN");
      ASSERT_TRUE(bytes.has_value()) << id;
      EXPECT_EQ(ReadFile(folder / file), std::string(bytes->begin(), bytes->end())) << id;
    }
  }
}

TEST(WorkingFolder, NamedAfterTheSourceInTheTemporaryFolder) {
  ConversionSettings settings;
  settings.TempFolder = "/tmp/";
  EXPECT_EQ(WorkingFolderFor(settings, "/talks/talk.ppt"), "/tmp/talk_zzz_");
  EXPECT_EQ(WorkingFolderFor(settings, "/talks/Show.PPS"), "/tmp/Show_zzz_");
  EXPECT_EQ(WorkingFolderFor(settings, "/talks/talk.pptx"), "/tmp/talk_zzz_");
  EXPECT_EQ(WorkingFolderFor(settings, "deck.odp"), "/tmp/deck_zzz_");
}

// Two runs of one presentation (or of two with the same file name) hold two
// folders; a name comes free when its holder lets go, and the lock file goes
// with it.
TEST(WorkingFolder, ClaimGivesEachHolderItsOwnFolder) {
  ScratchFolder temp;
  ConversionSettings settings;
  settings.TempFolder = temp.path() + "/";
  const std::string plain = temp.path() + "/talk_zzz_";
  {
    WorkingFolderClaim first = WorkingFolderClaim::For(settings, "/a/talk.ppt");
    WorkingFolderClaim second = WorkingFolderClaim::For(settings, "/b/talk.pps");
    EXPECT_TRUE(first.locked());
    EXPECT_EQ(first.folder(), plain);
    EXPECT_EQ(second.folder(), plain + "2");
    first.Release();
    EXPECT_FALSE(fs::exists(plain + ".lock"));
    WorkingFolderClaim third = WorkingFolderClaim::For(settings, "/c/talk.ppt");
    EXPECT_EQ(third.folder(), plain);
    WorkingFolderClaim moved = std::move(third);
    EXPECT_EQ(WorkingFolderClaim::For(settings, "/c/talk.ppt").folder(), plain + "3");
  }
  EXPECT_TRUE(fs::is_empty(temp.path())) << "lock files left";

  // A lock file left by a killed run holds nothing.
  WriteFile(plain + ".lock", "");
  EXPECT_EQ(WorkingFolderClaim::For(settings, "/a/talk.ppt").folder(), plain);

  // A temporary folder that takes no lock file still gives the plain name.
  settings.TempFolder = temp.path() + "/missing/";
  WorkingFolderClaim unlocked = WorkingFolderClaim::For(settings, "/a/talk.ppt");
  EXPECT_FALSE(unlocked.locked());
  EXPECT_EQ(unlocked.folder(), temp.path() + "/missing/talk_zzz_");
}

// Makes `file` impossible to delete: a folder without write permission for an
// ordinary user, the immutable attribute for root. Undone by the destructor.
class Unremovable {
 public:
  explicit Unremovable(std::string file) : file_(std::move(file)) {
    if (::geteuid() != 0) {
      fs::permissions(fs::path(file_).parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
      held_ = true;
      return;
    }
    int fd = ::open(file_.c_str(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      held_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) ::close(fd);
  }
  ~Unremovable() {
    if (!held_) return;
    if (::geteuid() != 0) {
      fs::permissions(fs::path(file_).parent_path(), fs::perms::owner_all);
      return;
    }
    int fd = ::open(file_.c_str(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags &= ~FS_IMMUTABLE_FL;
      ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0) ::close(fd);
  }
  bool held() const { return held_; }

 private:
  std::string file_;
  bool held_ = false;
};

class RemoveWorkingFolderTest : public ::testing::Test {
 protected:
  ScratchFolder scratch;
  std::string work = scratch / "talk_zzz_";
  RecordingNotifier notes;
  ScopedNotifier notesScope{notes};
};

TEST_F(RemoveWorkingFolderTest, AbsentFolderIsNoError) {
  EXPECT_TRUE(RemoveWorkingFolder(work));
  EXPECT_TRUE(notes.reports.empty());
}

TEST_F(RemoveWorkingFolderTest, DeletesTheWholeTree) {
  fs::create_directories(work + "/sub/deeper");
  WriteFile(work + "/Slide1.jpg", "j");
  WriteFile(work + "/sub/deeper/x", "x");
  fs::permissions(work + "/Slide1.jpg", fs::perms::owner_read);  // read-only files go too
  EXPECT_TRUE(RemoveWorkingFolder(work + "/"));
  EXPECT_FALSE(fs::exists(work));
  EXPECT_TRUE(notes.reports.empty());
}

TEST_F(RemoveWorkingFolderTest, LinksAreRemovedNeverFollowed) {
  std::string outside = scratch / "precious";
  fs::create_directories(outside);
  WriteFile(outside + "/keep.txt", "keep");
  fs::create_directories(work);
  fs::create_directory_symlink(outside, work + "/link");
  EXPECT_TRUE(RemoveWorkingFolder(work));
  EXPECT_FALSE(fs::exists(work));
  EXPECT_EQ(ReadFile(outside + "/keep.txt"), "keep");

  // A link planted in the folder's own place.
  fs::create_directory_symlink(outside, work);
  EXPECT_TRUE(RemoveWorkingFolder(work));
  EXPECT_FALSE(fs::is_symlink(work));
  EXPECT_EQ(ReadFile(outside + "/keep.txt"), "keep");
}

TEST_F(RemoveWorkingFolderTest, UnremovableEntryGivesTheMessageAndKeepsTheFolder) {
  fs::create_directories(work + "/locked");
  WriteFile(work + "/locked/Slide1.bmp", "b");
  Unremovable lock(work + "/locked/Slide1.bmp");
  ORVANTA_NEEDS(lock.held(), "a way to make a file unremovable (the immutable flag, as root)");
  EXPECT_FALSE(RemoveWorkingFolder(work));
  EXPECT_EQ(notes.reports, std::vector<std::string>{msg::kCannotRemoveTemp});
  EXPECT_TRUE(fs::exists(work + "/locked/Slide1.bmp"));
}

}  // namespace
}  // namespace orv
