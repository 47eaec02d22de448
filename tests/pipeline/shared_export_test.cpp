// The slides of one presentation shared among several servers: the plan of
// ranges, and the export over scripted servers standing for LibreOffices.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "base/notifier.h"
#include "pipeline/presentation_export.h"
#include "pipeline/scripted_presentation.h"
#include "pipeline/slide_queue.h"
#include "pipeline/slide_workers.h"
#include "support/files.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// Several takers at once: every slide goes to exactly one of them.
TEST(SlideQueue, EverySlideIsTakenOnceWhateverTheTakers) {
  for (const int takers : {1, 3, 8}) {
    SlideQueue queue;
    std::vector<std::vector<int>> taken(takers);
    std::vector<std::thread> threads;
    for (int t = 0; t < takers; ++t) {
      threads.emplace_back([&queue, &taken, t] {
        const int count = queue.WaitForCount();
        for (int slide; (slide = queue.Take(count)) != 0;) {
          taken[t].push_back(slide);
          queue.Exported();
        }
      });
    }
    queue.Open(200);
    for (std::thread& thread : threads) thread.join();
    std::vector<int> all;
    for (const auto& some : taken) all.insert(all.end(), some.begin(), some.end());
    std::sort(all.begin(), all.end());
    std::vector<int> expected(200);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(all, expected) << takers << " takers";
    EXPECT_EQ(queue.exported(), 200);
  }
  SlideQueue none;
  none.Open(0);
  EXPECT_EQ(none.Take(none.WaitForCount()), 0);
}

TEST(SlideWorkerCount, JobsLessTheFirstLibreOfficeOrOnePerCoreUpToFour) {
  EXPECT_EQ(SlideWorkerCount(1, 8), 0u);
  EXPECT_EQ(SlideWorkerCount(3, 1), 2u);
  EXPECT_EQ(SlideWorkerCount(0, 2), 1u);
  EXPECT_EQ(SlideWorkerCount(0, 16), 3u);
  EXPECT_EQ(SlideWorkerCount(0, 0), 0u);  // cores unknown
}

class SharedExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.Width = 640;
    settings.Height = 480;
    for (int i = 1; i <= 13; ++i) deck.slides.push_back(ScriptedSlide::Titled("s" + std::to_string(i), "t"));
    deck.slides[0].WithNotes("first");
    deck.slides[12].WithNotes("last");
  }

  // Two more servers; `helpers` sees them while `workers` owns them.
  std::unique_ptr<SlideWorkers> MakeWorkers(const ScriptedDeck& shown, const std::string& failMember = "") {
    std::vector<std::unique_ptr<AutomationServer>> servers;
    helpers.clear();
    for (int i = 0; i < 2; ++i) {
      auto server = std::make_unique<ScriptedServer>(shown);
      server->failMember = failMember;
      helpers.push_back(server.get());
      servers.push_back(std::move(server));
    }
    return std::make_unique<SlideWorkers>(std::move(servers));
  }

  bool Run(ScriptedServer& server, const fs::path& into, SlideWorkers* workers) {
    SlideList list;
    std::string extension;
    return ExportPresentation(server, "/talks/talk.ppt", into.string(), settings, list, progress, extension, workers);
  }

  std::vector<std::string> Labels(const fs::path& into) {
    std::vector<std::string> labels;
    for (int i = 1; fs::exists(into / ("Slide" + std::to_string(i) + ".bmp")); ++i) {
      labels.push_back(test::ReadFile((into / ("Slide" + std::to_string(i) + ".bmp")).string()));
    }
    return labels;
  }

  static int Exports(const ScriptedServer& server) {
    int count = 0;
    for (const std::string& call : server.calls) count += call == "Slide.Export" ? 1 : 0;
    return count;
  }

  test::ScratchFolder scratch;
  ConversionSettings settings;
  ScriptedDeck deck;
  Progress progress;
  std::vector<ScriptedServer*> helpers;
  RecordingNotifier notes;
  ScopedNotifier scoped{notes};
};

// With the notes slides the deck has 15 slides, taken by whichever server
// is free: together they export each once, and the pictures are those of
// one server alone.
TEST_F(SharedExportTest, EachSlideIsExportedOnceAndTheFolderIsTheSerialOne) {
  settings.Notes = 1;
  ScriptedServer alone(deck);
  ASSERT_TRUE(Run(alone, fs::path(scratch.path()) / "alone", nullptr));

  ScriptedServer first(deck);
  auto workers = MakeWorkers(deck);
  ASSERT_TRUE(Run(first, fs::path(scratch.path()) / "shared", workers.get()));
  EXPECT_EQ(Labels(fs::path(scratch.path()) / "shared"), Labels(fs::path(scratch.path()) / "alone"));
  EXPECT_EQ(Labels(fs::path(scratch.path()) / "shared").size(), 15u);
  // Workers that came too late may still be on their way: they take nothing.
  workers->Wait(std::chrono::seconds(10));
  EXPECT_EQ(Exports(first) + Exports(*helpers[0]) + Exports(*helpers[1]), 15);
  EXPECT_GE(Exports(first), 1);
  EXPECT_EQ(first.quitCount, 1);
  EXPECT_TRUE(notes.reports.empty());

  // The same workers serve the next presentation; a short one is not shared.
  ScriptedDeck shortDeck;
  shortDeck.slides = {ScriptedSlide::Titled("a", "a"), ScriptedSlide::Titled("b", "b")};
  ScriptedServer next(shortDeck);
  ASSERT_TRUE(Run(next, fs::path(scratch.path()) / "next", workers.get()));
  EXPECT_EQ(Labels(fs::path(scratch.path()) / "next"), (std::vector<std::string>{"a 640x480 bmp", "b 640x480 bmp"}));
  EXPECT_EQ(Exports(next), 2);
}

// The video's pictures are shared as the movie's are, also when the
// movie's are the server's own (SharpFont 0).
TEST_F(SharedExportTest, TheVideosPicturesAreSharedLikeTheMovies) {
  settings.Notes = settings.GenVideo = 1;
  settings.VideoHeight = 720;
  for (const int sharp : {1, 0}) {
    settings.SharpFont = sharp;
    const fs::path alone = fs::path(scratch.path()) / ("alone" + std::to_string(sharp)), shared = alone.string() + "+";
    ScriptedServer serial(deck), first(deck);
    first.exportTime = std::chrono::milliseconds(10);  // leaves slides for the workers
    auto workers = MakeWorkers(deck);
    ASSERT_TRUE(Run(serial, alone, nullptr) && Run(first, shared, workers.get()));
    EXPECT_EQ(Labels(shared / "video"), Labels(alone / "video"));
    ASSERT_EQ(Labels(shared / "video").size(), 15u);
    EXPECT_EQ(Labels(shared / "video").back(), "notes: last 960x720 bmp");
    EXPECT_EQ(Labels(shared), Labels(alone));
    workers->Wait(std::chrono::seconds(10));
    EXPECT_EQ(Exports(first) + Exports(*helpers[0]) + Exports(*helpers[1]), sharp == 1 ? 30 : 15);
  }
}

// A worker that fails on a slide it took fails the presentation.
TEST_F(SharedExportTest, AFailingWorkerFailsThePresentationAndAllIsReleased) {
  ScriptedServer first(deck);
  first.exportTime = std::chrono::milliseconds(50);  // leaves slides for the workers
  auto workers = MakeWorkers(deck, "Slide.Export");
  EXPECT_THROW(Run(first, fs::path(scratch.path()) / "shared", workers.get()), AutomationError);
  workers.reset();  // waits for the workers' threads
  EXPECT_EQ(first.liveObjects(), 0);
  EXPECT_EQ(first.quitCount, 0);
}

// Workers that see another deck (the file changed in between) take no
// slide: the first LibreOffice exports them all, as it saw them.
TEST_F(SharedExportTest, WorkersThatSeeOtherSlidesTakeNone) {
  ScriptedDeck longer = deck;
  longer.slides.push_back(ScriptedSlide::Titled("extra", "extra"));
  ScriptedServer first(deck);
  first.exportTime = std::chrono::milliseconds(20);
  auto workers = MakeWorkers(longer);
  ASSERT_TRUE(Run(first, fs::path(scratch.path()) / "shared", workers.get()));
  EXPECT_EQ(Exports(first), 13);
  workers->Wait(std::chrono::seconds(10));
  for (ScriptedServer* helper : helpers) EXPECT_EQ(Exports(*helper), 0);
}

}  // namespace
}  // namespace orv
