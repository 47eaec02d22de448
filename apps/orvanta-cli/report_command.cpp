// orvanta-cli report: what became of every source of one or more reports
// (several runs of a list, its shards), the latest record of each.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/counted.h"
#include "batchlist/report_merge.h"
#include "commands.h"
#include "help_text.h"

namespace orv::cli {
namespace {

constexpr HelpText kReportUsage = {
    // English
    "Usage: orvanta-cli report [--failed [--null] | --json] REPORT...\n"
    "\n"
    "Reads the reports that 'convert --report' wrote (several runs of a list,\n"
    "its shards, in any order) and keeps the latest record of each source.\n"
    "Prints how many sources ended in each status, then each source that did\n"
    "not convert with its status and reason.\n"
    "\n"
    "Options:\n"
    "  --failed      print only the sources that did not convert, one per line,\n"
    "                ready for 'convert --files-from'\n"
    "  --null        with --failed: end each path with a NUL byte instead\n"
    "                (for 'convert --files-from FILE --null')\n"
    "  --json        print the latest records, one JSON line each\n"
    "\n"
    "Exit status: 0 when every source converted, 1 when any did not (or a\n"
    "report cannot be read), 2 for bad usage.\n",
    // Chinese
    "用法：orvanta-cli report [--failed [--null] | --json] REPORT...\n"
    "\n"
    "读取“convert --report”写下的报告（同一列表的多次运行、各个分片，顺序不限），\n"
    "为每个源文件保留最新的一条记录。先列出每种状态的源文件数，再列出每个\n"
    "未转换成功的源文件及其状态和原因。\n"
    "\n"
    "选项：\n"
    "  --failed      只列出未转换成功的源文件，每行一个，\n"
    "                可直接交给“convert --files-from”\n"
    "  --null        与 --failed 一起使用：每个路径以 NUL 字节结尾\n"
    "                （供“convert --files-from FILE --null”使用）\n"
    "  --json        列出最新的记录，每条一行 JSON\n"
    "\n"
    "退出状态：全部源文件都已转换为 0；有未转换的（或报告无法读取）为 1；\n"
    "用法错误为 2。\n",
};

constexpr batchlist::EntryStatus kStatusOrder[] = {
    batchlist::EntryStatus::kConverted, batchlist::EntryStatus::kFailed, batchlist::EntryStatus::kTimedOut,
    batchlist::EntryStatus::kCancelled, batchlist::EntryStatus::kNotStarted};

// A reason on one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  return text;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args) {
  bool failedOnly = false, null = false, json = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(InCurrentLanguage(kReportUsage), stdout);
      return kExitOk;
    }
    if (arg == "--failed") {
      failedOnly = true;
    } else if (arg == "--null") {
      null = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg.starts_with("--") && arg != "--") {
      std::fprintf(stderr, "Orvanta: unknown option %s\n%s", arg.c_str(), HelpHint("report").c_str());
      return kExitUsage;
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty() || (null && !failedOnly) || (failedOnly && json)) {
    std::fprintf(stderr, "Orvanta: %s\n%s",
                 files.empty() ? "no report given" : "--null goes with --failed, and --failed not with --json",
                 HelpHint("report").c_str());
    return kExitUsage;
  }

  batchlist::ReportMerge merge;
  bool unreadable = false;
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "Orvanta: cannot read the report %s\n", file.c_str());
      unreadable = true;
      continue;
    }
    merge.Add(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  const std::vector<batchlist::EntryRecord> records = merge.Latest();
  bool allConverted = !unreadable;
  for (const auto& record : records) allConverted = allConverted && record.status == batchlist::EntryStatus::kConverted;

  if (json) {
    for (const auto& record : records) std::fputs(batchlist::FormatReportLine(record).c_str(), stdout);
  } else if (failedOnly) {
    for (const auto& record : records) {
      if (record.status == batchlist::EntryStatus::kConverted) continue;
      std::fputs(record.source.c_str(), stdout);
      std::fputc(null ? '\0' : '\n', stdout);
    }
  } else {
    const auto counts = merge.Counts();
    std::printf("%zu source(s) in %zu report(s)\n", records.size(), files.size());
    for (const auto status : kStatusOrder) {
      const auto it = counts.find(status);
      const std::string name(batchlist::StatusName(status));
      std::printf("  %-12s %zu\n", name.c_str(), it == counts.end() ? std::size_t{0} : it->second);
    }
    for (const auto& record : records) {
      if (record.status == batchlist::EntryStatus::kConverted) continue;
      std::printf("%s\t%s\t%s\n", record.source.c_str(), std::string(batchlist::StatusName(record.status)).c_str(),
                  OneLine(record.message.value_or("")).c_str());
    }
  }
  if (merge.unreadableLines() > 0) {
    std::fprintf(stderr, "Orvanta: %s that %s not records %s skipped\n",
                 Counted(merge.unreadableLines(), "line", "lines").c_str(), merge.unreadableLines() == 1 ? "is" : "are",
                 merge.unreadableLines() == 1 ? "was" : "were");
  }
  std::fflush(stdout);
  return allConverted ? kExitOk : kExitFailed;
}

}  // namespace orv::cli
