// The checking reader: a written movie reads back cleanly, and damaged
// files are reported instead of being read past their end.
#include <gtest/gtest.h>

#include "base/notifier.h"
#include "movie/movie_test_support.h"
#include "movie/movie_writer.h"
#include "support/swf_reader.h"

namespace orv {
namespace {

using test::ByteVector;
using test::Hex;

ByteVector WrittenMovie(int slides) {
  test::OverlayResources table;
  ScopedResourceTable scope(table);
  test::ScratchFolder folder;
  test::FakeEncoder encoder;
  MovieWriter writer(std::ref(encoder));
  for (int k = 1; k <= slides; ++k) writer.slidePaths.push_back("/s/" + std::to_string(k));
  writer.outputPath = folder / "m.swf";
  ConversionSettings settings;
  SlideList list;
  Progress progress;
  writer.WriteMovie(settings, list, progress);
  return test::ReadFileBytes(writer.outputPath);
}

std::vector<int> Codes(const std::vector<test::SwfTag>& tags) {
  std::vector<int> codes;
  for (const auto& tag : tags) codes.push_back(tag.code);
  return codes;
}

TEST(SwfReader, WrittenMovieReadsBackTagByTag) {
  const ByteVector bytes = WrittenMovie(2);
  const test::SwfMovie movie = test::ReadSwf(bytes);
  ASSERT_TRUE(movie.ok()) << movie.problems.front();
  EXPECT_EQ(movie.signature, "FWS");
  EXPECT_EQ(movie.version, 6);
  EXPECT_EQ(movie.fileLength, bytes.size());
  EXPECT_EQ(movie.headerLength, 21u);
  // Header tags, the stand-in player's frames, two slides, sprite, placements.
  EXPECT_EQ(Codes(movie.tags), (std::vector<int>{9, 24, 12, 1, 1, 1, 12, 21, 2, 21, 2, 39, 26, 26, 1, 0}));
  EXPECT_TRUE(movie.tags[2].longHeader);
  EXPECT_FALSE(movie.tags[0].longHeader);
  const test::SwfTag& sprite = movie.tags[11];
  EXPECT_EQ(sprite.spriteId, 67);
  EXPECT_EQ(sprite.spriteFrameCount, 2);
  EXPECT_EQ(Codes(sprite.children), (std::vector<int>{12, 26, 1, 26, 1, 0}));
}

TEST(SwfReader, DamagedFilesAreReported) {
  const ByteVector good = WrittenMovie(1);

  ByteVector wrongLength = good;
  wrongLength[4] ^= 1;
  EXPECT_FALSE(test::ReadSwf(wrongLength).ok());

  // Cut inside the last tags: a tag runs past the end, and no End tag.
  for (std::size_t cut : {good.size() - 1, good.size() - 20, std::size_t{30}, std::size_t{12}, std::size_t{5}}) {
    ByteVector truncated(good.begin(), good.begin() + static_cast<long>(cut));
    if (cut >= 8) {  // the length field agrees, so only the tags are at fault
      truncated[4] = static_cast<std::uint8_t>(cut);
      truncated[5] = static_cast<std::uint8_t>(cut >> 8);
    }
    const test::SwfMovie movie = test::ReadSwf(truncated);
    EXPECT_FALSE(movie.ok()) << cut;
  }

  ByteVector trailing = good;
  trailing.push_back(0);
  trailing[4] = static_cast<std::uint8_t>(trailing.size());
  trailing[5] = static_cast<std::uint8_t>(trailing.size() >> 8);
  const test::SwfMovie withTrailing = test::ReadSwf(trailing);
  ASSERT_EQ(withTrailing.problems.size(), 1u);
  EXPECT_NE(withTrailing.problems[0].find("after the End tag"), std::string::npos);

  ByteVector compressed = good;
  compressed[0] = 'C';
  EXPECT_FALSE(test::ReadSwf(compressed).ok());
}

TEST(SwfReader, SpriteLengthThatDisagreesWithItsTags) {
  // Header with a 1-bit-count RECT, one frame; a sprite whose length claims
  // one byte more than its tags.
  const ByteVector movie =
      Hex("46 57 53 06 1f 00 00 00 08 00 0c 00 01 00 "  // header (14 bytes)
          "ff 09 07 00 00 00 01 00 00 00 00 00 00 "     // DefineSprite, length 7: id, 0 frames, End, 1 extra
          "40 00 00 00");                               // ShowFrame, End
  const test::SwfMovie read = test::ReadSwf(movie);
  ASSERT_EQ(read.tags.size(), 3u);
  EXPECT_FALSE(read.ok());
  bool reported = false;
  for (const auto& p : read.problems) reported |= p.find("DefineSprite length") != std::string::npos;
  EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace orv
