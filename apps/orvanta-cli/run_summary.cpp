#include "run_summary.h"

#include "base/counted.h"

namespace orv::cli {
namespace {

// A message on one line: its line breaks as blanks, runs of blanks as one.
std::string OneLine(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const bool blank = c == '\n' || c == '\r' || c == ' ' || c == '\t';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

void RunSummary::Add(const std::string& source, const batchlist::EntryRecord& record) {
  switch (record.status) {
    case batchlist::EntryStatus::kConverted:
      ++converted_;
      for (const std::string& output : record.outputs) {
        if (EndsWith(output, ".mp4") || EndsWith(output, ".webm")) ++videos_;
      }
      return;
    case batchlist::EntryStatus::kCancelled:
      ++cancelled_;
      reasons_.push_back(source + ": cancelled");
      return;
    case batchlist::EntryStatus::kNotStarted:
      AddNotStarted(source);
      return;
    case batchlist::EntryStatus::kFailed:
    case batchlist::EntryStatus::kTimedOut:
      ++failed_;
      reasons_.push_back(source + ": " + (record.message ? OneLine(*record.message) : std::string("failed")));
      return;
  }
}

void RunSummary::AddNotStarted(const std::string& source) {
  ++cancelled_;
  reasons_.push_back(source + ": not started");
}

std::string RunSummary::Text() const {
  std::string text = "Orvanta: " + std::to_string(converted_) + " converted, " + std::to_string(failed_) + " failed, " +
                     std::to_string(cancelled_) + " cancelled" +
                     (skipped_ > 0 ? ", " + std::to_string(skipped_) + " already converted" : std::string()) +
                     (videos_ > 0 ? "; " + Counted(videos_, "video", "videos") : std::string()) + "\n";
  for (const std::string& reason : reasons_) text += "  " + reason + "\n";
  return text;
}

void RunSummary::Print(std::FILE* stream) const {
  if (converted_ + failed_ + cancelled_ + skipped_ < 2) return;
  std::fputs(Text().c_str(), stream);
  std::fflush(stream);
}

}  // namespace orv::cli
