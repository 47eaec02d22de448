#include "folder_index/index_card.h"

#include <nlohmann/json.hpp>

namespace orv {
namespace {

constexpr std::uint8_t kMarker = 0xff;
constexpr std::uint8_t kStartOfImage = 0xd8;
constexpr std::uint8_t kComment = 0xfe;
constexpr std::uint8_t kStartOfScan = 0xda;
constexpr std::uint8_t kEndOfImage = 0xd9;
// What tells our card from any other comment a JPEG may carry.
constexpr std::string_view kCardMagic = "orvanta-index 1\n";
// A segment's length field counts itself: 65535 - 2 bytes of payload.
constexpr std::size_t kMaxPayload = 65533;
constexpr std::size_t kMaxTitleBytes = 4096;

// Cut at a byte limit without splitting a UTF-8 sequence.
std::string Shortened(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) --end;
  text.resize(end);
  return text;
}

std::string CardText(const IndexCard& card, std::size_t titleLimit) {
  const nlohmann::json json{{"source", card.source}, {"title", Shortened(card.title, titleLimit)},
                            {"slides", card.slides}, {"movie", card.movie},
                            {"page", card.page},     {"twin", card.twin},
                            {"lesson", card.lesson}, {"video", card.video}};
  // Names that are not UTF-8 are kept byte for byte as replacement marks
  // rather than failing the card.
  return std::string(kCardMagic) + json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Field(const nlohmann::json& json, const char* key) {
  const auto it = json.find(key);
  return it != json.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::string ThumbnailName(std::string_view stem) { return std::string(stem) + std::string(kThumbnailSuffix); }

std::vector<std::uint8_t> WithIndexCard(std::span<const std::uint8_t> jpeg, const IndexCard& card) {
  if (jpeg.size() < 2 || jpeg[0] != kMarker || jpeg[1] != kStartOfImage) return {};
  std::string text = CardText(card, kMaxTitleBytes);
  if (text.size() > kMaxPayload) text = CardText(card, 0);
  if (text.size() > kMaxPayload) return {};  // names no file system holds
  const std::size_t length = text.size() + 2;
  std::vector<std::uint8_t> out;
  out.reserve(jpeg.size() + length + 2);
  out.insert(out.end(), {kMarker, kStartOfImage, kMarker, kComment, static_cast<std::uint8_t>(length >> 8),
                         static_cast<std::uint8_t>(length & 0xff)});
  out.insert(out.end(), text.begin(), text.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

std::optional<IndexCard> ReadIndexCard(std::span<const std::uint8_t> jpeg) {
  if (jpeg.size() < 2 || jpeg[0] != kMarker || jpeg[1] != kStartOfImage) return std::nullopt;
  std::size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    if (jpeg[at] != kMarker) return std::nullopt;
    const std::uint8_t marker = jpeg[at + 1];
    if (marker == kMarker) {  // fill byte
      ++at;
      continue;
    }
    if (marker == kStartOfScan || marker == kEndOfImage) return std::nullopt;
    const std::size_t length = (std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
    if (length < 2 || at + 2 + length > jpeg.size()) return std::nullopt;
    const std::string_view payload(reinterpret_cast<const char*>(jpeg.data() + at + 4), length - 2);
    if (marker == kComment && payload.starts_with(kCardMagic)) {
      const auto json = nlohmann::json::parse(payload.substr(kCardMagic.size()), nullptr, false);
      if (!json.is_object()) return std::nullopt;
      IndexCard card;
      card.source = Field(json, "source");
      card.title = Field(json, "title");
      if (const auto slides = json.find("slides"); slides != json.end() && slides->is_number_integer()) {
        const auto count = slides->get<std::int64_t>();
        card.slides = count >= 0 && count <= 1'000'000 ? static_cast<int>(count) : 0;
      }
      card.movie = Field(json, "movie");
      card.page = Field(json, "page");
      card.twin = Field(json, "twin");
      card.lesson = Field(json, "lesson");
      card.video = Field(json, "video");
      return card;
    }
    at += 2 + length;
  }
  return std::nullopt;
}

}  // namespace orv
