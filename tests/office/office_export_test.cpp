// Real presentations exported through LibreOffice. One LibreOffice serves
// the whole program where a test allows (the batch case); tests that end or
// kill the process use a server of their own.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>
#include "support/files.h"
#include "support/needs.h"
#include "support/pictures.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "base/notifier.h"
#include "pipeline/automation.h"
#include "pipeline/automation_members.h"
#include "pipeline/office_server.h"
#include "pipeline/presentation_export.h"
#include "pipeline/scripted_presentation.h"
#include "pipeline/slide_workers.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt";

bool GroupGone(std::int64_t group) { return group > 0 && kill(-static_cast<pid_t>(group), 0) != 0 && errno == ESRCH; }

// A progress that runs a hook at every pump (to look at or kill the server).
class HookProgress final : public Progress {
 public:
  std::function<void()> onPump;

 protected:
  void OnPump(bool) override {
    if (onPump) onPump();
  }
};

struct BmpSize {
  std::int32_t width = 0, height = 0;
};

BmpSize ReadBmpSize(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char header[26] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  if (!in || header[0] != 'B' || header[1] != 'M') return {};
  auto le32 = [&](int at) {
    return static_cast<std::int32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                     static_cast<std::uint32_t>(header[at + 3]) << 24);
  };
  return {le32(18), std::abs(le32(22))};
}

std::vector<fs::path> Pictures(const fs::path& folder, const std::string& extension) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() == "." + extension) files.push_back(entry.path());
  }
  return files;
}

class OfficeExport : public ::testing::Test {
 protected:
  static OfficeServer* shared;

  static void SetUpTestSuite() {
    if (shared == nullptr) shared = new OfficeServer();
  }
  static void TearDownTestSuite() {
    std::int64_t group = shared->processGroup();
    delete shared;
    shared = nullptr;
    if (group != 0) {
      EXPECT_TRUE(GroupGone(group)) << "LibreOffice outlived its server";
    }
  }

  void SetUp() override {
    ORVANTA_NEEDS(fs::is_directory(kCorpus), "the corpus at " + std::string(kCorpus));
    ORVANTA_NEEDS(access("/usr/lib/libreoffice/program/soffice", X_OK) == 0, "LibreOffice (soffice)");
    settings.Width = 320;
    settings.Height = 240;
    settings.SharpFont = 1;
  }

  bool Export(AutomationServer& server, const fs::path& file, Progress* progress = nullptr) {
    HookProgress quiet;
    return ExportPresentation(server, file.string(), (work / "out").string(), settings, list,
                              progress != nullptr ? *progress : quiet, extension);
  }

  // The automation error raised for `file`, or "" when none is.
  std::string ErrorFor(const fs::path& file) { return FailureFor(file).description(); }
  AutomationError FailureFor(const fs::path& file) {
    try {
      Export(*shared, file);
    } catch (const AutomationError& e) {
      return e;
    }
    return AutomationError("");
  }

  test::ScratchFolder scratch;
  fs::path work = scratch.path();
  ConversionSettings settings;
  SlideList list;
  std::string extension = "bmp";
  RecordingNotifier notes;
  ScopedNotifier scoped{notes};
};

OfficeServer* OfficeExport::shared = nullptr;

TEST_F(OfficeExport, NotesSlidesTitlesTimingsAndPicturesAtFrameSize) {
  settings.Notes = 1;
  list.useTitles = 1;
  list.useSlideTimings = 1;
  ASSERT_TRUE(Export(*shared, kCorpus / "basic_test_ppt_file.ppt"));
  EXPECT_TRUE(notes.reports.empty());
  EXPECT_EQ(extension, "bmp");

  // Two slides, each followed by its notes slide.
  ASSERT_EQ(list.titles.size(), 4u);
  EXPECT_EQ(list.titles[1], "Speaker Notes_1");
  EXPECT_EQ(list.titles[3], "Speaker Notes_2");
  EXPECT_NE(list.titles[0].rfind("Speaker Notes", 0), 0u);
  EXPECT_EQ(list.delays, (std::vector<std::uint32_t>{1, 1, 1, 1}));

  ASSERT_EQ(Pictures(work / "out", "bmp").size(), 4u);
  for (int i = 1; i <= 4; ++i) {
    BmpSize size = ReadBmpSize(work / "out" / ("Slide" + std::to_string(i) + ".bmp"));
    EXPECT_EQ(size.width, 320) << "slide " << i;
    EXPECT_EQ(size.height, 240) << "slide " << i;
  }
  // The bridge reports the running LibreOffice's own version ("7.4.7.2").
  EXPECT_TRUE(std::regex_match(shared->officeVersion(), std::regex(R"(\d+\.\d+(\.\d+)*)"))) << shared->officeVersion();
  std::printf("LibreOffice %s\n", shared->officeVersion().c_str());
}

TEST_F(OfficeExport, ManySlidesWithDuplicateTitles) {
  list.useTitles = 1;
  ASSERT_TRUE(Export(*shared, kCorpus / "41246-1.ppt"));
  ASSERT_EQ(list.titles.size(), 36u);
  EXPECT_EQ(Pictures(work / "out", "bmp").size(), 36u);
  for (const auto& title : list.titles) {
    EXPECT_EQ(title.find_first_of("\\/:*?\"<>|"), std::string::npos) << title;
  }
}

// LibreOffice gives a manual line break inside a title as a line feed (where
// PowerPoint gives a vertical tab): no name may keep it, nor any other
// control character.
TEST_F(OfficeExport, TitlesWithManualLineBreaksGiveNamesWithoutControlCharacters) {
  const fs::path deck = kCorpus / "bug58718_008524.ppt";
  using K = DispatchKind;
  ServerStart start = shared->CreateObject(kPresentationServerClass);
  ASSERT_FALSE(start.application.IsNull()) << start.description;
  AutomationObject slides = start.application.GetObject(dispid::kApplicationPresentations)
                                .Invoke(dispid::kPresentationsOpen, K::kMethod,
                                        {Variant::Text(deck.string()), Variant::I4(0), Variant::I4(0), Variant::I4(0)})
                                .Object()
                                .GetObject(dispid::kPresentationSlides);
  int broken = 0;
  for (std::int32_t j = 1; j <= slides.GetI4(dispid::kSlidesCount); ++j) {
    AutomationObject shapes =
        slides.Invoke(dispid::kSlidesRange, K::kMethod, {Variant::Index(j)}).Object().GetObject(dispid::kSlideShapes);
    if (shapes.GetI4(dispid::kShapesHasTitle) == 0) continue;
    std::string raw = shapes.GetObject(dispid::kShapesTitle)
                          .GetObject(dispid::kShapeTextFrame)
                          .GetObject(dispid::kTextFrameTextRange)
                          .GetText(dispid::kTextRangeText);
    std::string inside = raw.substr(0, raw.find_last_not_of(" \t\r\n\v\f") + 1);
    if (inside.find_first_of("\r\n\v") != std::string::npos) ++broken;
  }
  start.application.Invoke(dispid::kApplicationQuit, K::kMethod);
  start.application.Release();
  ASSERT_GT(broken, 0) << "the deck no longer has titles with line breaks";

  list.useTitles = 1;
  ASSERT_TRUE(Export(*shared, deck));
  ASSERT_EQ(list.titles.size(), 17u);
  for (const auto& title : list.titles) {
    for (unsigned char c : title) EXPECT_TRUE(c >= 0x20 && c != 0x7f) << "control character in \"" << title << "\"";
  }
}

TEST_F(OfficeExport, SaveAsWritesDefaultSizePicturesIntoAFolderOfItsOwn) {
  settings.SharpFont = 0;
  list.useTitles = 1;
  ASSERT_TRUE(Export(*shared, kCorpus / "incorrect_slide_order.ppt"));
  // Stored out of order, titled in showing order.
  EXPECT_EQ(list.titles, (std::vector<std::string>{"Slide 1", "Slide 2", "Slide 3"}));
  std::vector<fs::path> files = Pictures(work / "out", "bmp");
  ASSERT_EQ(files.size(), 3u);
  BmpSize size = ReadBmpSize(files[0]);
  EXPECT_EQ(size.width, 960);
  EXPECT_EQ(size.height, 720);
}

// What LibreOffice answered, told apart: a password it was refused, a type
// it does not take for a presentation's, a presentation's type it could not
// read; and what the file itself tells (empty, missing).
TEST_F(OfficeExport, UnreadableFilesRaiseClearErrorsAndLeaveNoLockFile) {
  fs::path folder = work / "in";
  fs::create_directories(folder);
  std::ofstream(folder / "garbage.ppt", std::ios::binary) << std::string(5000, '\x5a');
  std::ofstream(folder / "empty.ppt", std::ios::binary).flush();
  // A small BMP picture under a presentation's name.
  test::WriteFile((folder / "picture.ppt").string(), test::SolidBmp(1, 1, 255, 0, 0));
  fs::copy_file(kCorpus / "Password_Protected-hello.ppt", folder / "encrypted.ppt");
  fs::copy_file(kCorpus / "clusterfuzz-testcase-minimized-POIFuzzer-5429732352851968.ppt", folder / "damaged.ppt");

  using F = AutomationFailure;
  for (const auto& [file, failure] : {std::pair{"garbage.ppt", F::kNotPresentation},
                                      {"encrypted.ppt", F::kPasswordProtected},
                                      {"empty.ppt", F::kEmpty},
                                      {"picture.ppt", F::kNotPresentation},
                                      {"damaged.ppt", F::kDamaged},
                                      {"missing.ppt", F::kCall}}) {
    const AutomationError error = FailureFor(folder / file);
    EXPECT_EQ(error.failure(), failure) << file << ": " << error.description();
    EXPECT_EQ(std::string(error.description()).find("Presentations.Open"), std::string::npos) << error.description();
  }
  EXPECT_NE(ErrorFor(folder / "missing.ppt").find("cannot find"), std::string::npos);

  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename().string().rfind(".~lock.", 0), std::string::npos) << entry.path();
  }
  // The server goes on serving the batch after the failures.
  list = {};
  ASSERT_TRUE(Export(*shared, kCorpus / "empty.ppt"));
  EXPECT_EQ(Pictures(work / "out", "bmp").size(), 1u);
}

TEST_F(OfficeExport, OpenedPresentationLeavesNoLockFileBesideIt) {
  fs::path copy = work / "talk.ppt";
  fs::copy_file(kCorpus / "SampleShow.ppt", copy);
  std::int64_t group = 0;
  bool lockSeen = false;
  HookProgress progress;
  progress.onPump = [&] { lockSeen = lockSeen || fs::exists(work / ".~lock.talk.ppt#"); };
  settings.Notes = 1;
  ASSERT_TRUE(Export(*shared, copy, &progress));
  group = shared->processGroup();
  EXPECT_FALSE(lockSeen);
  EXPECT_FALSE(fs::exists(work / ".~lock.talk.ppt#"));
  EXPECT_NE(group, 0);  // still running for the rest of the batch
}

TEST_F(OfficeExport, BatchReusesOneLibreOffice) {
  ASSERT_TRUE(Export(*shared, kCorpus / "empty.ppt"));
  std::int64_t first = shared->processGroup();
  fs::remove_all(work / "out");
  ASSERT_TRUE(Export(*shared, kCorpus / "slide_master.ppt"));
  EXPECT_EQ(shared->processGroup(), first);
  EXPECT_EQ(Pictures(work / "out", "bmp").size(), 3u);
}

// A long batch moves to a fresh LibreOffice after the given number of
// presentations, and the worn one ends; a time limit's blow ends the current
// one at once, and the next presentation gets a fresh one.
TEST_F(OfficeExport, BatchMovesToAFreshLibreOfficeAfterItsIntervalOrAnEndNow) {
  OfficeBackendOptions options;
  options.restartEvery = 2;
  OfficeServer own(options);
  std::vector<std::int64_t> groups;
  for (int i = 0; i < 3; ++i) {
    fs::remove_all(work / "out");
    ASSERT_TRUE(Export(own, kCorpus / "empty.ppt"));
    groups.push_back(own.processGroup());
  }
  EXPECT_EQ(groups[0], groups[1]);
  EXPECT_NE(groups[1], groups[2]);
  EXPECT_TRUE(GroupGone(groups[0])) << "the worn LibreOffice lives on";

  // Ended from outside, the process is reaped by the next start.
  own.EndNow();
  fs::remove_all(work / "out");
  ASSERT_TRUE(Export(own, kCorpus / "empty.ppt"));
  EXPECT_NE(own.processGroup(), groups[2]);
  EXPECT_TRUE(GroupGone(groups[2]));
}

// A second LibreOffice takes slides too: the pictures are those of one
// LibreOffice, byte for byte. Killed in the middle of its slides, it fails
// the presentation, and the next one starts it afresh.
TEST_F(OfficeExport, ASlideWorkerWritesTheSamePicturesAndItsDeathFailsThePresentation) {
  const fs::path deck = kCorpus / "41246-1.ppt";  // 36 slides
  ASSERT_TRUE(Export(*shared, deck));
  fs::rename(work / "out", work / "alone");

  std::vector<std::unique_ptr<AutomationServer>> servers;
  servers.push_back(std::make_unique<OfficeServer>());
  OfficeServer* helper = static_cast<OfficeServer*>(servers.back().get());
  SlideWorkers workers(std::move(servers));
  auto exportShared = [&](Progress& progress) {
    list = {};
    fs::remove_all(work / "out");
    return ExportPresentation(*shared, deck.string(), (work / "out").string(), settings, list, progress, extension,
                              &workers);
  };
  HookProgress quiet;
  ASSERT_TRUE(exportShared(quiet));
  const std::vector<fs::path> pictures = Pictures(work / "alone", "bmp");
  ASSERT_EQ(pictures.size(), 36u);
  EXPECT_EQ(Pictures(work / "out", "bmp").size(), 36u);
  for (const fs::path& picture : pictures) {
    EXPECT_TRUE(test::ReadFile(picture.string()) == test::ReadFile((work / "out" / picture.filename()).string()))
        << picture.filename() << " differs";
  }

  // A slow first server (scripted, as many slides) leaves most slides to
  // the worker; it is killed once it has written one.
  ScriptedDeck same;
  for (int i = 1; i <= 36; ++i) same.slides.push_back(ScriptedSlide::Titled("s" + std::to_string(i), "t"));
  ScriptedServer slow(same);
  slow.exportTime = std::chrono::milliseconds(100);
  list = {};
  fs::remove_all(work / "out");
  std::atomic<std::int64_t> group{0};
  std::atomic<bool> exporting{true};
  std::thread killer([&] {
    while (exporting && group == 0) {
      std::error_code ec;
      for (const auto& entry : fs::directory_iterator(work / "out", ec)) {
        if (test::ReadFile(entry.path().string()).rfind("BM", 0) == 0 && (group = helper->liveProcessGroup()) != 0) {
          kill(-static_cast<pid_t>(group.load()), SIGKILL);
          break;
        }
      }
      usleep(10000);
    }
  });
  EXPECT_THROW(
      ExportPresentation(slow, deck.string(), (work / "out").string(), settings, list, quiet, extension, &workers),
      AutomationError);
  exporting = false;
  killer.join();
  ASSERT_NE(group, 0);
  // Its objects are released on its own thread, which then reaps it.
  for (int i = 0; i < 200 && !GroupGone(group); ++i) usleep(50000);
  EXPECT_TRUE(GroupGone(group));

  ASSERT_TRUE(exportShared(quiet));
  EXPECT_NE(helper->liveProcessGroup(), group);
}

TEST_F(OfficeExport, SingleUseServerEndsLibreOfficeWhenTheExportReturns) {
  OfficeBackendOptions options;
  options.keepProcess = false;
  OfficeServer own(options);
  std::int64_t group = 0;
  HookProgress progress;
  progress.onPump = [&] { group = own.processGroup(); };
  ASSERT_TRUE(Export(own, kCorpus / "empty.ppt", &progress));
  ASSERT_NE(group, 0);
  EXPECT_TRUE(GroupGone(group));
}

TEST_F(OfficeExport, KilledLibreOfficeGivesAnAutomationErrorAndNoLeftover) {
  OfficeServer own;
  std::int64_t group = 0;
  HookProgress progress;
  progress.onPump = [&] {
    if (group == 0) {
      group = own.processGroup();
      kill(-static_cast<pid_t>(group), SIGKILL);
    }
  };
  settings.Notes = 1;
  fs::path copy = work / "talk.ppt";
  fs::copy_file(kCorpus / "basic_test_ppt_file.ppt", copy);
  EXPECT_THROW(Export(own, copy, &progress), AutomationError);
  ASSERT_NE(group, 0);
  EXPECT_TRUE(GroupGone(group));
  EXPECT_FALSE(fs::exists(work / ".~lock.talk.ppt#"));

  // The next presentation of the batch gets a fresh LibreOffice.
  list = {};
  fs::remove_all(work / "out");
  ASSERT_TRUE(Export(own, kCorpus / "empty.ppt"));
  EXPECT_NE(own.processGroup(), group);
}

// The members behind the notes slides, called one by one: the new slide
// lands after the given one with a title and a body placeholder, the text
// height is measured without disturbing the frame, and the font shrinks.
TEST_F(OfficeExport, NotesSlideMembersInsertMeasureAndShrink) {
  using K = DispatchKind;
  ServerStart start = shared->CreateObject(kPresentationServerClass);
  ASSERT_FALSE(start.application.IsNull()) << start.description;
  AutomationObject presentation = start.application.GetObject(dispid::kApplicationPresentations)
                                      .Invoke(dispid::kPresentationsOpen, K::kMethod,
                                              {Variant::Text((kCorpus / "basic_test_ppt_file.ppt").string()),
                                               Variant::I4(0), Variant::I4(0), Variant::I4(0)})
                                      .Object();
  AutomationObject slides = presentation.GetObject(dispid::kPresentationSlides);
  ASSERT_EQ(slides.GetI4(dispid::kSlidesCount), 2);
  AutomationObject added =
      slides.Invoke(dispid::kSlidesAdd, K::kMethod, {Variant::I4(2), Variant::I4(ppt::kLayoutText)}).Object();
  ASSERT_EQ(slides.GetI4(dispid::kSlidesCount), 3);

  AutomationObject shapes = added.GetObject(dispid::kSlideShapes);
  AutomationObject title = shapes.Invoke(dispid::kShapesItem, K::kMethod, {Variant::Index(1)}).Object();
  AutomationObject body = shapes.Invoke(dispid::kShapesItem, K::kMethod, {Variant::Index(2)}).Object();
  EXPECT_EQ(title.GetI4(dispid::kShapeType), ppt::kMsoPlaceholder);
  EXPECT_EQ(title.GetObject(dispid::kShapePlaceholderFormat).GetI4(dispid::kPlaceholderType), ppt::kPlaceholderTitle);
  EXPECT_EQ(body.GetObject(dispid::kShapePlaceholderFormat).GetI4(dispid::kPlaceholderType), ppt::kPlaceholderBody);

  title.GetObject(dispid::kShapeTextFrame)
      .GetObject(dispid::kTextFrameTextRange)
      .Invoke(dispid::kTextRangeText, K::kPropertyPut, {Variant::Text("Speaker Notes")});
  std::string text = "A long line of speaker notes";
  for (int i = 0; i < 40; ++i) text += "\nA long line of speaker notes";
  AutomationObject range = body.GetObject(dispid::kShapeTextFrame).GetObject(dispid::kTextFrameTextRange);
  range.Invoke(dispid::kTextRangeText, K::kPropertyPut, {Variant::Text(text)});
  EXPECT_EQ(range.GetText(dispid::kTextRangeText), text);

  const float height = body.GetR4(dispid::kShapeHeight);
  const float needed = range.GetR4(dispid::kTextRangeBoundHeight);
  EXPECT_GT(needed, height);
  EXPECT_FLOAT_EQ(body.GetR4(dispid::kShapeHeight), height);  // measuring leaves the frame alone
  // The export's loop: a point at a time until the text fits or is below 6.
  AutomationObject font = range.GetObject(dispid::kTextRangeFont);
  const float initial = font.GetR4(dispid::kFontSize);
  float size = initial;
  while (body.GetR4(dispid::kShapeHeight) < range.GetR4(dispid::kTextRangeBoundHeight)) {
    font.Invoke(dispid::kFontSize, K::kPropertyPut, {Variant::R4(size - 1.0f)});
    size = font.GetR4(dispid::kFontSize);
    if (size < 6.0f) break;
  }
  EXPECT_LT(size, initial);
  EXPECT_TRUE(size < 6.0f || range.GetR4(dispid::kTextRangeBoundHeight) <= height) << size;
  EXPECT_LT(range.GetR4(dispid::kTextRangeBoundHeight), needed);

  // The slide that was second is third now; the title is found by Range.
  AutomationObject third = slides.Invoke(dispid::kSlidesRange, K::kMethod, {Variant::Index(2)}).Object();
  EXPECT_NE(third.GetObject(dispid::kSlideShapes).GetI4(dispid::kShapesHasTitle), 0);
  EXPECT_THROW(slides.Invoke(dispid::kSlidesItem, K::kMethod, {Variant::Index(4)}), AutomationError);
  start.application.Invoke(dispid::kApplicationQuit, K::kMethod);
  // After Quit the presentation's objects no longer reach a document.
  EXPECT_THROW(slides.GetI4(dispid::kSlidesCount), AutomationError);
}

// A deck written here as flat OpenDocument: a title, a body of three
// bullets, a table and a group of two shapes, in that order, the title's
// language set by `languageAttributes`. Frames are placeholders only with a
// presentation style.
std::string FlatDeck(const std::string& title, const std::string& languageAttributes) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:automatic-styles><style:page-layout style:name="PM1"><style:page-layout-properties fo:page-width="25.4cm" fo:page-height="19.05cm"/></style:page-layout>
<style:style style:name="pr1" style:family="presentation"/><style:style style:name="T1" style:family="text"><style:text-properties )" +
         languageAttributes + R"(/></style:style></office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1"/></office:master-styles>
<office:body><office:presentation><draw:page draw:name="one" draw:master-page-name="Default">
<draw:frame presentation:style-name="pr1" draw:layer="layout" presentation:class="title" svg:x="1cm" svg:y="1cm" svg:width="24cm" svg:height="2.5cm"><draw:text-box><text:p><text:span text:style-name="T1">)" +
         title + R"(</text:span></text:p></draw:text-box></draw:frame>
<draw:frame presentation:style-name="pr1" draw:layer="layout" presentation:class="outline" svg:x="1cm" svg:y="4cm" svg:width="12cm" svg:height="6cm"><draw:text-box><text:list>
<text:list-item><text:p>First bullet</text:p></text:list-item><text:list-item><text:p>Second bullet</text:p></text:list-item>
<text:list-item><text:p>Third bullet</text:p></text:list-item></text:list></draw:text-box></draw:frame>
<draw:frame svg:x="14cm" svg:y="4cm" svg:width="10cm" svg:height="3cm"><table:table><table:table-column/><table:table-column/>
<table:table-row><table:table-cell><text:p>Cell A1</text:p></table:table-cell><table:table-cell><text:p>Cell B1</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell><text:p>Cell A2</text:p></table:table-cell><table:table-cell/></table:table-row></table:table></draw:frame>
<draw:g><draw:rect svg:x="14cm" svg:y="9cm" svg:width="4cm" svg:height="2cm"><text:p>Grouped one</text:p></draw:rect>
<draw:rect svg:x="19cm" svg:y="9cm" svg:width="4cm" svg:height="2cm"><text:p>Grouped two</text:p></draw:rect></draw:g>
</draw:page></office:presentation></office:body></office:document>
)";
}

TEST_F(OfficeExport, TheDecksTextComesInReadingOrderWithItsLanguages) {
  settings.GenHTML5 = 1;
  const struct {
    std::string title, languageAttributes, tag;
  } decks[] = {
      {"Agenda", R"(fo:language="de" fo:country="DE")", "de-DE"},
      {"议程", R"(style:language-asian="zh" style:country-asian="TW")", "zh-TW"},
  };
  for (const auto& deck : decks) {
    SCOPED_TRACE(deck.tag);
    const fs::path file = work / "讲义 été.fodp";
    test::WriteFile(file.string(), FlatDeck(deck.title, deck.languageAttributes));
    fs::remove_all(work / "out");
    list = SlideList();
    ASSERT_TRUE(Export(*shared, file));
    ASSERT_EQ(list.texts.size(), 1u);
    EXPECT_EQ(list.texts[0].title, deck.title);
    // One reply from the reader inside LibreOffice: the outline's bullets,
    // the table beside it, then the group below, each in its own language.
    std::vector<std::string> read;
    for (const auto& block : list.texts[0].blocks) {
      for (const auto& paragraph : block.paragraphs) {
        read.push_back((paragraph.list == TextParagraph::List::kBullet ? "* " : "") + paragraph.Plain() + " " +
                       paragraph.language);
      }
      for (const auto& row : block.table.rows) {
        std::string cells;
        for (const auto& cell : row) cells += "|" + (cell.empty() ? std::string() : cell.front().Plain());
        read.push_back("row " + cells);
      }
    }
    EXPECT_EQ(read, (std::vector<std::string>{"* First bullet en-US", "* Second bullet en-US", "* Third bullet en-US",
                                              "row |Cell A1|Cell B1", "row |Cell A2|", "Grouped one en-US",
                                              "Grouped two en-US"}));
    EXPECT_EQ(list.texts[0].titleLanguage, deck.tag);
    // The page speaks the language of most of the letters, not the first's.
    EXPECT_EQ(list.language, "en-US");
    EXPECT_EQ(Pictures(work / "out", "bmp").size(), 1u);
  }
}

TEST(OfficeServerWithoutLibreOffice, SaysLibreOfficeIsNeeded) {
  OfficeBackendOptions options;
  options.officeRoot = "/nonexistent/libreoffice";
  OfficeServer server(options);
  ServerStart start = server.CreateObject(kPresentationServerClass);
  EXPECT_TRUE(start.application.IsNull());
  EXPECT_EQ(start.failureCode, kClassNotRegistered);
  EXPECT_NE(start.description.find("LibreOffice is needed"), std::string::npos);

  RecordingNotifier notes;
  ScopedNotifier scoped(notes);
  ConversionSettings settings;
  SlideList list;
  Progress progress;
  std::string extension = "bmp";
  EXPECT_FALSE(ExportPresentation(server, "/tmp/x.ppt", "/tmp/x_zzz_", settings, list, progress, extension));
  ASSERT_EQ(notes.reports.size(), 1u);
  EXPECT_NE(notes.reports[0].find("LibreOffice"), std::string::npos);
  EXPECT_NE(notes.reports[0].find("0x80040154"), std::string::npos);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Run only as a child of the test below: starts LibreOffice, says which
// process group it runs in and dies without any clean-up.
TEST(OfficeWatchdog, DISABLED_StartLibreOfficeThenDie) {
  OfficeServer server;
  ServerStart start = server.CreateObject(kPresentationServerClass);
  ASSERT_FALSE(start.application.IsNull()) << start.description;
  std::printf("PGID %lld\n", static_cast<long long>(server.processGroup()));
  std::fflush(stdout);
  raise(SIGKILL);
}

TEST(OfficeWatchdog, LibreOfficeDoesNotOutliveAKilledProgram) {
  ORVANTA_NEEDS(access("/usr/lib/libreoffice/program/soffice", X_OK) == 0, "LibreOffice (soffice)");
  std::error_code ec;
  const std::string self = fs::read_symlink("/proc/self/exe", ec).string();
  ASSERT_FALSE(ec);
  const std::string command =
      "'" + self + "' --gtest_also_run_disabled_tests --gtest_filter=OfficeWatchdog.DISABLED_StartLibreOfficeThenDie";
  FILE* child = popen(command.c_str(), "r");
  ASSERT_NE(child, nullptr);
  long long group = 0;
  char line[512];
  while (std::fgets(line, sizeof line, child) != nullptr) {
    if (std::sscanf(line, "PGID %lld", &group) == 1) break;
  }
  while (std::fgets(line, sizeof line, child) != nullptr) {
  }
  pclose(child);
  ASSERT_GT(group, 0);
  bool gone = false;
  for (int i = 0; i < 150 && !gone; ++i) {
    gone = GroupGone(group);
    if (!gone) usleep(100 * 1000);
  }
  EXPECT_TRUE(gone) << "LibreOffice group " << group << " outlived the program that started it";
  if (!gone) kill(-static_cast<pid_t>(group), SIGKILL);
}

}  // namespace
}  // namespace orv
