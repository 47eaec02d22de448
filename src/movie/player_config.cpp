#include "movie/player_config.h"

#include <cstdint>

namespace orv {
namespace {

const char* TrueFalse(bool on) { return on ? "true" : "false"; }

void AppendAttribute(std::string& out, const char* name, const std::string& value) {
  out += ' ';
  out += name;
  out += "=\"";
  out += value;
  out += '"';
}

void AppendSlideEntry(std::string& out, std::uint32_t delay) {
  out += "<slideProp delay=\"";
  out += std::to_string(delay);
  out += "\"></slideProp>";
}

// The help slide and the blank end slide always show for three seconds.
constexpr std::uint32_t kExtraSlideDelay = 3;

}  // namespace

std::string BuildPlayerConfig(const ConversionSettings& settings, const SlideList& slides) {
  // ShowNav is a radio index: 0 is the position of "panel shown".
  const bool panelShown = settings.SplitPPT == 0 && settings.ShowNav == 0;
  const bool fixedDelay = settings.UsePptTime == 1;

  std::string out = "<init";
  if (settings.Align != 0) AppendAttribute(out, "align", "TL");
  AppendAttribute(out, "showMenu", TrueFalse(settings.NoPrint == 0));
  AppendAttribute(out, "scaleMode", settings.Scale != 0 ? "showAll" : "noScale");
  AppendAttribute(out, "frameWidth", std::to_string(settings.Width));
  AppendAttribute(out, "frameHeight", std::to_string(settings.Height));
  out += "></init><config";
  AppendAttribute(out, "showNavPanel", TrueFalse(panelShown));
  AppendAttribute(out, "autoStart", TrueFalse(settings.AutoStart != 0));
  AppendAttribute(out, "loop", TrueFalse(settings.Loop != 0));
  AppendAttribute(out, "transAnim", settings.Fade != 0 ? "fade" : "none");
  AppendAttribute(out, "fixDelay", fixedDelay ? std::to_string(settings.Delay) : "-1");
  out += '>';

  if (settings.UsePptTime == 0) {
    if (settings.InsHelp != 0) AppendSlideEntry(out, kExtraSlideDelay);
    for (std::uint32_t delay : slides.delays) AppendSlideEntry(out, delay);
    if (settings.BlankEnd != 0) AppendSlideEntry(out, kExtraSlideDelay);
  }
  out += "</config>";
  return out;
}

}  // namespace orv
