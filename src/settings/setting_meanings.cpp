#include "settings/setting_meanings.h"

#include <array>

#include "base/language.h"
#include "movie/web_player_markup.h"

namespace orv {
namespace {

// A value's words in one language: a flag's words for 0 and 1; a number's or
// a text's words around it ("JPEG quality " 90), and `off` when 0 or an empty
// text means something else.
struct Words {
  std::string_view purpose;
  std::string_view off;         // flags: the words for 0; numbers: the words for 0, if special
  std::string_view on;          // flags: the words for 1; numbers: the words before the number
  std::string_view after = {};  // numbers: the words after it
};

// One line per value, by field name, English and Chinese side by side.
struct Meaning {
  std::string_view field;
  Words english;
  Words chinese;
};

constexpr std::array kMeanings = {
    Meaning{"BlankEnd",
            {"an empty slide after the last one", "no empty slide at the end", "an empty slide at the end"},
            {"最后一张之后加一张空白幻灯片", "末尾不加空白幻灯片", "末尾加一张空白幻灯片"}},
    Meaning{"UnProtect",
            {"kept as stored; nothing reads it", "not used", "not used (", ")"},
            {"按原样保存，没有任何功能读取它", "未使用", "未使用（", "）"}},
    Meaning{"NoPrint",
            {"the player's context menu: 0 shown, 1 none (no printing)", "context menu shown",
             "no context menu, no printing"},
            {"播放器的右键菜单：0 显示，1 不显示（不能打印）", "显示右键菜单", "无右键菜单，不能打印"}},
    Meaning{"Align",
            {"the content's place in the player: 0 centred, 1 top left", "content centred", "content at the top left"},
            {"内容在播放器中的位置：0 居中，1 左上角", "内容居中", "内容在左上角"}},
    Meaning{"OpenDest",
            {"the desktop program opens the output folder after a batch", "output folder not opened",
             "output folder opened after a batch"},
            {"桌面程序在转换后打开输出目录", "不打开输出目录", "转换后打开输出目录"}},
    Meaning{"Scale",
            {"the content with the player window: 0 fixed size, 1 scaled", "content at its own size",
             "content scaled with the window"},
            {"内容随播放器窗口：0 固定大小，1 缩放", "内容保持原大小", "内容随窗口缩放"}},
    Meaning{"Notes",
            {"the speaker notes as extra slides", "no speaker notes", "speaker notes as extra slides"},
            {"讲解者注释作为额外的幻灯片", "不含讲解者注释", "讲解者注释作为额外幻灯片"}},
    Meaning{"GenHTML",
            {"a web page beside each movie", "no web page", "a web page per movie"},
            {"每个影片旁边生成一个网页", "不生成网页", "每个影片一个网页"}},
    Meaning{"GenAutorun",
            {"an autorun.inf that opens the page (only with GenHTML 1)", "no autorun.inf",
             "an autorun.inf (with the page)"},
            {"生成打开网页的 autorun.inf（仅当 GenHTML 为 1）", "不生成 autorun.inf", "生成 autorun.inf（随网页）"}},
    Meaning{"SplitPPT",
            {"one movie per presentation (0) or per slide (1)", "one movie per presentation", "one movie per slide"},
            {"每个演示文稿一个影片（0）或每张幻灯片一个（1）", "每个演示文稿一个影片", "每张幻灯片一个影片"}},
    Meaning{"UseTitle",
            {"split movies named after the slide titles (only with SplitPPT 1)", "split movies numbered",
             "split movies named after titles"},
            {"拆分的影片以幻灯片标题命名（仅当 SplitPPT 为 1）", "拆分的影片按编号命名", "拆分的影片以标题命名"}},
    Meaning{"AutoStart",
            {"the movie starts in automatic playback", "starts in manual playback", "starts in automatic playback"},
            {"影片以自动播放开始", "以手动播放开始", "以自动播放开始"}},
    Meaning{
        "Loop",
        {"from the last slide back to the first", "stops at the last slide", "wraps from the last slide to the first"},
        {"从最后一张回到第一张", "停在最后一张", "从最后一张回到第一张"}},
    Meaning{"Fade",
            {"a cross-fade between slides", "no cross-fade", "cross-fade between slides"},
            {"幻灯片之间渐隐过渡", "无渐隐过渡", "幻灯片之间渐隐过渡"}},
    Meaning{"UsePptTime",
            {"the slides' timing: 0 each slide's own, 1 the fixed Delay", "each slide's own timing",
             "every slide the fixed delay"},
            {"幻灯片的计时：0 各自的计时，1 固定的延迟", "每张幻灯片自己的计时", "每张幻灯片固定延迟"}},
    Meaning{"ShowNav",
            {"the navigation panel: 0 shown, 1 hidden", "panel shown", "panel hidden"},
            {"导航面板：0 显示，1 隐藏", "显示面板", "隐藏面板"}},
    Meaning{"InsHelp",
            {"a navigation help slide first (only with the panel hidden)", "no help slide", "a help slide first"},
            {"开头插入导航帮助幻灯片（仅当面板隐藏）", "无帮助幻灯片", "开头有帮助幻灯片"}},
    Meaning{"Delay",
            {"seconds each slide plays with UsePptTime 1", "", "", " s per slide when fixed"},
            {"UsePptTime 为 1 时每张幻灯片播放的秒数", "", "固定时每张 ", " 秒"}},
    Meaning{"Width",
            {"the movie's frame width in pixels", "", "frame ", " px wide"},
            {"影片画面的宽度（像素）", "", "画面宽 ", " 像素"}},
    Meaning{"Height",
            {"the movie's frame height in pixels", "", "frame ", " px high"},
            {"影片画面的高度（像素）", "", "画面高 ", " 像素"}},
    Meaning{"JpgQlt",
            {"the slide pictures' JPEG quality", "", "JPEG quality "},
            {"幻灯片图片的 JPEG 质量", "", "JPEG 质量 "}},
    Meaning{"SharpFont",
            {"slides exported at the frame size (1) or fitted into it (0)", "slides fitted into the frame",
             "slides rendered at the frame size"},
            {"幻灯片按画面大小导出（1）或缩放进画面（0）", "幻灯片缩放进画面", "幻灯片按画面大小渲染"}},
    Meaning{
        "WebPlayer",
        {"pages load the bundled Flash player emulator", "pages without the web player", "pages load the web player"},
        {"网页载入自带的 Flash 播放器模拟器", "网页不含网页播放器", "网页载入网页播放器"}},
    Meaning{"GenHTML5",
            {"a self-contained HTML5 copy of each movie", "no HTML5 copy", "an HTML5 copy of each movie"},
            {"每个影片一个独立的 HTML5 版本", "不生成 HTML5 版本", "每个影片一个 HTML5 版本"}},
    Meaning{"GenScorm",
            {"a SCORM 1.2 package of each presentation for learning platforms (with GenHTML5 1)", "no SCORM package",
             "a SCORM 1.2 package of each presentation"},
            {"每个演示文稿一个供学习平台使用的 SCORM 1.2 课件包（需 GenHTML5 为 1）", "不生成 SCORM 课件包",
             "每个演示文稿一个 SCORM 1.2 课件包"}},
    Meaning{"ScormCompletion",
            {"the share of a lesson's slides (%) a learner must have seen for it to be completed", "", "complete at ",
             " % of slides seen"},
            {"学员看过多少（%）幻灯片后课件算作完成", "", "看过 ", "% 的幻灯片即完成"}},
    Meaning{"GenVideo",
            {"an MP4 or WebM video of each presentation, with a chapter per slide", "no video",
             "a video of each presentation"},
            {"每个演示文稿一个 MP4 或 WebM 视频，每张幻灯片一个章节", "不生成视频", "每个演示文稿一个视频"}},
    Meaning{"VideoFormat",
            {"the video's format: mp4 (H.264) or webm (VP9)", "MP4 (H.264)", "WebM (VP9)"},
            {"视频格式：mp4（H.264）或 webm（VP9）", "MP4（H.264）", "WebM（VP9）"}},
    Meaning{"VideoHeight",
            {"the video's height in pixels: 720, 1080 or 2160", "", "", " px high video"},
            {"视频的高度（像素）：720、1080 或 2160", "", "视频高 ", " 像素"}},
    Meaning{
        "GenIndex",
        {"index.html in each output folder, with a thumbnail of each presentation's first slide", "no index page",
         "an index page in each output folder"},
        {"每个输出目录一个 index.html，附每个演示文稿第一张幻灯片的缩略图", "不生成目录页", "每个输出目录一个目录页"}},
    Meaning{"TimeLimit",
            {"seconds LibreOffice may spend on one presentation, 0 for no limit", "no time limit", "at most ",
             " s per presentation"},
            {"LibreOffice 处理一个演示文稿最多可用的秒数，0 为不限", "不限时间", "每个演示文稿最多 ", " 秒"}},
    Meaning{"Jobs",
            {"LibreOffices the desktop program shares a presentation among, 0 for one per core (4 at most)",
             "one LibreOffice per core, 4 at most", "", " LibreOffices per presentation"},
            {"桌面程序为一个演示文稿同时使用的 LibreOffice 个数，0 为每核一个（最多 4 个）",
             "每核一个 LibreOffice，最多 4 个", "每个演示文稿 ", " 个 LibreOffice"}},
    Meaning{"BatchErrors",
            {"how the desktop program tells a batch's problems: 0 a box each, 1 in the list",
             "a message box for each problem", "problems collected in the list and the summary"},
            {"桌面程序如何报告转换中的问题：0 逐个弹出消息框，1 汇总在列表中", "每个问题一个消息框",
             "问题汇总在列表和总结中"}},
    Meaning{"Language",
            {"the language of the windows, messages and texts put into the outputs: auto, zh or en",
             "as the locale says", "in "},
            {"窗口、消息和输出中文字的语言：auto、zh 或 en", "按区域设置", ""}},
    Meaning{"WebPlayerUrl",
            {"where pages load one shared player from; empty: ruffle/ beside them", "a ruffle/ copy beside the pages",
             "pages load "},
            {"网页从何处载入共用的播放器；为空时使用网页旁的 ruffle/", "网页旁放一份 ruffle/", "网页载入 "}},
    Meaning{"OutputFolder",
            {"where the movies and pages go", "", "movies and pages go to "},
            {"影片和网页的输出目录", "", "影片和网页输出到 "}},
};

const Meaning* FindMeaning(const SettingInfo& setting) {
  for (const Meaning& meaning : kMeanings) {
    if (meaning.field == setting.field) return &meaning;
  }
  return nullptr;
}

const Words* FindWords(const SettingInfo& setting) {
  const Meaning* meaning = FindMeaning(setting);
  if (meaning == nullptr) return nullptr;
  return CurrentLanguage() == UiLanguage::kChinese ? &meaning->chinese : &meaning->english;
}

}  // namespace

std::string ExplainSetting(const SettingInfo& setting, std::int32_t number, std::string_view text) {
  const Words* words = FindWords(setting);
  if (words == nullptr) return {};
  const bool chinese = CurrentLanguage() == UiLanguage::kChinese;
  if (setting.field == "Language") {
    if (text == "zh") return chinese ? "中文" : "in Chinese";
    if (text == "en") return chinese ? "英文" : "in English";
    return std::string(words->off);
  }
  if (setting.kind == SettingKind::Text) {
    if (text.empty()) return std::string(words->off);
    // The pages take only a plain address; any other keeps the copy.
    if (setting.field == "WebPlayerUrl" && !IsPlainAddress(text)) {
      return (chinese ? "不是地址：" : "not an address: ") + std::string(words->off);
    }
    const std::string_view tail = setting.field == "WebPlayerUrl" ? "/ruffle.js" : "";
    std::string shown(text);
    while (!tail.empty() && !shown.empty() && shown.back() == '/') shown.pop_back();
    return std::string(words->on) + shown + std::string(tail);
  }
  // A flag stored as another number reads as its "1"; so does a format.
  if (setting.check == SettingCheck::Flag || setting.check == SettingCheck::VideoFormat)
    return std::string(number != 0 ? words->on : words->off);
  if (number == 0 && !words->off.empty()) return std::string(words->off);
  if (setting.field == "Jobs" && number == 1 && !chinese) return "1 LibreOffice per presentation";
  return std::string(words->on) + std::to_string(number) + std::string(words->after);
}

std::string_view SettingPurpose(const SettingInfo& setting) {
  const Words* words = FindWords(setting);
  return words != nullptr ? words->purpose : std::string_view();
}

}  // namespace orv
