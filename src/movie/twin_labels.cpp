#include "movie/twin_labels.h"

#include <array>

namespace orv {
namespace {

struct Label {
  std::string_view key, english, chinese;
};

// "%1" and "%2" are filled in by the page's script.
constexpr std::array kLabels = {
    Label{"slides", "Slides", "幻灯片"},
    Label{"loading", "Loading the slides", "正在载入幻灯片"},
    Label{"navigation", "Slide navigation", "幻灯片导航"},
    Label{"grip", "Drag to move the panel", "拖动可移动面板"},
    Label{"prev-name", "Prev slide", "上一张幻灯片"},
    Label{"next-name", "Next slide", "下一张幻灯片"},
    Label{"prev", "PREV", "上一张"},
    Label{"next", "NEXT", "下一张"},
    Label{"play", "AUTOPLAY", "自动播放"},
    Label{"pause", "PAUSE", "暂停"},
    Label{"aids", "Reading aids", "阅读辅助"},
    Label{"text-aid", "Text view (T)", "文字视图 (T)"},
    Label{"text-button", "Text", "文字"},
    Label{"list-aid", "Slide list (L)", "幻灯片列表 (L)"},
    Label{"list-button", "Slides", "幻灯片"},
    Label{"search-aid", "Search (/)", "搜索 (/)"},
    Label{"search", "Search", "搜索"},
    Label{"close", "Close", "关闭"},
    Label{"previous", "Previous", "上一张"},
    Label{"following", "Next", "下一张"},
    Label{"query", "Find the slides that hold these words", "查找含有这些词语的幻灯片"},
    Label{"help-title", "How to move through the slides", "如何翻阅幻灯片"},
    Label{"help-pointer",
          "This picture shows how to move without the panel. A click on the left part of the slide (tan, an arrow "
          "to the left) goes to the previous slide, a click on the right part (blue, an arrow to the right) to the "
          "next one.",
          "这张图说明不用导航面板如何翻页：单击幻灯片的左半部分（棕色，向左的箭头）回到上一张，单击右半部分（蓝色，"
          "向右的箭头）前往下一张。"},
    Label{"help-keys",
          "Keys: previous slide, Left arrow or Backspace. Next slide, Right arrow, Space or Enter. First slide, Up "
          "arrow, Page Up or Home. Last slide, Down arrow, Page Down or End. Automatic playback on or off, P.",
          "按键：上一张，左箭头或退格键；下一张，右箭头、空格键或回车键；第一张，上箭头、Page Up 或 Home；"
          "最后一张，下箭头、Page Down 或 End；打开或关闭自动播放，P。"},
    Label{"end-title", "End of the slides", "幻灯片结束"},
    Label{"slide", "Slide %1 of %2", "第 %1 张，共 %2 张"},
    Label{"none", "This slide has no text.", "这张幻灯片没有文字。"},
    Label{"notes", "Notes", "备注"},
    Label{"notes-aid", "Speaker notes (N)", "演讲者备注 (N)"},
    Label{"no-notes", "This slide has no notes.", "这张幻灯片没有备注。"},
    Label{"picture", "Picture:", "图片："},
    Label{"megabytes", "%1 of %2 MB", "%1 / %2 MB"},
    Label{"found", "Slides found: %1", "找到的幻灯片：%1 张"},
    Label{"text", "Slide text", "幻灯片文字"},
    Label{"list", "All slides", "所有幻灯片"},
    Label{"no-script", "Scripts are off: the slides are shown one below the other.",
          "脚本已关闭：幻灯片自上而下依次显示。"},
    Label{"neighbours", "Other slides", "其他幻灯片"},
    Label{"link-prev", "Prev", "上一张"},
    Label{"link-next", "Next", "下一张"},
};

}  // namespace

std::string_view TwinLabel(std::string_view key, UiLanguage language) {
  for (const Label& label : kLabels) {
    if (label.key == key) return language == UiLanguage::kChinese ? label.chinese : label.english;
  }
  return {};
}

std::string_view TwinLabelTag(UiLanguage language) { return language == UiLanguage::kChinese ? "zh-CN" : "en"; }

}  // namespace orv
