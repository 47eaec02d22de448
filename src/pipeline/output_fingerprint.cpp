#include "pipeline/output_fingerprint.h"

#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "base/language.h"
#include "movie/web_player_markup.h"

namespace orv {
namespace {

// The language shows in the help and end slides, in the pages' notice and
// in the HTML5 version's (and so the lesson's) own words.
bool OutputsSpeakTheLanguage(const ConversionSettings& s) {
  return s.InsHelp != 0 || s.BlankEnd != 0 || (s.GenHTML != 0 && s.WebPlayer != 0) || s.GenHTML5 != 0;
}

}  // namespace

std::string OutputFingerprintText(const ConversionSettings& s) {
  std::string text;
  const auto add = [&text](const char* name, const auto& value) {
    text += name;
    text += '=';
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
      text += value;
    } else {
      text += std::to_string(value);
    }
    text += '\n';
  };
  // Every stored value the movies, pages, HTML5 versions, autorun.inf and
  // lessons are made of.
  add("BlankEnd", s.BlankEnd);
  add("NoPrint", s.NoPrint);
  add("Align", s.Align);
  add("Scale", s.Scale);
  add("Notes", s.Notes);
  add("GenAutorun", s.GenAutorun);
  add("GenHTML", s.GenHTML);
  add("SplitPPT", s.SplitPPT);
  add("UseTitle", s.UseTitle);
  add("Fade", s.Fade);
  add("InsHelp", s.InsHelp);
  add("Delay", s.Delay);
  add("UsePptTime", s.UsePptTime);
  add("ShowNav", s.ShowNav);
  add("AutoStart", s.AutoStart);
  add("Loop", s.Loop);
  add("Width", s.Width);
  add("Height", s.Height);
  add("JpgQlt", s.JpgQlt);
  add("SharpFont", s.SharpFont);
  add("WebPlayer", s.WebPlayer);
  add("GenHTML5", s.GenHTML5);
  add("GenScorm", s.GenScorm);
  if (s.GenScorm != 0) add("ScormCompletion", s.ScormCompletion);
  add("GenIndex", s.GenIndex);
  add("GenVideo", s.GenVideo);
  if (s.GenVideo != 0) {
    add("VideoFormat", s.VideoFormat);
    add("VideoHeight", s.VideoHeight);
  }
  if (s.GenHTML != 0 && s.WebPlayer != 0) {
    add("WebPlayerUrl", SharedWebPlayerBase(s));
    add("PreviewProgram", s.PreviewProgram);
  }
  if (OutputsSpeakTheLanguage(s)) add("Language", std::string(CurrentLanguage() == UiLanguage::kChinese ? "zh" : "en"));
  return text;
}

std::string OutputFingerprint(const ConversionSettings& settings) {
  // FNV-1a, 64 bits: a change detector, not a secret.
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : OutputFingerprintText(settings)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace orv
