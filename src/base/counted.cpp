#include "base/counted.h"

#include "base/language.h"

namespace orv {

std::string MoreNotConverted(std::size_t count) {
  if (CurrentLanguage() == UiLanguage::kChinese) return "还有 " + std::to_string(count) + " 个文件未转换";
  return Counted(count, "more file", "more files") + " not converted";
}

std::string AlreadyConvertedSkipped(std::size_t count) {
  if (CurrentLanguage() == UiLanguage::kChinese)
    return "已有 " + std::to_string(count) + " 个文件转换过且未改动，已略过";
  return Counted(count, "file", "files") + " already converted and unchanged, skipped";
}

}  // namespace orv
