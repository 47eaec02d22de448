#include "base/counted.h"

#include "base/language.h"

namespace orv {

std::string MoreNotConverted(std::size_t count) {
  if (CurrentLanguage() == UiLanguage::kChinese) return "还有 " + std::to_string(count) + " 个文件未转换";
  return Counted(count, "more file", "more files") + " not converted";
}

}  // namespace orv
