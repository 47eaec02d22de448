// swfcheck MOVIE: prints what the project's SWF reader makes of a movie, as
// one JSON object on standard output, for the playback tests. The emulator
// plays many broken files without complaint, so the tests check the
// structure here. Exit status: 0 when the reader found nothing wrong, 1 when
// it reported problems, 2 when the file could not be read.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/swf_reader.h"

namespace {

std::optional<std::vector<std::uint8_t>> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The constants of the first action block's constant pool; the player's
// configuration document is one of them.
std::vector<std::string> FirstConstantPool(std::span<const std::uint8_t> bytes, const orv::test::SwfMovie& movie) {
  std::vector<std::string> constants;
  for (const orv::test::SwfTag& tag : movie.tags) {
    if (tag.code != orv::test::swf_tag::kDoAction) continue;
    const auto body = orv::test::TagBody(bytes, tag);
    if (body.size() < 5 || body[0] != 0x88) return constants;
    const std::size_t actionLength = body[1] | (body[2] << 8);
    const std::size_t count = body[3] | (body[4] << 8);
    const std::size_t end = std::min(body.size(), 3 + actionLength);
    std::size_t at = 5;
    while (constants.size() < count && at < end) {
      std::size_t stop = at;
      while (stop < end && body[stop] != 0) ++stop;
      if (stop == end) break;  // unterminated: not a constant
      constants.emplace_back(body.begin() + static_cast<std::ptrdiff_t>(at),
                             body.begin() + static_cast<std::ptrdiff_t>(stop));
      at = stop + 1;
    }
    return constants;
  }
  return constants;
}

nlohmann::json DescribeSprite(std::span<const std::uint8_t> bytes, const orv::test::SwfTag& sprite) {
  int showFrames = 0;
  std::vector<int> placed;
  for (const orv::test::SwfTag& child : sprite.children) {
    if (child.code == orv::test::swf_tag::kShowFrame) ++showFrames;
    if (child.code == orv::test::swf_tag::kPlaceObject2) {
      const auto body = orv::test::TagBody(bytes, child);
      // flags (1), depth (2), then the character id when HasCharacter is set
      if (body.size() >= 5 && (body[0] & 0x02)) placed.push_back(body[3] | (body[4] << 8));
    }
  }
  return {
      {"id", sprite.spriteId}, {"frameCount", sprite.spriteFrameCount}, {"showFrames", showFrames}, {"placed", placed}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: swfcheck MOVIE\n";
    return 2;
  }
  const auto file = ReadFile(argv[1]);
  if (!file) {
    std::cerr << "swfcheck: cannot read " << argv[1] << "\n";
    return 2;
  }
  const std::span<const std::uint8_t> bytes(*file);
  const orv::test::SwfMovie movie = orv::test::ReadSwf(bytes);

  nlohmann::json out;
  out["ok"] = movie.ok();
  out["problems"] = movie.problems;
  out["signature"] = movie.signature;
  out["version"] = movie.version;
  out["fileLength"] = movie.fileLength;
  out["actualLength"] = file->size();
  out["frameWidth"] = (movie.frame.xMax - movie.frame.xMin) / 20.0;
  out["frameHeight"] = (movie.frame.yMax - movie.frame.yMin) / 20.0;
  out["frameRate"] = movie.frameRate / 256.0;
  out["frameCount"] = movie.frameCount;

  std::vector<int> codes, bitmaps, shapes;
  nlohmann::json sprites = nlohmann::json::array();
  int showFrames = 0;
  for (const orv::test::SwfTag& tag : movie.tags) {
    codes.push_back(tag.code);
    if (tag.code == orv::test::swf_tag::kShowFrame) ++showFrames;
    if (tag.code == orv::test::swf_tag::kDefineBitsJpeg2) bitmaps.push_back(orv::test::TagCharacterId(bytes, tag));
    if (tag.code == orv::test::swf_tag::kDefineShape) shapes.push_back(orv::test::TagCharacterId(bytes, tag));
    if (tag.code == orv::test::swf_tag::kDefineSprite) sprites.push_back(DescribeSprite(bytes, tag));
  }
  out["tags"] = codes;
  out["showFrames"] = showFrames;
  out["bitmaps"] = bitmaps;
  out["shapes"] = shapes;
  out["sprites"] = sprites;
  const auto constants = FirstConstantPool(bytes, movie);
  out["constants"] = constants.size();
  out["config"] = constants.size() > 4 ? nlohmann::json(constants[4]) : nlohmann::json(nullptr);

  // The document is ASCII by construction; anything else is dumped replaced.
  std::cout << out.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace) << "\n";
  return movie.ok() ? 0 : 1;
}
