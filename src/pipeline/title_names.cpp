#include "pipeline/title_names.h"

#include <string_view>
#include <unordered_set>

#include "base/messages.h"
#include "base/notifier.h"

namespace orv {
namespace {

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void Trim(std::string& text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsWhiteSpace(text[begin])) ++begin;
  std::size_t end = text.size();
  while (end > begin && IsWhiteSpace(text[end - 1])) --end;
  text = text.substr(begin, end - begin);
}

// Characters a file name cannot hold on the systems the movies travel to, and
// the manual line break inside a title: a vertical tab from PowerPoint, a
// line feed or carriage return from LibreOffice. No control character may
// reach a file name. Bytes of UTF-8 multibyte characters are all 0x80 or
// above, so they never match.
bool IsForbidden(char c) {
  switch (c) {
    case '\\':
    case '/':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
      return true;
    default:
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  }
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = FoldAscii(c);
  return out;
}

// A file name holds at most 255 bytes; a title that is a whole sentence is
// cut (at a character boundary) so that its movie and page can be written.
constexpr std::size_t kMaxNameBytes = 200;

void LimitLength(std::string& title) {
  if (title.size() <= kMaxNameBytes) return;
  std::size_t cut = kMaxNameBytes;
  while (cut > 0 && (static_cast<unsigned char>(title[cut]) & 0xC0) == 0x80) --cut;
  title.resize(cut);
  Trim(title);
}

// The numbering pass can still leave equal names ("a_1" next to two "a"
// becomes "a_1", "a_1", "a_2"), and two slides would then write the same
// file. Later duplicates get a further number until every name is unique.
void SettleRemainingDuplicates(std::vector<std::string>& titles) {
  std::unordered_set<std::string> taken;
  for (const auto& title : titles) taken.insert(Folded(title));
  std::unordered_set<std::string> seen;
  for (auto& title : titles) {
    if (seen.insert(Folded(title)).second) continue;
    for (int n = 2;; ++n) {
      std::string candidate = title + "_" + std::to_string(n);
      if (!taken.contains(Folded(candidate))) {
        title = candidate;
        taken.insert(Folded(candidate));
        seen.insert(Folded(candidate));
        break;
      }
    }
  }
}

}  // namespace

void MakeTitleNames(std::vector<std::string>& titles) {
  for (auto& title : titles) Trim(title);

  for (auto& title : titles) {
    for (char& c : title) {
      if (IsForbidden(c)) c = '_';
    }
    Trim(title);
  }

  int untitled = 0;
  for (auto& title : titles) {
    Trim(title);
    LimitLength(title);
    if (title.empty()) title = FormatMessage(msg::kUntitled, ++untitled);
  }

  for (std::size_t i = 0; i + 1 < titles.size(); ++i) {
    int n = 1;
    bool marked = false;
    for (std::size_t j = i + 1; j < titles.size(); ++j) {
      if (SameName(titles[j], titles[i])) {
        marked = true;
        ++n;
        titles[j] += "_" + std::to_string(n);
      }
    }
    if (marked) titles[i] += "_1";
  }

  SettleRemainingDuplicates(titles);
}

}  // namespace orv
