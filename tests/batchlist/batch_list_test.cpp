// The pieces of a batch beyond one machine: the file list, the shards, the
// report's lines, what --resume and `report` make of them, the source tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "batchlist/entry_report.h"
#include "batchlist/file_list.h"
#include "batchlist/report_merge.h"
#include "batchlist/resume.h"
#include "batchlist/shard.h"
#include "batchlist/source_tree.h"
#include "support/files.h"

namespace orv::batchlist {
namespace {

using Paths = std::vector<std::string>;

TEST(FileList, LinesCommentsCrLfAndNul) {
  EXPECT_EQ(ParseFileList("a.ppt\n\n# old\nb c.ppt\r\n  d.ppt\n演示.ppt", '\n'),
            (Paths{"a.ppt", "b c.ppt", "  d.ppt", "演示.ppt"}));
  EXPECT_EQ(ParseFileList("", '\n'), Paths{});
  EXPECT_EQ(ParseFileList(std::string("a\nb\0#c\0\0d\n", 10), '\0'), (Paths{"a\nb", "#c", "d\n"}));
  std::vector<std::string> paths;
  std::string error;
  EXPECT_FALSE(ReadFileList("/nonexistent/list.txt", '\n', paths, error));
  EXPECT_NE(error.find("/nonexistent/list.txt"), std::string::npos);
  test::ScratchFolder folder;
  const std::string found = folder.Write("found", std::string("a.ppt\0b c.ppt\0", 14));
  EXPECT_FALSE(ReadFileList(found, '\n', paths, error));
  EXPECT_NE(error.find("the list holds NUL bytes: add --null"), std::string::npos);
  ASSERT_TRUE(ReadFileList(found, '\0', paths, error));
  EXPECT_EQ(paths, (Paths{"a.ppt", "b c.ppt"}));
}

TEST(Shards, FormsAndTheirRefusals) {
  std::map<std::string, std::string> env;
  const EnvironmentLookup lookup = [&env](const char* name) {
    auto it = env.find(name);
    return it == env.end() ? nullptr : it->second.c_str();
  };
  const auto parse = [&lookup](std::string_view text) {
    Shard shard;
    std::string error;
    return ParseShard(text, lookup, shard, error) ? shard.text() : "refused: " + error;
  };
  EXPECT_EQ(parse("1/3"), "1/3");
  EXPECT_EQ(parse("3/3"), "3/3");
  for (const char* bad : {"0/3", "4/3", "2/0", "x", "1/", "/3", "-1/3", "1/3/4", "a/3", "1 /3"}) {
    EXPECT_TRUE(parse(bad).starts_with("refused: --shard")) << bad;
  }
  EXPECT_NE(parse("auto").find("--shard auto/N"), std::string::npos) << "N is the command line's";
  EXPECT_NE(parse("auto/3").find("neither JOB_COMPLETION_INDEX nor SLURM_ARRAY_TASK_ID"), std::string::npos);
  // A Slurm array task takes its own index, whatever was resubmitted.
  env = {{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_MIN", "2"}, {"SLURM_ARRAY_TASK_COUNT", "1"}};
  EXPECT_EQ(parse("auto/3"), "3/3");
  env["SLURM_ARRAY_TASK_ID"] = "3";
  EXPECT_NE(parse("auto/3").find("--array=0-2"), std::string::npos);
  env = {{"JOB_COMPLETION_INDEX", "1"}};
  EXPECT_EQ(parse("auto/3"), "2/3");
  env["JOB_COMPLETION_INDEX"] = "3";
  EXPECT_TRUE(parse("auto/3").starts_with("refused"));
}

TEST(Shards, GroupsAreDealtOutInTurnAndEveryEntryLandsOnce) {
  // Entries 0 and 3 share a name: one group, in one shard.
  const std::vector<std::vector<std::size_t>> groups = {{0, 3}, {1}, {2}, {4}, {5}};
  std::vector<int> seen(6, 0);
  const std::vector<std::vector<std::size_t>> expected = {{0, 3, 4}, {1, 5}, {2}};
  for (int k = 1; k <= 3; ++k) {
    const auto entries = EntriesOfShard(groups, Shard{k, 3});
    EXPECT_EQ(entries, expected[k - 1]) << k;
    for (auto e : entries) ++seen[e];
  }
  EXPECT_EQ(seen, std::vector<int>(6, 1));
}

TEST(Report, ALineIsExactJsonAndReadsBack) {
  EntryRecord record;
  record.source = "课程/lecture \"1\".ppt";
  record.path = "/data/课程/lecture \"1\".ppt";
  record.status = EntryStatus::kConverted;
  record.outputs = {"a/lecture.swf", "a/lecture.htm"};
  record.slides = 12;
  record.seconds = 1.23456;
  record.size = 40960;
  record.mtime = "2026-12-09T07:48:41.123456789Z";
  record.shard = "2/3";
  record.settings = SettingsStamp{"0123456789abcdef", "1.67"};
  record.output = OutputPlace{"/srv/out", "a"};
  record.time = "2026-12-10T15:02:49.123Z";
  record.run = "20261210T150249Z-1a2b3c4d";
  record.host = "node7";
  const std::string line = FormatReportLine(record);
  EXPECT_EQ(line,
            "{\"source\":\"课程/lecture \\\"1\\\".ppt\",\"path\":\"/data/课程/lecture \\\"1\\\".ppt\","
            "\"status\":\"converted\",\"message\":null,"
            "\"outputs\":[\"a/lecture.swf\",\"a/lecture.htm\"],\"slides\":12,\"seconds\":1.235,\"size\":40960,"
            "\"mtime\":\"2026-12-09T07:48:41.123456789Z\",\"shard\":\"2/3\","
            "\"settings\":{\"fingerprint\":\"0123456789abcdef\",\"version\":\"1.67\"},"
            "\"output\":{\"root\":\"/srv/out\",\"folder\":\"a\"},\"time\":\"2026-12-10T15:02:49.123Z\","
            "\"run\":\"20261210T150249Z-1a2b3c4d\",\"host\":\"node7\"}\n");
  const auto back = ParseReportLine(std::string_view(line).substr(0, line.size() - 1));
  ASSERT_TRUE(back);
  EXPECT_EQ(FormatReportLine(*back), line);
  record.status = EntryStatus::kNotStarted;
  record.message = "超时";
  record.shard.reset();
  EXPECT_NE(FormatReportLine(record).find("\"status\":\"not-started\",\"message\":\"超时\""), std::string::npos);
  EXPECT_NE(FormatReportLine(record).find("\"shard\":null,"), std::string::npos);
  // Why it failed, as a code, right after the message, and read back.
  record.status = EntryStatus::kFailed;
  record.error = "office-lost";
  EXPECT_NE(FormatReportLine(record).find("\"message\":\"超时\",\"error\":\"office-lost\","), std::string::npos);
  const std::string failed = FormatReportLine(record);
  EXPECT_EQ(ParseReportLine(std::string_view(failed).substr(0, failed.size() - 1))->error, "office-lost");
  // A line of an earlier version reads without the later fields.
  const auto older = ParseReportLine(
      "{\"source\":\"x.ppt\",\"status\":\"converted\",\"message\":null,\"outputs\":[\"x.swf\"],\"slides\":3,"
      "\"seconds\":1,\"size\":10,\"mtime\":\"T1\",\"shard\":null}");
  ASSERT_TRUE(older);
  EXPECT_TRUE(older->path.empty());
  EXPECT_FALSE(older->settings);
  for (const char* bad : {"", "{", "[]", "{\"source\":\"a\"}", "{\"source\":\"a\",\"status\":\"done\"}"}) {
    EXPECT_FALSE(ParseReportLine(bad)) << bad;
  }
}

TEST(Resume, OnlyAnUnchangedConvertedSourceWithItsOutputsIsSkipped) {
  test::ScratchFolder out;
  out.Write("a/x.swf", "movie");
  EntryRecord done;
  done.source = "x.ppt";
  done.path = "/in/x.ppt";
  done.status = EntryStatus::kConverted;
  done.outputs = {"a/x.swf"};
  done.size = 10;
  done.mtime = "T1";
  done.settings = SettingsStamp{"f1", "1.67"};
  done.output = OutputPlace{out.path(), "a"};
  EntryRecord failed = done;
  failed.source = failed.path = "/in/y.ppt";
  failed.status = EntryStatus::kFailed;
  EntryRecord older = done;  // written by an earlier version: no path, no stamp
  older.source = "z.ppt";
  older.path.clear();
  older.settings.reset();
  const std::string whole = FormatReportLine(done) + FormatReportLine(failed) + FormatReportLine(older);
  const std::string torn = whole + FormatReportLine(done).substr(0, 30);

  const ResumeState state = ReadResumeState(torn);
  EXPECT_TRUE(state.tornTail);
  EXPECT_EQ(state.completeBytes, whole.size());
  EXPECT_EQ(state.olderRecords, 1u);
  // A whole last line that is not a record stays: only a line without its end is torn.
  EXPECT_FALSE(ReadResumeState(whole + "not a record\n").tornTail);

  const EntryVersion same{"/in/x.ppt", 10, "T1", {"f1", "1.67"}, {out.path(), "a"}};
  EXPECT_TRUE(IsAlreadyConverted(state, same));
  struct Case {
    const char* why;
    std::function<void(EntryVersion&)> change;
  };
  for (const Case& c : {Case{"changed since", [](EntryVersion& v) { v.mtime = "T2"; }},
                        Case{"grown since", [](EntryVersion& v) { v.size = 11; }},
                        Case{"other values", [](EntryVersion& v) { v.settings.fingerprint = "f2"; }},
                        Case{"another program", [](EntryVersion& v) { v.settings.version = "1.68"; }},
                        Case{"another output root", [](EntryVersion& v) { v.output.root = "/elsewhere"; }},
                        Case{"another source root", [](EntryVersion& v) { v.output.folder = ""; }},
                        Case{"failed last time", [](EntryVersion& v) { v.path = "/in/y.ppt"; }},
                        Case{"an earlier version's record", [](EntryVersion& v) { v.path = "z.ppt"; }},
                        Case{"never tried", [](EntryVersion& v) { v.path = "/in/w.ppt"; }}}) {
    EntryVersion changed = same;
    c.change(changed);
    EXPECT_FALSE(IsAlreadyConverted(state, changed)) << c.why;
  }
  std::filesystem::remove(out / "a/x.swf");
  EXPECT_FALSE(IsAlreadyConverted(state, same)) << "its movie is gone";

  // Loading cuts the torn tail off, so the next line starts clean.
  const std::string report = out.Write("report.jsonl", torn);
  ResumeState loaded;
  std::string error;
  ASSERT_TRUE(LoadResumeState(report, loaded, error)) << error;
  EXPECT_EQ(test::ReadFile(report), whole);
  ASSERT_TRUE(LoadResumeState(out / "none.jsonl", loaded, error));
  EXPECT_TRUE(loaded.last.empty());
}

// Three shards, one task resubmitted: the latest record of each source wins,
// by time, and by reading order where a record has none.
TEST(ReportMerge, LatestRecordOfEachSourceAcrossRunsAndShards) {
  const auto line = [](const char* path, EntryStatus status, const char* time) {
    EntryRecord record;
    record.source = path + 1;  // as given, relative
    record.path = path;
    record.status = status;
    record.mtime = "T";
    record.time = time;
    return FormatReportLine(record);
  };
  ReportMerge merge;
  merge.Add(line("/a.ppt", EntryStatus::kConverted, "2026-12-10T10:00:00.000Z") +
            line("/b.ppt", EntryStatus::kTimedOut, "2026-12-10T10:00:01.000Z"));
  merge.Add(line("/c.ppt", EntryStatus::kNotStarted, "2026-12-10T10:00:02.000Z") + "garbage\n");
  // The resubmitted shard, read before an older report of the same source.
  merge.Add(line("/b.ppt", EntryStatus::kConverted, "2026-12-10T11:00:00.000Z"));
  merge.Add(line("/b.ppt", EntryStatus::kFailed, "2026-12-10T09:00:00.000Z"));
  // An earlier version's record, without path or time: the later read wins.
  merge.Add(
      "{\"source\":\"d.ppt\",\"status\":\"failed\",\"outputs\":[],\"size\":1,\"mtime\":\"T\"}\n"
      "{\"source\":\"d.ppt\",\"status\":\"converted\",\"outputs\":[],\"size\":1,\"mtime\":\"T\"}\n");

  std::vector<std::pair<std::string, EntryStatus>> latest;
  for (const auto& record : merge.Latest()) latest.emplace_back(record.source, record.status);
  EXPECT_EQ(latest, (std::vector<std::pair<std::string, EntryStatus>>{{"a.ppt", EntryStatus::kConverted},
                                                                      {"b.ppt", EntryStatus::kConverted},
                                                                      {"c.ppt", EntryStatus::kNotStarted},
                                                                      {"d.ppt", EntryStatus::kConverted}}));
  EXPECT_EQ(merge.Counts().at(EntryStatus::kConverted), 3u);
  EXPECT_EQ(merge.unreadableLines(), 1u);
}

TEST(SourceTree, FoldersUnderTheRootAndThePlayersAddress) {
  struct Case {
    const char* source;
    const char* relative;  // null: outside
  };
  for (const Case& c :
       {Case{"/data/in/x.ppt", ""}, Case{"/data/in/a/b/x.ppt", "a/b"}, Case{"/data/in/a/../c/x.ppt", "c"},
        Case{"/data/other/x.ppt", nullptr}, Case{"/data/in/../x.ppt", nullptr}, Case{"/data/inner/x.ppt", nullptr}}) {
    for (const char* root : {"/data/in", "/data/in/"}) {
      std::string relative, error;
      const bool inside = FolderUnderRoot(c.source, root, relative, error);
      EXPECT_EQ(inside, c.relative != nullptr) << c.source << " in " << root;
      if (inside) {
        EXPECT_EQ(relative, c.relative) << c.source;
      } else {
        EXPECT_NE(error.find("outside the source root"), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace orv::batchlist
