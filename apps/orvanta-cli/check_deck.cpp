#include "check_deck.h"

#include <filesystem>
#include <fstream>

#include "base/paths.h"
#include "base/resources.h"

namespace orv::cli {
namespace {

constexpr int kCheckDeckId = 230;

}  // namespace

bool ConvertCheckDeck(EntryConverter& converter, ConversionSettings& settings) {
  const auto deck = Resources().Find(kCheckDeckId, "DECK");
  if (!deck) return false;
  std::string folder = JoinPath(SystemTempFolder(), "orvanta-check-XXXXXX");
  if (::mkdtemp(folder.data()) == nullptr) return false;
  const std::string source = JoinPath(folder, "check.fodp");
  {
    std::ofstream out(source, std::ios::binary);
    out.write(reinterpret_cast<const char*>(deck->data()), static_cast<std::streamsize>(deck->size()));
  }
  const ConversionSettings saved = settings;
  settings.OutputFolder = JoinPath(folder, "out");
  settings.Width = 160;
  settings.Height = 120;
  settings.GenScorm = 0;
  settings.WebPlayer = 0;
  std::error_code ec;
  std::filesystem::create_directory(settings.OutputFolder, ec);
  const bool converted = converter.Convert(source).record.status == batchlist::EntryStatus::kConverted;
  settings = saved;
  std::filesystem::remove_all(folder, ec);
  return converted;
}

}  // namespace orv::cli
