// One plan of each presentation's outputs: what it names for each kind of
// conversion, what it says once files are written, which entries of a list
// would replace each other's files, and which values make --resume convert
// again.
#include <gtest/gtest.h>

#include <cerrno>

#include "base/language.h"
#include "pipeline/output_clashes.h"
#include "pipeline/output_fingerprint.h"
#include "pipeline/output_plan.h"

namespace orv {
namespace {

using Names = std::vector<std::string>;

// The plan's files relative to the output root "/out".
Names FilesOf(const OutputPlan& plan) {
  Names names;
  for (const std::string& file : plan.Files()) names.push_back(file.substr(std::string("/out/").size()));
  return names;
}

TEST(OutputPlan, NamesEveryFileOfEachKindOfConversion) {
  struct Case {
    const char* what;
    std::function<void(ConversionSettings&)> set;
    std::string relative;
    std::vector<std::string> titles;
    std::size_t pictures;
    Names files;
    std::string playerAddress;
  };
  const std::string longName(245, 'n');
  const Case cases[] = {
      {"one movie, its twin, its page and the player",
       [](ConversionSettings&) {},
       "",
       {},
       5,
       {"talk.swf", "talk-html5.html", "ruffle", "talk.htm"},
       "ruffle/"},
      {"autorun and lesson",
       [](ConversionSettings& s) {
         s.GenAutorun = 1;
         s.GenScorm = 1;
       },
       "",
       {},
       5,
       {"talk.swf", "talk-html5.html", "ruffle", "talk.htm", "autorun.inf", "talk-scorm.zip"},
       "ruffle/"},
      {"numbered split movies, no autorun",
       [](ConversionSettings& s) {
         s.SplitPPT = 1;
         s.UseTitle = 0;
         s.GenAutorun = 1;
       },
       "",
       {},
       2,
       {"talk_1.swf", "talk_1-html5.html", "talk_2.swf", "talk_2-html5.html", "ruffle", "talk_1.htm", "talk_2.htm"},
       "ruffle/"},
      {"titled split movies, a slide without a title numbered",
       [](ConversionSettings& s) { s.SplitPPT = 1; },
       "",
       {"Intro", ""},
       2,
       {"Intro.swf", "Intro-html5.html", "talk_2.swf", "talk_2-html5.html", "ruffle", "Intro.htm", "talk_2.htm"},
       "ruffle/"},
      {"a source tree kept: the player at the root",
       [](ConversionSettings& s) { s.GenHTML5 = 0; },
       "课程 1/a.b",
       {},
       1,
       {"课程 1/a.b/talk.swf", "ruffle", "课程 1/a.b/talk.htm"},
       "../../ruffle/"},
      {"a shared player: no copy",
       [](ConversionSettings& s) { s.WebPlayerUrl = "https://cdn.example.org/ruffle"; },
       "a",
       {},
       1,
       {"a/talk.swf", "a/talk-html5.html", "a/talk.htm"},
       "https://cdn.example.org/ruffle/"},
      {"pages without the player",
       [](ConversionSettings& s) { s.WebPlayer = 0; },
       "",
       {},
       1,
       {"talk.swf", "talk-html5.html", "talk.htm"},
       ""},
      {"no pages, no twins",
       [](ConversionSettings& s) {
         s.GenHTML = 0;
         s.GenHTML5 = 0;
       },
       "",
       {},
       1,
       {"talk.swf"},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConversionSettings settings;
    settings.WebPlayer = 1;
    settings.GenHTML5 = 1;
    c.set(settings);
    OutputPlacement placement = OutputPlacement::In("/out");
    placement.relative = c.relative;
    const OutputPlan plan = OutputPlan::Make("/in/talk.ppt", settings, placement, true, c.titles, c.pictures);
    EXPECT_EQ(FilesOf(plan), c.files);
    EXPECT_EQ(plan.playerAddress(), c.playerAddress);
    EXPECT_TRUE(plan.leftOut().empty());
  }
}

TEST(OutputPlan, SplitMoviesKnowTheirSlidesAndNeighbours) {
  ConversionSettings settings;
  settings.SplitPPT = 1;
  settings.GenHTML5 = 1;
  const OutputPlan plan =
      OutputPlan::Make("/in/talk.ppt", settings, OutputPlacement::In("/out"), false, {"Intro", "Q&A", ""}, 3);
  ASSERT_EQ(plan.movies().size(), 3u);
  const PlannedMovie& middle = plan.movies()[1];
  EXPECT_EQ(middle.firstPicture, 1u);
  EXPECT_EQ(middle.pictureCount, 1u);
  EXPECT_EQ(middle.movie, "/out/Q&A.swf");
  EXPECT_EQ(middle.previousPage, "Intro.htm");
  EXPECT_EQ(middle.nextPage, "talk_3.htm");
  EXPECT_EQ(middle.previousTwin, "Intro-html5.html");
  EXPECT_EQ(middle.nextTwin, "talk_3-html5.html");
  EXPECT_TRUE(plan.movies().front().previousPage.empty());
  EXPECT_TRUE(plan.movies().back().nextTwin.empty());
  EXPECT_TRUE(plan.playerCopy().empty()) << "no player in the installation: the plain page";
}

TEST(OutputPlan, ATwinLessonOrVideoTooLongForTheFileSystemIsLeftOutAndSaidSo) {
  ConversionSettings settings;
  settings.GenHTML5 = 1;
  settings.GenScorm = 1;
  settings.GenVideo = 1;
  const std::string stem(246, 'n');
  const OutputPlan plan = OutputPlan::Make("/in/" + stem + ".ppt", settings, OutputPlacement::In("/out"), false, {}, 1);
  EXPECT_EQ(FilesOf(plan), (Names{stem + ".swf", stem + ".htm"}));
  EXPECT_EQ(plan.leftOut().size(), 3u);
  EXPECT_TRUE(plan.video().empty());
  EXPECT_TRUE(plan.movies().front().twin.empty());
}

TEST(OutputPlan, ConvertedOnlyWhenEveryFileWasWritten) {
  ConversionSettings settings;
  settings.GenHTML5 = 1;
  OutputPlacement placement = OutputPlacement::In("/out");
  placement.relative = "c1";
  OutputPlan plan = OutputPlan::Make("/in/e.ppt", settings, placement, false, {}, 3);
  EXPECT_FALSE(plan.Complete());
  plan.Written("/out/c1/e.swf");
  plan.Failed("/out/c1/e-html5.html", ENOSPC);
  plan.Failed("/out/c1/e.htm", EACCES);
  plan.Written("/out/elsewhere.swf");  // not the plan's: ignored
  EXPECT_FALSE(plan.Complete());
  EXPECT_TRUE(plan.AnyFailed());
  EXPECT_EQ(plan.firstError(), ENOSPC);
  EXPECT_EQ(plan.firstFailed(), "/out/c1/e-html5.html");
  EXPECT_EQ(plan.WrittenOutputs(), Names{"c1/e.swf"});
  plan.Written("/out/c1/e-html5.html");
  plan.Written("/out/c1/e.htm");
  EXPECT_TRUE(plan.Complete());
  EXPECT_EQ(plan.WrittenOutputs(), (Names{"c1/e.swf", "c1/e-html5.html", "c1/e.htm"}));
  EXPECT_FALSE(OutputPlan().Complete()) << "an entry that planned nothing converted nothing";
}

TEST(OutputClashes, LaterEntriesThatWouldReplaceAnEarlierOnesFiles) {
  struct Case {
    const char* what;
    Names sources;
    Names folders;
    int split;  // 0 whole, 1 numbered, 2 titled
    std::vector<std::optional<std::size_t>> clashes;
  };
  const std::optional<std::size_t> none;
  const Case cases[] = {
      {"same name, other extension", {"/c1/lecture1.ppt", "/c1/lecture1.pps"}, {"", ""}, 0, {none, 0}},
      {"same name, other folders kept apart", {"/c1/lecture1.ppt", "/c2/lecture1.ppt"}, {"c1", "c2"}, 0, {none, none}},
      {"same name, one output folder", {"/c1/lecture1.ppt", "/c2/lecture1.pptx"}, {"", ""}, 0, {none, 0}},
      {"the same file twice", {"/c1/a.ppt", "/c1/a.ppt"}, {"", ""}, 0, {none, none}},
      {"a folder of pictures and a deck of its name", {"/p/讲义", "/q/讲义.odp"}, {"", ""}, 0, {none, 0}},
      {"numbered split movies of one name", {"/a/talk.ppt", "/b/talk.pps"}, {"", ""}, 1, {none, 0}},
      {"numbered split movies of other names", {"/a/talk.ppt", "/a/talk_2.ppt"}, {"", ""}, 1, {none, none}},
      {"titled split movies are checked when converted", {"/a/talk.ppt", "/a/talk.pps"}, {"", ""}, 2, {none, none}},
      {"a refused entry claims nothing", {"/a/x.ppt", "/a/x.pps", "/b/x.odp"}, {"", "", "b"}, 0, {none, 0, none}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConversionSettings settings;
    settings.GenHTML5 = 1;
    settings.SplitPPT = c.split != 0 ? 1 : 0;
    settings.UseTitle = c.split == 2 ? 1 : 0;
    EXPECT_EQ(FindOutputClashes(c.sources, c.folders, settings), c.clashes);
  }
}

TEST(OutputFingerprint, EveryValueThatChangesAnOutputChangesIt) {
  UseLanguage(UiLanguage::kChinese);
  ConversionSettings base;
  base.WebPlayer = 1;
  base.GenHTML5 = 1;
  const std::string original = OutputFingerprint(base);
  EXPECT_EQ(original.size(), 16u);
  using Field = std::int32_t ConversionSettings::*;
  for (const Field field :
       {&ConversionSettings::BlankEnd,   &ConversionSettings::NoPrint,   &ConversionSettings::Align,
        &ConversionSettings::Scale,      &ConversionSettings::Notes,     &ConversionSettings::GenAutorun,
        &ConversionSettings::GenHTML,    &ConversionSettings::SplitPPT,  &ConversionSettings::UseTitle,
        &ConversionSettings::Fade,       &ConversionSettings::InsHelp,   &ConversionSettings::Delay,
        &ConversionSettings::UsePptTime, &ConversionSettings::ShowNav,   &ConversionSettings::AutoStart,
        &ConversionSettings::Loop,       &ConversionSettings::Width,     &ConversionSettings::Height,
        &ConversionSettings::JpgQlt,     &ConversionSettings::SharpFont, &ConversionSettings::WebPlayer,
        &ConversionSettings::GenHTML5,   &ConversionSettings::GenScorm}) {
    ConversionSettings changed = base;
    changed.*field += 1;
    EXPECT_NE(OutputFingerprint(changed), original) << OutputFingerprintText(changed);
  }
  // What touches no output leaves it alone.
  ConversionSettings same = base;
  same.OpenDest = 0;
  same.UnProtect = 1;
  same.TempFolder = "/elsewhere/";
  same.OutputFolder = "/other";
  same.VideoHeight = 720;     // no video is made
  same.ScormCompletion = 50;  // nor a lesson
  EXPECT_EQ(OutputFingerprint(same), original);
  ConversionSettings lesson = base;
  lesson.GenScorm = 1;
  const std::string wholeLesson = OutputFingerprint(lesson);
  lesson.ScormCompletion = 50;
  EXPECT_NE(OutputFingerprint(lesson), wholeLesson);
  same.WebPlayerUrl = "https://cdn.example.org/r";
  EXPECT_NE(OutputFingerprint(same), original);

  // The language shows in the pages' notice and the twins' words ...
  UseLanguage(UiLanguage::kEnglish);
  EXPECT_NE(OutputFingerprint(base), original);
  // ... but not in a movie alone, without help or end slide.
  ConversionSettings movieOnly;
  movieOnly.GenHTML = 0;
  const std::string english = OutputFingerprint(movieOnly);
  UseLanguage(UiLanguage::kChinese);
  EXPECT_EQ(OutputFingerprint(movieOnly), english);
  movieOnly.InsHelp = 1;
  const std::string helpChinese = OutputFingerprint(movieOnly);
  UseLanguage(UiLanguage::kEnglish);
  EXPECT_NE(OutputFingerprint(movieOnly), helpChinese);
  UseLanguage(UiLanguage::kChinese);
}

}  // namespace
}  // namespace orv
