#include <gtest/gtest.h>

#include "pool/worker_events.h"
#include "pool/worker_job.h"

namespace orv::pool {
namespace {

using Kind = WorkerEvent::Kind;

TEST(WorkerEvents, LinesAreTheDocumentedText) {
  EXPECT_EQ(FormatWorkerEvent({Kind::kStatus, 0, "正载入文件：  a.ppt"}), "status 正载入文件：  a.ppt\n");
  EXPECT_EQ(FormatWorkerEvent({Kind::kStatus, 0, "two\nlines\r"}), "status two lines \n");
  EXPECT_EQ(FormatWorkerEvent({Kind::kPercent, 42, {}}), "percent 42\n");
  EXPECT_EQ(FormatWorkerEvent({Kind::kCancelled, 0, {}}), "cancelled\n");
  EXPECT_EQ(FormatWorkerEvent({Kind::kDone, 7, {}}), "done 1\n");
  EXPECT_EQ(FormatWorkerEvent({Kind::kDone, 0, {}}), "done 0\n");
  EXPECT_EQ(FormatWorkerEvent({Kind::kUnavailable, 0, {}}), "unavailable\n");
  EXPECT_EQ(FormatWorkerEvent({Kind::kRecord, 0, "{\"source\":\"a\"}"}), "record {\"source\":\"a\"}\n");
}

TEST(WorkerEvents, ParseReadsBackWhatWasWritten) {
  for (const WorkerEvent& event :
       {WorkerEvent{Kind::kStatus, 0, "转换 3/10"}, WorkerEvent{Kind::kPercent, 100, {}},
        WorkerEvent{Kind::kCancelled, 0, {}}, WorkerEvent{Kind::kDone, 1, {}}, WorkerEvent{Kind::kUnavailable, 0, {}},
        WorkerEvent{Kind::kRecord, 0, "{}"}, WorkerEvent{Kind::kReady, 0, {}}, WorkerEvent{Kind::kRestarted, 0, {}}}) {
    std::string line = FormatWorkerEvent(event);
    line.pop_back();
    auto parsed = ParseWorkerEvent(line);
    ASSERT_TRUE(parsed) << line;
    EXPECT_EQ(parsed->kind, event.kind);
    EXPECT_EQ(parsed->number, event.number);
    EXPECT_EQ(parsed->text, event.text);
  }
}

// A worker that dies mid-line, or anything else on the pipe, is not an event.
TEST(WorkerEvents, AnythingElseIsNothing) {
  for (std::string_view line : {"", "percent", "percent ", "percent 101", "percent -1", "percent 5x", "percent 1e2",
                                "done", "done 2", "done 01x", "cancelled ", "unavailable!", "Status x", "statu"}) {
    EXPECT_FALSE(ParseWorkerEvent(line)) << line;
  }
}

// A job's own time limit, language and shared player travel with it; a
// message that bends them is no job.
TEST(WorkerJobs, TimeLimitLanguageAndPlayerTravelWithTheJob) {
  WorkerJob job{"/in/课件 1.ppt", "/out", "", {{"Width", 320}}, 30, "en", "https://cdn.example.org/ruffle"};
  const auto parsed = ParseWorkerJob(FormatWorkerJob(job));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->source, job.source);
  EXPECT_EQ(parsed->timeLimit, 30);
  EXPECT_EQ(parsed->language, "en");
  EXPECT_EQ(parsed->values.at("Width"), 320);
  EXPECT_EQ(parsed->webPlayerUrl, "https://cdn.example.org/ruffle");
  EXPECT_FALSE(ParseWorkerJob(R"({"source":"/a","output":"/o","values":{}})")->timeLimit);
  EXPECT_FALSE(ParseWorkerJob(R"({"source":"/a","output":"/o","values":{}})")->webPlayerUrl);
  for (const char* bent : {R"({"source":"/a","output":"/o","values":{},"timeLimit":-1})",
                           R"({"source":"/a","output":"/o","values":{},"timeLimit":"9"})",
                           R"({"source":"/a","output":"/o","values":{},"language":3})",
                           R"({"source":"/a","output":"/o","values":{},"webPlayerUrl":["/p"]})"}) {
    EXPECT_FALSE(ParseWorkerJob(bent)) << bent;
  }
}

}  // namespace
}  // namespace orv::pool
