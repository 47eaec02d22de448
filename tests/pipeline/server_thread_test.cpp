#include "pipeline/server_thread.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/notifier.h"
#include "pipeline/batch_driver.h"
#include "pipeline/scripted_presentation.h"
#include "support/files.h"
#include "support/pictures.h"

namespace orv {
namespace {

using test::FileNames;
using test::ScratchFolder;

// Waits by sleeping a little, as a thread without a window would; counts
// the waits and says "cancelled" when told to.
class CountingWait final : public CallWait {
 public:
  void Wait(std::chrono::milliseconds, const std::function<bool()>& finished) override {
    ++waits;
    if (!finished()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  void Wake() override {}
  bool CancelRequested() override { return cancelRequested && cancelRequested(); }

  int waits = 0;
  std::function<bool()> cancelRequested;
};

// Hands the calls to a server the test keeps, noting the thread they come on.
class Forwarding final : public AutomationServer {
 public:
  Forwarding(AutomationServer& inner, std::thread::id* thread = nullptr) : inner_(inner), thread_(thread) {}
  ServerStart CreateObject(std::string_view className) override {
    if (thread_ != nullptr) *thread_ = std::this_thread::get_id();
    return inner_.CreateObject(className);
  }
  void EndNow() override { inner_.EndNow(); }

 private:
  AutomationServer& inner_;
  std::thread::id* thread_;
};

// A LibreOffice that hangs in its start until it is ended.
class HangingServer final : public AutomationServer {
 public:
  ServerStart CreateObject(std::string_view) override {
    std::unique_lock<std::mutex> lock(mutex_);
    ended_.wait(lock, [this] { return endings > 0; });
    ServerStart start;
    start.failureCode = kServerExecFailure;
    start.description = "LibreOffice ended";
    return start;
  }
  void EndNow() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++endings;
    ended_.notify_all();
  }
  int endings = 0;

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
};

struct Batch {
  Batch() : scope(recorder) {
    settings.TempFolder = temp.path() + "/";
    settings.OutputFolder = out.path();
    deck = source.path() + "/talk.ppt";
    test::WriteSolidBmp(deck, 1, 1, 0, 0, 0);  // any file: the scripted server reads none
  }
  BatchDriver Driver(AutomationServer& server) {
    return BatchDriver(settings, server, [this](const std::string&) {
      auto view = std::make_unique<Progress>();
      progress = view.get();
      return view;
    });
  }
  RecordingNotifier recorder;
  ScopedNotifier scope;
  ScratchFolder temp, out, source;
  ConversionSettings settings;
  std::string deck;
  Progress* progress = nullptr;
};

// The export makes the same calls in the same order through the thread, and
// every object is released.
TEST(ServerThread, CallsRunOnItsThreadInTheCallersOrderAndObjectsAreReleasedThere) {
  ScriptedDeck deck;
  deck.slides.push_back(ScriptedSlide::Titled("one", "One"));
  deck.slides.push_back(ScriptedSlide::Titled("two", "Two"));
  Batch direct;
  ScriptedServer alone(deck);
  // The scripted slides are stand-ins, not pictures: the export succeeds and
  // the movies cannot be made, alike on both roads.
  const EntryResult alongside = direct.Driver(alone).ConvertEntry(direct.deck);
  EXPECT_EQ(alone.calls.empty(), false);

  Batch threaded;
  ScriptedServer behind(deck);
  CountingWait wait;
  std::thread::id serverThread;
  {
    ServerThread thread(std::make_unique<Forwarding>(behind, &serverThread), wait);
    EXPECT_EQ(threaded.Driver(thread).ConvertEntry(threaded.deck), alongside);
  }
  EXPECT_EQ(behind.calls, alone.calls);
  EXPECT_NE(serverThread, std::thread::id());
  EXPECT_NE(serverThread, std::this_thread::get_id());
  EXPECT_EQ(behind.liveObjects(), 0);
  EXPECT_EQ(FileNames(threaded.out.path()), FileNames(direct.out.path()));
}

// Esc while LibreOffice starts: the server is ended, the presentation counts
// as cancelled with no message and no working folder, and the server is not
// taken for a missing one: the batch goes on.
TEST(ServerThread, ACancelDuringACallEndsTheServerAndOnlyThatPresentation) {
  Batch batch;
  HangingServer hanging;
  CountingWait wait;
  wait.cancelRequested = [&] {
    if (wait.waits >= 3 && batch.progress != nullptr) batch.progress->RequestCancel();
    return batch.progress != nullptr && batch.progress->cancelled();
  };
  ServerThread thread(std::make_unique<Forwarding>(hanging), wait);
  BatchDriver driver = batch.Driver(thread);
  EXPECT_EQ(driver.ConvertEntry(batch.deck), EntryResult::kCancelled);
  EXPECT_GE(hanging.endings, 1);
  EXPECT_TRUE(batch.recorder.reports.empty());
  EXPECT_FALSE(driver.serverUnavailable());
  EXPECT_TRUE(FileNames(batch.temp.path()).empty()) << "working folder left";
}

}  // namespace
}  // namespace orv
