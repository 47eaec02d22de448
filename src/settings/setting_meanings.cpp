#include "settings/setting_meanings.h"

#include <array>

#include "movie/web_player_markup.h"

namespace orv {
namespace {

// One line per value, by field name: a flag's words for 0 and 1; a number's
// or a text's words around it ("JPEG quality " 90), and `off` when 0 or an
// empty text means something else.
struct Meaning {
  std::string_view field;
  std::string_view purpose;
  std::string_view off;         // flags: the words for 0; numbers: the words for 0, if special
  std::string_view on;          // flags: the words for 1; numbers: the words before the number
  std::string_view after = {};  // numbers: the words after it
};

constexpr std::array kMeanings = {
    Meaning{"BlankEnd", "an empty slide after the last one", "no empty slide at the end", "an empty slide at the end"},
    Meaning{"UnProtect", "kept as stored; nothing reads it", "not used", "not used (", ")"},
    Meaning{"NoPrint", "the player's context menu: 0 shown, 1 none (no printing)", "context menu shown",
            "no context menu, no printing"},
    Meaning{"Align", "the content's place in the player: 0 centred, 1 top left", "content centred",
            "content at the top left"},
    Meaning{"OpenDest", "the desktop program opens the output folder after a batch", "output folder not opened",
            "output folder opened after a batch"},
    Meaning{"Scale", "the content with the player window: 0 fixed size, 1 scaled", "content at its own size",
            "content scaled with the window"},
    Meaning{"Notes", "the speaker notes as extra slides", "no speaker notes", "speaker notes as extra slides"},
    Meaning{"GenHTML", "a web page beside each movie", "no web page", "a web page per movie"},
    Meaning{"GenAutorun", "an autorun.inf that opens the page (only with GenHTML 1)", "no autorun.inf",
            "an autorun.inf (with the page)"},
    Meaning{"SplitPPT", "one movie per presentation (0) or per slide (1)", "one movie per presentation",
            "one movie per slide"},
    Meaning{"UseTitle", "split movies named after the slide titles (only with SplitPPT 1)", "split movies numbered",
            "split movies named after titles"},
    Meaning{"AutoStart", "the movie starts in automatic playback", "starts in manual playback",
            "starts in automatic playback"},
    Meaning{"Loop", "from the last slide back to the first", "stops at the last slide",
            "wraps from the last slide to the first"},
    Meaning{"Fade", "a cross-fade between slides", "no cross-fade", "cross-fade between slides"},
    Meaning{"UsePptTime", "the slides' timing: 0 each slide's own, 1 the fixed Delay", "each slide's own timing",
            "every slide the fixed delay"},
    Meaning{"ShowNav", "the navigation panel: 0 shown, 1 hidden", "panel shown", "panel hidden"},
    Meaning{"InsHelp", "a navigation help slide first (only with the panel hidden)", "no help slide",
            "a help slide first"},
    Meaning{"Delay", "seconds each slide plays with UsePptTime 1", "", "", " s per slide when fixed"},
    Meaning{"Width", "the movie's frame width in pixels", "", "frame ", " px wide"},
    Meaning{"Height", "the movie's frame height in pixels", "", "frame ", " px high"},
    Meaning{"JpgQlt", "the slide pictures' JPEG quality", "", "JPEG quality "},
    Meaning{"SharpFont", "slides exported at the frame size (1) or fitted into it (0)", "slides fitted into the frame",
            "slides rendered at the frame size"},
    Meaning{"WebPlayer", "pages load the bundled Flash player emulator", "pages without the web player",
            "pages load the web player"},
    Meaning{"GenHTML5", "a self-contained HTML5 copy of each movie", "no HTML5 copy", "an HTML5 copy of each movie"},
    Meaning{"GenScorm", "a SCORM 1.2 package of each presentation for learning platforms (with GenHTML5 1)",
            "no SCORM package", "a SCORM 1.2 package of each presentation"},
    Meaning{"ScormCompletion", "the share of a lesson's slides (%) a learner must have seen for it to be completed", "",
            "complete at ", " % of slides seen"},
    Meaning{"GenVideo", "an MP4 or WebM video of each presentation, with a chapter per slide", "no video",
            "a video of each presentation"},
    Meaning{"VideoFormat", "the video's format: mp4 (H.264) or webm (VP9)", "MP4 (H.264)", "WebM (VP9)"},
    Meaning{"VideoHeight", "the video's height in pixels: 720, 1080 or 2160", "", "", " px high video"},
    Meaning{"GenIndex", "index.html in each output folder, with a thumbnail of each presentation's first slide",
            "no index page", "an index page in each output folder"},
    Meaning{"TimeLimit", "seconds LibreOffice may spend on one presentation, 0 for no limit", "no time limit",
            "at most ", " s per presentation"},
    Meaning{"Jobs", "LibreOffices the desktop program shares a presentation among, 0 for one per core (4 at most)",
            "one LibreOffice per core, 4 at most", "", " LibreOffice(s) per presentation"},
    Meaning{"BatchErrors", "how the desktop program tells a batch's problems: 0 a box each, 1 in the list",
            "a message box for each problem", "problems collected in the list and the summary"},
    Meaning{"Language", "the language of the windows, messages and texts put into the outputs: auto, zh or en",
            "as the locale says", "in "},
    Meaning{"WebPlayerUrl", "where pages load one shared player from; empty: ruffle/ beside them",
            "a ruffle/ copy beside the pages", "pages load "},
    Meaning{"OutputFolder", "where the movies and pages go", "", "movies and pages go to "},
};

const Meaning* FindMeaning(const SettingInfo& setting) {
  for (const Meaning& meaning : kMeanings) {
    if (meaning.field == setting.field) return &meaning;
  }
  return nullptr;
}

}  // namespace

std::string ExplainSetting(const SettingInfo& setting, std::int32_t number, std::string_view text) {
  const Meaning* meaning = FindMeaning(setting);
  if (meaning == nullptr) return {};
  if (setting.field == "Language") {
    if (text == "zh") return "in Chinese";
    if (text == "en") return "in English";
    return std::string(meaning->off);
  }
  if (setting.kind == SettingKind::Text) {
    if (text.empty()) return std::string(meaning->off);
    // The pages take only a plain address; any other keeps the copy.
    if (setting.field == "WebPlayerUrl" && !IsPlainAddress(text)) return "not an address: " + std::string(meaning->off);
    const std::string_view tail = setting.field == "WebPlayerUrl" ? "/ruffle.js" : "";
    std::string shown(text);
    while (!tail.empty() && !shown.empty() && shown.back() == '/') shown.pop_back();
    return std::string(meaning->on) + shown + std::string(tail);
  }
  // A flag stored as another number reads as its "1"; so does a format.
  if (setting.check == SettingCheck::Flag || setting.check == SettingCheck::VideoFormat)
    return std::string(number != 0 ? meaning->on : meaning->off);
  if (number == 0 && !meaning->off.empty()) return std::string(meaning->off);
  return std::string(meaning->on) + std::to_string(number) + std::string(meaning->after);
}

std::string_view SettingPurpose(const SettingInfo& setting) {
  const Meaning* meaning = FindMeaning(setting);
  return meaning != nullptr ? meaning->purpose : std::string_view();
}

}  // namespace orv
