#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "commands.h"
#include "convert_options.h"
#include "movie/html5_twin.h"
#include "pipeline/batch_driver.h"
#include "pipeline/output_names.h"
#include "pipeline/lazy_presentation_server.h"
#include "terminal_progress.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"

namespace orv::cli {
namespace {

// Counts the messages of each entry: an entry that showed one did not
// convert cleanly (a movie that could not be written still lets the
// presentation count as converted inside the engine).
class CountingNotifier final : public Notifier {
 public:
  explicit CountingNotifier(Notifier& inner) : inner_(inner) {}
  void Report(std::string_view text) override {
    ++reports;
    inner_.Report(text);
  }
  bool Ask(std::string_view text) override { return inner_.Ask(text); }
  void Explain(std::string_view reason) override { inner_.Explain(reason); }
  int reports = 0;

 private:
  Notifier& inner_;
};

void PrintOutputs(const std::string& source, const ConversionSettings& settings) {
  if (settings.SplitPPT != 0) {
    std::printf("%s: movies in %s\n", source.c_str(), settings.OutputFolder.c_str());
    return;
  }
  std::string movie = OutputPath(settings.OutputFolder, MovieName(source));
  std::printf("%s: movie %s\n", source.c_str(), movie.c_str());
  if (settings.GenHTML != 0) {
    std::printf("%s: page  %s\n", source.c_str(), OutputPath(settings.OutputFolder, PageName(source)).c_str());
  }
  if (settings.GenHTML5 != 0) {
    std::printf("%s: html5 %s\n", source.c_str(),
                OutputPath(settings.OutputFolder, TwinName(MovieName(source))).c_str());
  }
  std::fflush(stdout);
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args) {
  ConvertOptions options;
  std::string error;
  if (!ParseConvertOptions(args, options, error)) {
    std::fprintf(stderr, "orvanta-cli convert: %s\nRun 'orvanta-cli convert --help' for the options.\n",
                 error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(kConvertUsage, stdout);
    return kExitOk;
  }
  if (options.files.empty()) {
    std::fputs("orvanta-cli convert: no file given\nRun 'orvanta-cli convert --help' for the options.\n", stderr);
    return kExitUsage;
  }

  SettingsStore store = options.storePath.empty() ? SettingsStore() : SettingsStore(options.storePath);
  std::string outputFolder = Absolute(options.outputDir.empty() ? StoredOutputFolder(store) : options.outputDir);
  std::error_code ec;
  std::filesystem::create_directories(outputFolder, ec);  // a failure shows when the movie is written
  ConversionSettings settings = LoadConversionSettings(store, outputFolder, options.overrides);

  StderrNotifier stderrNotifier(options.verbose);
  CountingNotifier counter(stderrNotifier);
  ScopedNotifier scope(counter);
  TerminalProgress::InstallInterruptHandler();

  LazyPresentationServer server;
  BatchDriver driver(settings, server, [](const std::string& path) {
    return std::make_unique<TerminalProgress>(FileNamePart(path));
  });
  auto limit = options.overrides.find("TimeLimit");
  driver.SetTimeLimit(limit != options.overrides.end() ? limit->second
                                                       : store.GetInt("TimeLimit", FindSetting("TimeLimit")->defaultValue));

  int failed = 0;
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    const std::string source = Absolute(options.files[i]);
    int before = counter.reports;
    EntryResult result = driver.ConvertEntry(source);
    if (result == EntryResult::kConverted && counter.reports == before) {
      PrintOutputs(source, settings);
    } else {
      ++failed;
    }
    if (driver.serverUnavailable()) {
      // Without LibreOffice no further presentation can convert.
      std::size_t left = options.files.size() - i - 1;
      if (left > 0) std::fprintf(stderr, "Orvanta: %zu more file(s) not converted\n", left);
      return kExitFailed;
    }
  }
  return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace orv::cli
