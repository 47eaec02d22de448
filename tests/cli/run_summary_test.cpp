#include "run_summary.h"

#include <gtest/gtest.h>

namespace orv::cli {
namespace {

batchlist::EntryRecord Record(batchlist::EntryStatus status, const char* message = nullptr) {
  batchlist::EntryRecord record;
  record.status = status;
  if (message != nullptr) record.message = message;
  return record;
}

// Counts by status, and one line per file that did not convert: its
// message on one line, "cancelled" or "not started".
TEST(RunSummary, CountsAndOneReasonLinePerFileThatDidNotConvert) {
  using S = batchlist::EntryStatus;
  RunSummary summary;
  summary.Add("a.ppt", Record(S::kConverted));
  summary.Add("b.ppt", Record(S::kFailed, "您是否已经安装了 LibreOffice？ \n\n错误代码:0x80080005."));
  summary.Add("c.ppt", Record(S::kTimedOut, "转换文件 c.ppt 超过了 300 秒的时间限制，已放弃！"));
  summary.Add("d.ppt", Record(S::kCancelled));
  summary.Add("e.ppt", Record(S::kConverted, "a warning"));
  summary.AddNotStarted("f.ppt");
  EXPECT_EQ(summary.Text(),
            "Orvanta: 2 converted, 2 failed, 2 cancelled\n"
            "  b.ppt: 您是否已经安装了 LibreOffice？ 错误代码:0x80080005.\n"
            "  c.ppt: 转换文件 c.ppt 超过了 300 秒的时间限制，已放弃！\n"
            "  d.ppt: cancelled\n"
            "  f.ppt: not started\n");
}

// A resumed batch with one file left is still a batch: its summary counts
// the files converted before.
TEST(RunSummary, AResumedBatchOfOneLeftStillEndsWithItsSummary) {
  RunSummary summary;
  summary.Add("a.ppt", Record(batchlist::EntryStatus::kConverted));
  std::FILE* alone = std::tmpfile();
  summary.Print(alone);
  EXPECT_EQ(std::ftell(alone), 0) << "one file, nothing skipped: no summary";
  summary.AddSkipped(4);
  std::FILE* stream = std::tmpfile();
  summary.Print(stream);
  std::rewind(stream);
  char line[128] = {};
  ASSERT_NE(std::fgets(line, sizeof line, stream), nullptr);
  EXPECT_STREQ(line, "Orvanta: 1 converted, 0 failed, 0 cancelled, 4 already converted\n");
  std::fclose(alone);
  std::fclose(stream);
}

}  // namespace
}  // namespace orv::cli
