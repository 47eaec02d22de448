#include "image/font_mapping.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace orv {
namespace {

constexpr std::string_view kSans = "Liberation Sans, Arimo, DejaVu Sans";
constexpr std::string_view kSerif = "Liberation Serif, Tinos, DejaVu Serif";
constexpr std::string_view kMono = "Liberation Mono, Cousine, DejaVu Sans Mono";
constexpr std::string_view kCjkSans = "Noto Sans CJK SC";
constexpr std::string_view kCjkSerif = "Noto Serif CJK SC";

struct FaceRule {
  std::string_view face;  // lower case
  std::string_view families;
};

constexpr std::array kRules = {
    FaceRule{"arial", kSans},
    FaceRule{"helvetica", kSans},
    FaceRule{"tahoma", kSans},
    FaceRule{"verdana", kSans},
    FaceRule{"segoe ui", kSans},
    FaceRule{"calibri", kSans},
    FaceRule{"microsoft sans serif", kSans},
    FaceRule{"ms sans serif", kSans},
    FaceRule{"trebuchet ms", kSans},
    FaceRule{"arial black", kSans},
    FaceRule{"system", kSans},
    FaceRule{"times new roman", kSerif},
    FaceRule{"times", kSerif},
    FaceRule{"georgia", kSerif},
    FaceRule{"cambria", kSerif},
    FaceRule{"ms serif", kSerif},
    FaceRule{"garamond", kSerif},
    FaceRule{"book antiqua", kSerif},
    FaceRule{"courier new", kMono},
    FaceRule{"courier", kMono},
    FaceRule{"consolas", kMono},
    FaceRule{"lucida console", kMono},
    FaceRule{"fixedsys", kMono},
    FaceRule{"terminal", kMono},
    FaceRule{"宋体", kCjkSerif},
    FaceRule{"simsun", kCjkSerif},
    FaceRule{"新宋体", kCjkSerif},
    FaceRule{"nsimsun", kCjkSerif},
    FaceRule{"仿宋", kCjkSerif},
    FaceRule{"仿宋_gb2312", kCjkSerif},
    FaceRule{"fangsong", kCjkSerif},
    FaceRule{"楷体", kCjkSerif},
    FaceRule{"楷体_gb2312", kCjkSerif},
    FaceRule{"kaiti", kCjkSerif},
    FaceRule{"mingliu", kCjkSerif},
    FaceRule{"pmingliu", kCjkSerif},
    FaceRule{"黑体", kCjkSans},
    FaceRule{"simhei", kCjkSans},
    FaceRule{"微软雅黑", kCjkSans},
    FaceRule{"microsoft yahei", kCjkSans},
    FaceRule{"等线", kCjkSans},
    FaceRule{"dengxian", kCjkSans},
    FaceRule{"幼圆", kCjkSans},
    FaceRule{"youyuan", kCjkSans},
    FaceRule{"ms gothic", kCjkSans},
    FaceRule{"ms pgothic", kCjkSans},
    FaceRule{"meiryo", kCjkSans},
    FaceRule{"gulim", kCjkSans},
    FaceRule{"dotum", kCjkSans},
    FaceRule{"malgun gothic", kCjkSans},
    FaceRule{"symbol", "OpenSymbol, DejaVu Sans"},
    FaceRule{"wingdings", "OpenSymbol, DejaVu Sans"},
};

std::string_view CharsetDefault(int charset) {
  switch (charset) {
    case 128:
      return "Noto Sans CJK JP";
    case 129:
      return "Noto Sans CJK KR";
    case 134:
      return kCjkSans;
    case 136:
      return "Noto Sans CJK TC";
    default:
      return kSans;
  }
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

}  // namespace

std::string FontFamiliesFor(const std::string& face, int charset) {
  // Separators inside a face name would split it into several families.
  std::string clean;
  for (char c : face) {
    if (c != ',' && c != ';' && static_cast<unsigned char>(c) >= 0x20) clean += c;
  }
  while (!clean.empty() && clean.back() == ' ') clean.pop_back();
  while (!clean.empty() && clean.front() == ' ') clean.erase(clean.begin());
  if (!clean.empty() && clean.front() == '@') clean.erase(clean.begin());  // vertical forms

  const std::string lower = Lower(clean);
  std::string families;
  for (const FaceRule& rule : kRules) {
    if (rule.face == lower) {
      families = rule.families;
      break;
    }
  }
  if (families.empty()) {
    families =
        clean.empty() ? std::string(CharsetDefault(charset)) : clean + ", " + std::string(CharsetDefault(charset));
  }
  // Characters the chosen face lacks come from the CJK face.
  if (families.find(kCjkSans) == std::string::npos) families += ", " + std::string(kCjkSans);
  return families;
}

}  // namespace orv
