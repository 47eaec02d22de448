#include "check_deck.h"

#include <filesystem>
#include <fstream>

#include "base/paths.h"
#include "base/resources.h"
#include "pipeline/output_plan.h"
#include "pool/worker_events.h"

namespace orv::cli {
namespace {

constexpr int kCheckDeckId = 230;

}  // namespace

bool ConvertCheckDeck(EntryConverter& converter, const ConversionSettings& runSettings) {
  const auto deck = Resources().Find(kCheckDeckId, "DECK");
  if (!deck) return false;
  std::string folder = JoinPath(SystemTempFolder(), "orvanta-check-XXXXXX");
  if (::mkdtemp(folder.data()) == nullptr) return false;
  const std::string source = JoinPath(folder, "check.fodp");
  {
    std::ofstream out(source, std::ios::binary);
    out.write(reinterpret_cast<const char*>(deck->data()), static_cast<std::streamsize>(deck->size()));
  }
  ConversionSettings settings = runSettings;
  settings.OutputFolder = JoinPath(folder, "out");
  settings.Width = 160;
  settings.Height = 120;
  settings.GenScorm = 0;
  settings.GenVideo = 0;
  settings.WebPlayer = 0;
  std::error_code ec;
  std::filesystem::create_directory(settings.OutputFolder, ec);
  const bool converted = converter.Convert(source, settings, OutputPlacement::In(settings.OutputFolder)).status ==
                         batchlist::EntryStatus::kConverted;
  std::filesystem::remove_all(folder, ec);
  return converted;
}

bool WarmOffice::Check() {
  // The check is no entry of the parent's: no cancel it sends names it.
  const int current = entry_;
  entry_ = -1;
  const bool converted = converter_.StartOffice() && ConvertCheckDeck(converter_, settings_);
  entry_ = current;
  if (converted) checkedStarts_ = converter_.officeStarts();
  return converted;
}

bool WarmOffice::Tell(bool ready) {
  const auto kind = ready ? pool::WorkerEvent::Kind::kReady : pool::WorkerEvent::Kind::kUnavailable;
  std::fputs(pool::FormatWorkerEvent({kind, 0, {}}).c_str(), events_);
  std::fflush(events_);
  return ready;
}

bool WarmOffice::Start() { return Tell(Check()); }

bool WarmOffice::AfterEntry(const batchlist::EntryRecord& record) {
  const bool mayHaveEnded = record.status == batchlist::EntryStatus::kTimedOut ||
                            record.status == batchlist::EntryStatus::kCancelled || record.error.has_value();
  if (!mayHaveEnded && converter_.officeStarts() == checkedStarts_) return Tell(true);
  // The entry's end goes first: its client is answered while LibreOffice starts.
  std::fflush(events_);
  if (!converter_.StartOffice()) return Tell(false);
  if (converter_.officeStarts() != checkedStarts_) {
    if (!Check()) return Tell(false);
    std::fputs(pool::FormatWorkerEvent({pool::WorkerEvent::Kind::kRestarted, 0, {}}).c_str(), events_);
  }
  return Tell(true);
}

}  // namespace orv::cli
