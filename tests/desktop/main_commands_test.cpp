// The main window's commands without a window: list rules, prompts, scheme
// files, the output folder and the order of a conversion.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "base/notifier.h"
#include "desktop_test_support.h"
#include "pipeline/automation.h"
#include "settings/scheme_file.h"
#include "support/pictures.h"
#include "ui/qt/help_file.h"
#include "ui/qt/ui_language.h"

namespace orv {
namespace {

class NoServer final : public AutomationServer {
 public:
  ServerStart CreateObject(std::string_view) override {
    ++created;
    ServerStart start;
    start.failureCode = kClassNotRegistered;
    start.description = "none";
    return start;
  }
  int created = 0;
};

class MainCommandsTest : public ::testing::Test {
 protected:
  MainCommandsTest() : store(folder.path() + "/store.json"), commands(store, shell), scope(notifier) {
    store.SetString("OutputDir", folder.path() + "/out");
  }
  std::vector<std::string> Paths(int count, const std::string& prefix = "talk") {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) paths.push_back(folder.Write(prefix + std::to_string(i) + ".ppt", "x"));
    return paths;
  }

  test::ScratchFolder folder;
  SettingsStore store;
  test::ScriptedShell shell;
  MainCommands commands;
  RecordingNotifier notifier;
  ScopedNotifier scope;
};

TEST_F(MainCommandsTest, AddStopsAtOneHundredEntriesWithOneMessage) {
  commands.list().Add(Paths(99));
  shell.presentations = Paths(3, "more");
  commands.Add();
  EXPECT_EQ(commands.list().size(), 100u);
  EXPECT_EQ(commands.list().entries().back(), shell.presentations[0]);
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"只可添加前 100 个幻灯片文件"});

  // Full: nothing added; removing one makes room for exactly one.
  notifier.reports.clear();
  commands.Add();
  EXPECT_EQ(commands.list().size(), 100u);
  EXPECT_EQ(notifier.reports.size(), 1u);
  shell.selected = {0};
  commands.Remove();
  notifier.reports.clear();
  commands.Add();
  EXPECT_EQ(commands.list().size(), 100u);
  EXPECT_EQ(notifier.reports.size(), 1u);
}

TEST_F(MainCommandsTest, AddKeepsDuplicatesAndACancelledDialogChangesNothing) {
  commands.Add();  // cancelled: no files chosen
  EXPECT_TRUE(commands.list().empty());
  EXPECT_FALSE(commands.list().modified());
  std::string a = folder.Write("a.ppt", "x");
  shell.presentations = {a, a};
  commands.Add();
  EXPECT_EQ(commands.list().entries(), (std::vector<std::string>{a, a}));
  EXPECT_TRUE(commands.list().modified());
}

TEST_F(MainCommandsTest, RemoveTakesSelectedLinesFromTheBottomUp) {
  std::vector<std::string> five = Paths(5);
  commands.list().Replace(five);
  shell.selected = {1, 3};  // lines 2 and 4
  commands.Remove();
  EXPECT_EQ(commands.list().entries(), (std::vector<std::string>{five[0], five[2], five[4]}));
  EXPECT_TRUE(commands.list().modified());

  // Nothing selected: a message and no change to the flag.
  commands.list().MarkSaved();
  shell.selected.clear();
  commands.Remove();
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"请先选择文件"});
  EXPECT_FALSE(commands.list().modified());
  EXPECT_EQ(commands.list().size(), 3u);
}

TEST_F(MainCommandsTest, NewListAsksOnlyForAnUnsavedNonEmptyList) {
  // A list loaded from a scheme and not changed: no question.
  commands.list().Replace(Paths(2));
  commands.NewList();
  EXPECT_TRUE(notifier.questions.empty());
  EXPECT_TRUE(commands.list().empty());

  // An empty list with the flag set (every line removed): no question.
  commands.list().Add(Paths(1));
  shell.selected = {0};
  commands.Remove();
  ASSERT_TRUE(commands.list().modified());
  commands.NewList();
  EXPECT_TRUE(notifier.questions.empty());

  // Changed and not empty: the question; No still empties the list.
  commands.list().Add(Paths(2));
  notifier.answer = false;
  commands.NewList();
  EXPECT_EQ(notifier.questions, std::vector<std::string>{"文件列表尚未保存，是否立即保存？"});
  EXPECT_EQ(shell.saveDialogs, 0);
  EXPECT_TRUE(commands.list().empty());
  EXPECT_FALSE(commands.list().modified());

  // Yes saves first, and a cancelled save still empties the list.
  commands.list().Add(Paths(2));
  notifier.answer = true;
  commands.NewList();
  EXPECT_EQ(shell.saveDialogs, 1);
  EXPECT_TRUE(commands.list().empty());
}

TEST_F(MainCommandsTest, SaveAndOpenRoundTripAndClearTheFlag) {
  std::vector<std::string> three = Paths(3);
  commands.list().Add(three);
  shell.saveTo = folder.path() + "/list.p2s";
  commands.SaveScheme();
  EXPECT_FALSE(commands.list().modified());
  EXPECT_EQ(std::filesystem::file_size(*shell.saveTo), 4 + 3 * 4 + three[0].size() + three[1].size() + three[2].size());

  // Unchanged since the save: opening asks nothing.
  commands.list().Clear();
  shell.openFrom = shell.saveTo;
  commands.OpenScheme();
  EXPECT_TRUE(notifier.questions.empty());
  EXPECT_EQ(commands.list().entries(), three);
  EXPECT_FALSE(commands.list().modified());
}

TEST_F(MainCommandsTest, OpenSchemeAsksWhenModifiedEvenForAnEmptyList) {
  commands.list().Add(Paths(1));
  shell.selected = {0};
  commands.Remove();  // empty, but modified
  shell.openFrom = std::nullopt;
  notifier.answer = true;
  commands.OpenScheme();
  EXPECT_EQ(notifier.questions.size(), 1u);
  // Yes runs the save, which finds the list empty.
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"列表为空！"});
}

TEST_F(MainCommandsTest, SchemeFailuresKeepTheListAndSayWhy) {
  std::vector<std::string> two = Paths(2);
  commands.list().Replace(two);

  shell.openFrom = folder.path() + "/missing.p2s";
  commands.OpenScheme();
  shell.openFrom = folder.Write("bad.p2s", std::string("p2s\0", 4));
  commands.OpenScheme();
  EXPECT_EQ(commands.list().entries(), two);
  ASSERT_EQ(notifier.reports.size(), 2u);
  EXPECT_EQ(notifier.reports[0], "找不到文件 " + folder.path() + "/missing.p2s ！");
  EXPECT_EQ(notifier.reports[1], "方案文件无效！");

  // A deleted entry is skipped with one message; the rest load in order.
  std::vector<std::string> three = Paths(3, "kept");
  shell.saveTo = folder.path() + "/three.p2s";
  commands.list().Replace(three);
  commands.SaveScheme();
  std::filesystem::remove(three[1]);
  notifier.reports.clear();
  shell.openFrom = shell.saveTo;
  commands.OpenScheme();
  EXPECT_EQ(commands.list().entries(), (std::vector<std::string>{three[0], three[2]}));
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"找不到文件 " + three[1] + " ，已略过！"});

  // Saving an empty list writes nothing.
  commands.list().Clear();
  notifier.reports.clear();
  commands.SaveScheme();
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"列表为空！"});
  EXPECT_EQ(shell.saveDialogs, 1);
}

TEST_F(MainCommandsTest, BrowsingStoresTheFolderAtOnceAndTheNextStartShowsIt) {
  commands.Start();
  EXPECT_EQ(commands.outputFolder(), folder.path() + "/out");
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() + "/out"));  // created on start

  shell.folder = folder.path() + "/chosen";
  commands.BrowseOutputFolder();
  EXPECT_EQ(store.GetString("OutputDir", ""), folder.path() + "/chosen");
  MainCommands next(store, shell);
  next.Start();
  EXPECT_EQ(next.outputFolder(), folder.path() + "/chosen");

  shell.folder = std::nullopt;  // cancelled
  commands.BrowseOutputFolder();
  EXPECT_EQ(store.GetString("OutputDir", ""), folder.path() + "/chosen");
}

// A folder that cannot take the movies is said when it is chosen, and again
// before a conversion that would write there: once, and nothing is exported.
TEST_F(MainCommandsTest, AnOutputFolderThatCannotTakeTheMoviesIsSaidAtOnce) {
  const std::string blocker = folder.Write("not-a-folder", "a file");
  commands.Start();
  shell.folder = blocker + "/movies";
  commands.BrowseOutputFolder();
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"无法写入输出目录 " + blocker + "/movies ：Not a directory"});
  EXPECT_EQ(commands.outputFolder(), folder.path() + "/out") << "the unusable folder was taken";

  notifier.reports.clear();
  store.SetString("OutputDir", blocker + "/movies");
  MainCommands later(store, shell);
  later.Start();
  later.list().Add(Paths(2));
  NoServer server;
  later.Convert(server, [](const std::string&) { return std::make_unique<Progress>(); });
  ASSERT_FALSE(notifier.reports.empty());
  EXPECT_EQ(notifier.reports.back(), "无法写入输出目录 " + blocker + "/movies ：Not a directory");
  EXPECT_EQ(server.created, 0) << "LibreOffice was asked for";
}

TEST_F(MainCommandsTest, StartMakesTheDocumentsFolderAndTheDefaultOutputFolderInIt) {
  // A fresh account: no documents folder and nothing stored.
  const std::string documents = folder.path() + "/home/Documents";
  const char* old = std::getenv("XDG_DOCUMENTS_DIR");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1);
  SettingsStore fresh(folder.path() + "/fresh.json");
  MainCommands first(fresh, shell);
  first.Start();
  if (old != nullptr) {
    ::setenv("XDG_DOCUMENTS_DIR", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_DOCUMENTS_DIR");
  }
  EXPECT_EQ(first.outputFolder(), documents + "/Orvanta");
  EXPECT_TRUE(std::filesystem::is_directory(documents + "/Orvanta"));
}

TEST_F(MainCommandsTest, ConvertRunsBottomEntryFirstAndOpensTheFolderEvenWhenAllWereSkipped) {
  NoServer server;
  int progressViews = 0;
  auto factory = [&](const std::string&) {
    ++progressViews;
    return std::make_unique<Progress>();
  };
  commands.Start();
  commands.Convert(server, factory);
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"列表为空，请点击“添加”按钮先行添加文件"});
  EXPECT_TRUE(shell.opened.empty());

  notifier.reports.clear();
  const std::string a = folder.path() + "/A.ppt", b = folder.path() + "/B.ppt", c = folder.path() + "/C.ppt";
  commands.list().Add({a, b, c});
  commands.list().MarkSaved();
  commands.Convert(server, factory);
  const std::string why = std::string(" ，即将略过！\n\n") + std::strerror(ENOENT);
  EXPECT_EQ(notifier.reports, (std::vector<std::string>{"找不到源文件 " + c + why, "找不到源文件 " + b + why,
                                                        "找不到源文件 " + a + why}));
  EXPECT_EQ(progressViews, 0);
  EXPECT_EQ(shell.opened, std::vector<std::string>{folder.path() + "/out"});
  // A conversion leaves the list and its flag alone.
  EXPECT_EQ(commands.list().size(), 3u);
  EXPECT_FALSE(commands.list().modified());

  // Without "OpenDest" the folder stays closed.
  store.SetInt("OpenDest", 0);
  shell.opened.clear();
  commands.Convert(server, factory);
  EXPECT_TRUE(shell.opened.empty());
}

// A failing automation call costs only its own presentation: each entry gets
// its message and the batch runs to the end. A server that cannot be started
// at all ends the command after its message.
class FailingServer final : public AutomationServer {
 public:
  explicit FailingServer(std::string description) : description_(std::move(description)) {}
  ServerStart CreateObject(std::string_view) override {
    ++created;
    throw AutomationError(description_);
  }
  int created = 0;

 private:
  std::string description_;
};

TEST_F(MainCommandsTest, AnAutomationErrorFailsOnlyItsOwnPresentation) {
  commands.Start();
  commands.list().Add({folder.Write("a.ppt", "x"), folder.Write("b.ppt", "x")});
  int progressViews = 0;
  auto factory = [&](const std::string&) {
    ++progressViews;
    return std::make_unique<Progress>();
  };
  store.SetInt("OpenDest", 1);
  FailingServer silent("");
  commands.Convert(silent, factory);
  EXPECT_EQ(silent.created, 2);
  EXPECT_EQ(progressViews, 2);
  EXPECT_EQ(notifier.reports,
            (std::vector<std::string>{"内部程序错误.\n演示文稿：b.ppt", "内部程序错误.\n演示文稿：a.ppt"}));
  EXPECT_EQ(shell.opened.size(), 1u);

  notifier.reports.clear();
  shell.opened.clear();
  progressViews = 0;
  NoServer missing;
  commands.Convert(missing, factory);
  EXPECT_EQ(missing.created, 1);
  EXPECT_EQ(progressViews, 1);
  ASSERT_EQ(notifier.reports.size(), 1u);
  EXPECT_NE(notifier.reports[0].find("80040154"), std::string::npos) << notifier.reports[0];
  EXPECT_TRUE(shell.opened.empty());
}

// A batch of a missing file, a deck LibreOffice cannot open and a folder of
// slide pictures, with the problems collected (BatchErrors 1) and shown (0).
class BatchTest : public MainCommandsTest {
 protected:
  BatchTest() {
    store.SetInt("WebPlayer", 0);  // no web player lies beside the tests
    commands.Start();
    commands.list().Add({folder.path() + "/gone.ppt", folder.Write("locked.ppt", "x"), Pictures("holiday")});
  }
  std::string Pictures(const std::string& name) {
    const std::string pictures = folder.path() + "/" + name;
    std::filesystem::create_directories(pictures);
    test::WriteSolidBmp(pictures + "/Slide1.bmp", 64, 48, 20, 90, 200);
    return pictures;
  }
  std::vector<EntryState> States() const {
    std::vector<EntryState> states;
    for (std::size_t row = 0; row < commands.list().size(); ++row) states.push_back(commands.status(row).state);
    return states;
  }
  void Convert(AutomationServer& server) {
    views = 0;
    commands.Convert(server, [&](const std::string&) { return ++views, std::make_unique<Progress>(); });
  }
  int views = 0;
};

TEST_F(BatchTest, ProblemsAreCollectedIntoStatusesAndTheSummaryOrShownInABoxEach) {
  shell.openSucceeds = false;
  FailingServer locked("LibreOffice cannot open it");
  const std::string lockedReason =
      FormatMessage(msg::kOfficeFailed, folder.path() + "/locked.ppt") + "\nLibreOffice cannot open it";
  for (const int collect : {0, 1}) {
    store.SetInt("BatchErrors", collect);
    notifier.reports.clear();
    Convert(locked);
    EXPECT_EQ(States(), (std::vector<EntryState>{EntryState::kFailed, EntryState::kFailed, EntryState::kConverted}));
    EXPECT_EQ(views, 2);  // the missing file needs no view
    EXPECT_EQ(commands.status(1).reason, lockedReason);
    // The folder that did not open is said in the summary, and in a box when boxes are shown.
    EXPECT_EQ(commands.summary()->folderNotOpened, folder.path() + "/out");
    if (collect == 1) break;
    EXPECT_EQ(notifier.reports,
              (std::vector<std::string>{
                  lockedReason, "找不到源文件 " + folder.path() + "/gone.ppt ，即将略过！\n\n" + std::strerror(ENOENT),
                  FormatMessage(msg::kOpenFolderFailed, folder.path() + "/out")}));
  }
  EXPECT_TRUE(notifier.reports.empty()) << notifier.reports.front();
  EXPECT_EQ(commands.summary()->converted, 1u);
  EXPECT_EQ(commands.summary()->failures, (std::vector<std::size_t>{0, 1}));

  // A change of the list forgets the statuses and the summary.
  shell.selected = {0};
  commands.Remove();
  EXPECT_EQ(commands.status(0).state, EntryState::kNone);
  EXPECT_FALSE(commands.summary().has_value());
}

TEST_F(BatchTest, SameNamedEntriesAreAskedAboutAndTheLaterOnesCanBeSkipped) {
  const std::string a = Pictures("courseA/lecture1"), b = Pictures("courseB/lecture1");
  commands.list().Replace({a, b});
  NoServer server;
  Convert(server);  // the shell cancels: nothing starts
  EXPECT_EQ(shell.clashes.size(), 1u);
  EXPECT_EQ(views, 0);
  shell.clashChoice = ClashChoice::kSkipLater;
  Convert(server);
  EXPECT_EQ(States(), (std::vector<EntryState>{EntryState::kConverted, EntryState::kSkipped}));
  EXPECT_EQ(commands.status(1).reason, FormatMessage(msg::kOutputsWouldReplace, a));
}

TEST(BatchStop, TheSecondOfTwoEscWithinThreeSecondsStopsTheBatch) {
  BatchStop stop;
  const BatchStop::Clock::time_point t0;
  for (const auto& [gap, stops] : {std::pair{2, true}, std::pair{4, false}}) {
    stop.Begin();
    EXPECT_FALSE(stop.NoteEsc(t0));
    EXPECT_EQ(stop.NoteEsc(t0 + std::chrono::seconds(gap)), stops) << gap << " s";
    EXPECT_EQ(stop.requested(), stops);
  }
}

TEST_F(MainCommandsTest, HelpIsFoundBesideTheProgramOrInItsInstalledPlace) {
  const std::string bin = folder.path() + "/prefix/bin";
  std::filesystem::create_directories(bin);
  commands.ShowHelp(bin);
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"找不到帮助文件 - Orvanta.html!"});

  std::string installed = folder.Write("prefix/share/doc/orvanta/Orvanta.html", "<html></html>");
  commands.ShowHelp(bin);
  EXPECT_EQ(shell.opened, std::vector<std::string>{installed});
  std::string beside = folder.Write("prefix/bin/Orvanta.html", "<html></html>");
  EXPECT_EQ(FindHelpFile(bin), beside);
}

TEST_F(MainCommandsTest, EnglishReadersGetTheEnglishGuideElseTheChineseOne) {
  const std::string bin = folder.path() + "/prefix/bin";
  const std::string doc = "prefix/share/doc/orvanta/";
  const struct {
    std::vector<std::string> present;
    UiLanguage language;
    std::string found;  // empty: none
  } cases[] = {
      {{doc + "Orvanta.html"}, UiLanguage::kEnglish, doc + "Orvanta.html"},
      {{doc + "Orvanta.html", doc + "Orvanta-en.html"}, UiLanguage::kEnglish, doc + "Orvanta-en.html"},
      {{"prefix/bin/Orvanta.html", doc + "Orvanta-en.html"}, UiLanguage::kEnglish, doc + "Orvanta-en.html"},
      {{"prefix/bin/Orvanta-en.html", doc + "Orvanta-en.html"}, UiLanguage::kEnglish, "prefix/bin/Orvanta-en.html"},
      {{doc + "Orvanta.html", doc + "Orvanta-en.html"}, UiLanguage::kChinese, doc + "Orvanta.html"},
      {{doc + "Orvanta-en.html"}, UiLanguage::kChinese, ""},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(folder.path() + "/prefix");
    std::filesystem::create_directories(bin);
    for (const std::string& file : c.present) folder.Write(file, "<html></html>");
    const std::string found = FindHelpFile(bin, c.language);
    EXPECT_EQ(found, c.found.empty() ? "" : folder.path() + "/" + c.found) << c.present.size() << " files";
  }

  // The report names the guide that was looked for, in the reader's language.
  std::filesystem::remove_all(folder.path() + "/prefix");
  std::filesystem::create_directories(bin);
  SetUiLanguage(UiLanguage::kEnglish);
  commands.ShowHelp(bin);
  SetUiLanguage(UiLanguage::kChinese);
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"Cannot find the help file - Orvanta-en.html!"});
}

}  // namespace
}  // namespace orv
