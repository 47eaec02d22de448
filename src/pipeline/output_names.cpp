#include "pipeline/output_names.h"

#include "base/paths.h"

namespace orv {
namespace {

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text = text.substr(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

std::string Numbered(std::string_view stem, int number, std::string_view extension) {
  std::string out(stem);
  out += '_';
  out += std::to_string(number);
  out += extension;
  return out;
}

bool HasTitle(bool useTitles, const std::vector<std::string>& titles, std::size_t index) {
  return useTitles && index < titles.size() && !titles[index].empty();
}

}  // namespace

std::string SourceFileName(std::string_view sourcePath) {
  while (sourcePath.size() > 1 && sourcePath.back() == kPathSeparator) sourcePath.remove_suffix(1);
  return FileNamePart(sourcePath);
}

std::string OutputStem(std::string_view sourcePath) {
  const std::string name = SourceFileName(sourcePath);
  // The newer formats have longer or other extensions; the whole extension goes.
  for (std::string_view extension : {std::string_view(".pptx"), std::string_view(".ppsx"), std::string_view(".odp")}) {
    if (name.size() > extension.size() && EndsWithIgnoringAsciiCase(name, extension)) {
      return name.substr(0, name.size() - extension.size());
    }
  }
  // The classic rule: the dot and a three-letter extension are the last four
  // characters. A name without one keeps all of its characters, so a folder
  // "slides" gives slides.swf instead of a mangled "sli.swf".
  if (name.size() > 4 && name[name.size() - 4] == '.') return DropLast(name, 4);
  return name;
}

std::string MovieName(std::string_view sourcePath) { return OutputStem(sourcePath) + ".swf"; }
std::string PageName(std::string_view sourcePath) { return OutputStem(sourcePath) + ".htm"; }
std::string ScormPackageName(std::string_view sourcePath) { return OutputStem(sourcePath) + "-scorm.zip"; }
bool MakesScormPackage(const ConversionSettings& settings) { return settings.GenScorm != 0 && settings.GenHTML5 != 0; }

std::string SplitMovieName(std::string_view sourcePath, int slideNumber) {
  return Numbered(OutputStem(sourcePath), slideNumber, ".swf");
}
std::string SplitPageName(std::string_view sourcePath, int slideNumber) {
  return Numbered(OutputStem(sourcePath), slideNumber, ".htm");
}

std::string TitleMovieName(std::string_view title) { return std::string(title) + ".swf"; }
std::string TitlePageName(std::string_view title) { return std::string(title) + ".htm"; }

std::string SlideMovieName(std::string_view sourcePath, bool useTitles, const std::vector<std::string>& titles,
                           std::size_t index) {
  if (HasTitle(useTitles, titles, index)) return TitleMovieName(titles[index]);
  return SplitMovieName(sourcePath, static_cast<int>(index + 1));
}

std::string SlidePageName(std::string_view sourcePath, bool useTitles, const std::vector<std::string>& titles,
                          std::size_t index) {
  if (HasTitle(useTitles, titles, index)) return TitlePageName(titles[index]);
  return SplitPageName(sourcePath, static_cast<int>(index + 1));
}

std::string OutputPath(std::string_view outputFolder, std::string_view name) { return JoinPath(outputFolder, name); }
std::string AutorunPath(std::string_view outputFolder) { return JoinPath(outputFolder, "autorun.inf"); }

}  // namespace orv
