#include "folder_index/index_page.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/owner_tag.h"
#include "movie/file_replace.h"
#include "movie/web_names.h"

namespace orv {
namespace {

// A thumbnail is a few kilobytes; anything far larger is not ours.
constexpr std::uintmax_t kMaxThumbnailBytes = 4u << 20;

struct Words {
  const char* heading;    // without a folder's name
  const char* pageTitle;  // followed by the folder's name
  const char* count;      // before the number of presentations
  const char* slides;     // after a slide count
  const char* oneSlide;
  const char* twin;
  const char* page;
  const char* video;
  const char* lesson;
  const char* of;  // "… of <title>", for screen readers
};

constexpr Words kEnglish{"Presentations",
                         "Presentations in ",
                         "Presentations in this folder: ",
                         " slides",
                         "1 slide",
                         "HTML5 version",
                         "Web page",
                         "Video",
                         "SCORM lesson",
                         " of "};
constexpr Words kChinese{"演示文稿", "演示文稿：", "本文件夹中的演示文稿：", " 张幻灯片", "1 张幻灯片", "HTML5 版本",
                         "网页",     "视频",       "SCORM 课件包",           "："};

const Words& WordsOf(UiLanguage language) { return language == UiLanguage::kChinese ? kChinese : kEnglish; }

// A name the card may give: one file of the folder, nothing above or below it.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

bool IsFileIn(const std::filesystem::path& folder, std::string& name) {
  std::error_code error;
  if (!IsPlainName(name) || !std::filesystem::is_regular_file(folder / name, error)) name.clear();
  return !name.empty();
}

std::vector<std::uint8_t> ReadSmallFile(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size > kMaxThumbnailBytes) return {};
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void AddLink(std::string& html, const std::string& name, const char* label, const Words& words,
             const std::string& title) {
  if (name.empty()) return;
  html += "<li><a href=\"" + UrlAttribute(name) + "\">" + label + "<span class=\"aside\">" + words.of +
          EscapeHtml(title) + "</span></a></li>";
}

constexpr std::string_view kStyle =
    "body{margin:0;font-family:system-ui,sans-serif;color:#1a1a1a;background:#fff;line-height:1.4}"
    "main{max-width:70rem;margin:0 auto;padding:1rem}"
    "h1{font-size:1.6rem;margin:.5rem 0}"
    "ul.decks{list-style:none;padding:0;display:grid;gap:1rem;"
    "grid-template-columns:repeat(auto-fill,minmax(15rem,1fr))}"
    "ul.decks>li{border:1px solid #767676;border-radius:4px;padding:.6rem;overflow-wrap:anywhere}"
    "img{display:block;width:100%;height:auto;background:#eee;border:1px solid #d0d0d0;box-sizing:border-box}"
    "h2{font-size:1.1rem;margin:.5rem 0 .2rem}"
    "p{margin:.2rem 0}.file{color:#4a4a4a;font-size:.9rem}"
    "ul.links{list-style:none;padding:0;margin:.4rem 0 0;display:flex;flex-wrap:wrap;gap:.3rem .9rem}"
    "a{color:#0645ad}a:focus{outline:2px solid #0645ad;outline-offset:2px}"
    ".aside{position:absolute;width:1px;height:1px;overflow:hidden;clip:rect(0 0 0 0);white-space:nowrap}";

}  // namespace

std::string BuildIndexPage(std::string_view folderName, const std::vector<IndexEntry>& entries, UiLanguage language) {
  const Words& words = WordsOf(language);
  std::string html = "<!DOCTYPE html>\n<html lang=\"";
  html += language == UiLanguage::kChinese ? "zh-CN" : "en";
  html +=
      "\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
  const std::string heading =
      folderName.empty() ? words.heading : words.pageTitle + EscapeHtml(BlankControls(folderName));
  html += heading + "</title>\n<style>";
  html += kStyle;
  html += "</style>\n</head>\n<body>\n<main>\n<h1>";
  html += heading;
  html += "</h1>\n<p>" + std::string(words.count) + std::to_string(entries.size()) + "</p>\n<ul class=\"decks\">\n";
  for (const IndexEntry& entry : entries) {
    const IndexCard& card = entry.card;
    const std::string title = BlankControls(card.title.empty() ? card.source : card.title);
    // The title opens what plays in a browser; the picture does the same for
    // the mouse, out of the keyboard's and the screen reader's way.
    const std::string& opens = !card.twin.empty() ? card.twin : !card.page.empty() ? card.page : card.video;
    html += "<li>";
    if (!entry.thumbnail.empty()) {
      const std::string picture = "<img src=\"" + UrlAttribute(entry.thumbnail) + "\" alt=\"\">";
      html += opens.empty()
                  ? picture
                  : "<a href=\"" + UrlAttribute(opens) + "\" tabindex=\"-1\" aria-hidden=\"true\">" + picture + "</a>";
    }
    html += opens.empty() ? "<h2>" + EscapeHtml(title) + "</h2>"
                          : "<h2><a href=\"" + UrlAttribute(opens) + "\">" + EscapeHtml(title) + "</a></h2>";
    if (!card.title.empty()) html += "<p class=\"file\">" + EscapeHtml(BlankControls(card.source)) + "</p>";
    html += "<p>";
    html += card.slides == 1 ? std::string(words.oneSlide) : std::to_string(card.slides) + words.slides;
    html += "</p><ul class=\"links\">";
    AddLink(html, card.twin, words.twin, words, title);
    AddLink(html, card.page, words.page, words, title);
    AddLink(html, card.video, words.video, words, title);
    AddLink(html, card.lesson, words.lesson, words, title);
    html += "</ul></li>\n";
  }
  html += "</ul>\n</main>\n</body>\n</html>\n";
  return html;
}

std::vector<IndexEntry> ReadFolderEntries(const std::string& folder) {
  std::vector<IndexEntry> entries;
  const std::filesystem::path root(folder);
  std::error_code error;
  for (std::filesystem::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    // A thumbnail being written carries its writer's tag; a name may start with a dot.
    if (!name.ends_with(kThumbnailSuffix) || name.find(kOwnerMark) != std::string::npos || !it->is_regular_file(error))
      continue;
    const auto card = ReadIndexCard(ReadSmallFile(it->path()));
    if (!card) continue;
    IndexEntry entry{name, *card};
    IndexCard& kept = entry.card;
    // A presentation whose outputs were all removed is no longer listed.
    bool any = false;
    for (std::string* output : {&kept.movie, &kept.page, &kept.twin, &kept.lesson, &kept.video})
      any = IsFileIn(root, *output) || any;
    if (!any) continue;
    if (kept.source.empty()) kept.source = name.substr(0, name.size() - kThumbnailSuffix.size());
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return a.card.source != b.card.source ? a.card.source < b.card.source : a.thumbnail < b.thumbnail;
  });
  return entries;
}

bool WriteFolderIndex(const std::string& folder, UiLanguage language) {
  const std::vector<IndexEntry> entries = ReadFolderEntries(folder);
  if (entries.empty()) return true;
  const std::filesystem::path path = std::filesystem::path(folder) / kIndexPageName;
  std::string folderName = std::filesystem::path(folder).lexically_normal().filename().string();
  if (folderName.empty())
    folderName = std::filesystem::path(folder).lexically_normal().parent_path().filename().string();
  return ReplaceFileContents(path.string(), BuildIndexPage(folderName, entries, language));
}

void IndexedFolders::Add(const std::string& root, const std::string& relative) {
  folders_.insert((relative.empty() ? std::filesystem::path(root) : std::filesystem::path(root) / relative)
                      .lexically_normal()
                      .string());
}

bool IndexedFolders::WriteAll(UiLanguage language, std::vector<std::string>* written) const {
  bool all = true;
  for (const std::string& folder : folders_) {
    const std::string page = (std::filesystem::path(folder) / kIndexPageName).string();
    errno = 0;
    if (WriteFolderIndex(folder, language)) {
      if (written != nullptr && std::filesystem::exists(page)) written->push_back(page);
      continue;
    }
    const int reason = errno;
    Notify(FormatMessage(msg::kIndexWriteFailed, page));
    if (reason != 0) Explain(page + ": " + std::generic_category().message(reason));
    all = false;
  }
  return all;
}

}  // namespace orv
