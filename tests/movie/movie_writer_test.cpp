// Whole movies: the byte layout, frame sizes, and what failures and cancel
// leave on disk.
#include <gtest/gtest.h>

#include "support/needs.h"

#include <sys/resource.h>
#include <csignal>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/fragments.h"
#include "movie/movie_writer.h"
#include "movie/player_config.h"
#include "movie_test_support.h"
#include "support/swf_reader.h"

namespace orv {
namespace {

using test::ByteVector;
using test::Hex;

class MovieWriterTest : public ::testing::Test {
 protected:
  MovieWriterTest() : tableScope_(table_), notesScope_(notes_) {}

  // Writes a movie of `count` slides named /slides/N.bmp and returns its bytes.
  ByteVector Write(ConversionSettings& settings, int count, const std::string& name = "Talk.swf") {
    MovieWriter writer(std::ref(encoder_));
    for (int k = 1; k <= count; ++k) writer.slidePaths.push_back("/slides/" + std::to_string(k) + ".bmp");
    writer.outputPath = folder_ / name;
    writer.WriteMovie(settings, slides_, progress_);
    return test::ReadFileBytes(writer.outputPath);
  }

  test::OverlayResources table_;
  ScopedResourceTable tableScope_;
  RecordingNotifier notes_;
  ScopedNotifier notesScope_;
  test::ScratchFolder folder_;
  test::FakeEncoder encoder_;
  SlideList slides_;
  Progress progress_;
};

TEST_F(MovieWriterTest, ThreeSlidesAt640x480HaveTheDocumentedLayout) {
  ConversionSettings settings;
  slides_.delays = {5, 1, 10};
  const ByteVector movie = Write(settings, 3);
  ASSERT_FALSE(movie.empty());
  EXPECT_TRUE(notes_.reports.empty());

  ConversionSettings copy;
  const std::string doc = BuildPlayerConfig(copy, slides_);
  const ByteVector player = test::StandInPlayer();
  const std::size_t L = doc.size();

  // Fragment 200 keeps its length; only the file length and the two action
  // lengths differ from the stored bytes.
  ByteVector header = test::Slice(movie, 0, 78);
  ByteVector stored(FragmentBytes(200)->begin(), FragmentBytes(200)->end());
  EXPECT_EQ(test::Le32(header, 4), movie.size());
  EXPECT_EQ(test::Le32(header, 30), L + 946);  // high half stays 0
  EXPECT_EQ(test::Le16(header, 35), L + 336);
  EXPECT_EQ(test::Slice(header, 8, 9), Hex("78 00 06 40 00 00 12 c0 00"));
  for (std::size_t at : {4, 5, 6, 7, 30, 31, 35, 36}) header[at] = stored[at];
  EXPECT_EQ(header, stored);

  std::size_t at = 78;
  EXPECT_EQ(std::string(movie.begin() + 78, movie.begin() + static_cast<long>(78 + L)), doc);
  at += L;
  EXPECT_EQ(test::Slice(movie, at, player.size()), player);
  at += player.size();

  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    const ByteVector jpeg = test::FakeEncoder::BlockFor("/slides/" + std::to_string(i) + ".bmp");
    EXPECT_EQ(test::Slice(movie, at, 2), Hex("7f 05"));
    EXPECT_EQ(test::Le32(movie, at + 2), jpeg.size() + 6);
    EXPECT_EQ(test::Le16(movie, at + 6), 2 * i + 61);
    EXPECT_EQ(test::Slice(movie, at + 8, 4), Hex("ff d9 ff d8"));
    EXPECT_EQ(test::Slice(movie, at + 12, jpeg.size()), jpeg);
    at += 12 + jpeg.size();

    ByteVector shape =
        Hex("bf 00 26 00 00 00 00 00 78 00 06 40 00 00 12 c0 00 01 41 00 00 d9 40 00 05 00 00 "
            "00 00 10 13 e8 c8 03 d5 2c 07 a4 e0 0f 5b 50 00 00");
    shape[6] = static_cast<std::uint8_t>(2 * i + 62);
    shape[19] = static_cast<std::uint8_t>(2 * i + 61);
    EXPECT_EQ(test::Slice(movie, at, 44), shape);
    at += 44;
  }
  EXPECT_EQ(movie.size(), at + 28 + 2 * 9 + 43);
  EXPECT_EQ(test::Slice(movie, at, 10), Hex("ff 09 2a 00 00 00 45 00 03 00"));
  EXPECT_EQ(encoder_.calls, (std::vector<std::string>{"/slides/1.bmp", "/slides/2.bmp", "/slides/3.bmp"}));
  EXPECT_EQ(progress_.position(), 3);  // one step per slide

  const test::SwfMovie read = test::ReadSwf(movie);
  EXPECT_TRUE(read.ok()) << read.problems.front();
  EXPECT_EQ(read.frameCount, 4);
  EXPECT_EQ(read.frameRate, 0x0f00);
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{"Talk.swf"});
}

struct FrameCase {
  int width, height;
  std::size_t rectLength, shapeTagLength;
  std::uint32_t shapeLengthField;
};

TEST_F(MovieWriterTest, FrameSizesChangeRecordLengthsAndMoveThePatches) {
  const FrameCase cases[] = {
      {2048, 2048, 10, 46, 40}, {320, 240, 8, 42, 36}, {16, 16, 6, 38, 32}, {1639, 480, 10, 45, 39}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    ConversionSettings settings;
    settings.Width = c.width;
    settings.Height = c.height;
    const ByteVector bytes = Write(settings, 2, "size.swf");
    const test::SwfMovie movie = test::ReadSwf(bytes);
    ASSERT_TRUE(movie.ok()) << movie.problems.front();
    EXPECT_EQ(movie.frame.byteLength, c.rectLength);
    EXPECT_EQ(movie.frame.xMax, c.width * 20);
    EXPECT_EQ(movie.frame.yMax, c.height * 20);

    // The first action block's length lands where the RECT moved it.
    const std::size_t d = c.rectLength - 9;
    ConversionSettings copy = settings;
    const std::size_t L = BuildPlayerConfig(copy, slides_).size();
    ASSERT_EQ(movie.tags[2].code, test::swf_tag::kDoAction);
    EXPECT_EQ(movie.tags[2].offset, 28 + d);
    EXPECT_EQ(test::Le16(bytes, 30 + d), L + 946);
    EXPECT_EQ(test::Le16(bytes, 35 + d), L + 336);
    EXPECT_EQ(test::Le16(bytes, 37 + d), 35);  // the constant count stays in place

    int shapes = 0;
    for (const auto& tag : movie.tags) {
      if (tag.code != test::swf_tag::kDefineShape) continue;
      ++shapes;
      EXPECT_EQ(tag.length, c.shapeLengthField);
      EXPECT_EQ(tag.length + 6, c.shapeTagLength);
      test::SwfRect bounds;
      ASSERT_TRUE(test::ReadSwfRect(bytes, tag.bodyOffset + 2, bounds));
      EXPECT_EQ(bounds.xMax, c.width * 20);
      EXPECT_EQ(bounds.yMax, c.height * 20);
    }
    EXPECT_EQ(shapes, 2);
  }
}

TEST_F(MovieWriterTest, OneSlideMovieUsesIds63To65) {
  ConversionSettings settings;
  const ByteVector bytes = Write(settings, 1);
  const test::SwfMovie movie = test::ReadSwf(bytes);
  ASSERT_TRUE(movie.ok());
  std::vector<std::pair<int, int>> definitions;  // code, id
  for (const auto& tag : movie.tags) {
    if (tag.code == test::swf_tag::kDefineBitsJpeg2 || tag.code == test::swf_tag::kDefineShape ||
        tag.code == test::swf_tag::kDefineSprite) {
      definitions.emplace_back(tag.code, test::TagCharacterId(bytes, tag));
    }
  }
  EXPECT_EQ(definitions, (std::vector<std::pair<int, int>>{{21, 63}, {2, 64}, {39, 65}}));
  const auto sprite = std::find_if(movie.tags.begin(), movie.tags.end(),
                                   [](const test::SwfTag& t) { return t.code == test::swf_tag::kDefineSprite; });
  EXPECT_EQ(sprite->length, 24u);
  EXPECT_EQ(sprite->spriteFrameCount, 1);
  EXPECT_EQ(sprite->children.size(), 4u);  // DoAction, PlaceObject2, ShowFrame, End
  // The sprite is placed under its id.
  EXPECT_EQ(test::Le16(bytes, sprite->offset + 6 + sprite->length + 6 + 3), 65);
}

TEST_F(MovieWriterTest, CancelAndSlideFailuresLeaveNoFileAndKeepAnOlderOne) {
  ConversionSettings settings;
  test::WriteFile(folder_ / "Talk.swf", "older movie");

  test::CancellingProgress cancelling(2);
  MovieWriter writer(std::ref(encoder_));
  writer.slidePaths = {"/s/1.bmp", "/s/2.bmp", "/s/3.bmp"};
  writer.outputPath = folder_ / "Talk.swf";
  writer.WriteMovie(settings, slides_, cancelling);
  EXPECT_TRUE(cancelling.cancelled());
  EXPECT_EQ(encoder_.calls.size(), 1u);  // the cancel is seen before slide 2's image
  EXPECT_TRUE(notes_.reports.empty());

  encoder_.calls.clear();
  encoder_.failOn = "/s/2.bmp";
  writer.WriteMovie(settings, slides_, progress_);
  // Abandoned at the failing slide: slide 3 is never prepared, and the
  // preparation's own message is the only one (the fake gives none).
  EXPECT_EQ(encoder_.calls, (std::vector<std::string>{"/s/1.bmp", "/s/2.bmp"}));
  EXPECT_TRUE(notes_.reports.empty());
  EXPECT_EQ(test::ReadFile(folder_ / "Talk.swf"), "older movie");

  writer.outputPath = folder_ / "New.swf";
  writer.WriteMovie(settings, slides_, progress_);
  EXPECT_EQ(test::ReadFile(folder_ / "Talk.swf"), "older movie");
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{"Talk.swf"});
}

TEST_F(MovieWriterTest, MissingFolderGivesTheMessageWithThatPath) {
  ConversionSettings settings;
  MovieWriter writer(std::ref(encoder_));
  writer.slidePaths = {"/s/1.bmp"};
  writer.outputPath = folder_ / "nowhere/Talk.swf";
  writer.WriteMovie(settings, slides_, progress_);
  EXPECT_EQ(notes_.reports, std::vector<std::string>{FormatMessage(msg::kFlashWriteFailed, writer.outputPath)});
}

TEST_F(MovieWriterTest, FailedWriteKeepsTheOlderMovieAndNamesTheRealFile) {
  ConversionSettings settings;
  const std::string path = folder_ / "Talk.swf";
  test::WriteFile(path, "older movie");
  {
    test::FileSizeLimit limit(500);
    MovieWriter writer(std::ref(encoder_));
    writer.slidePaths = {"/s/1.bmp"};
    writer.outputPath = path;
    writer.WriteMovie(settings, slides_, progress_);
  }
  EXPECT_EQ(notes_.reports, std::vector<std::string>{FormatMessage(msg::kFlashWriteFailed, path)});
  EXPECT_EQ(test::ReadFile(path), "older movie");
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{"Talk.swf"});
}

TEST_F(MovieWriterTest, MoviesTheFormatCannotHoldAreRefusedWithAMessage) {
  const std::string path = folder_ / "Talk.swf";
  {
    // 9N + 15 must fit the sprite's 16-bit length.
    ConversionSettings settings;
    MovieWriter writer(std::ref(encoder_));
    writer.slidePaths.assign(kMaxSlidesPerMovie + 1, "/s/1.bmp");
    writer.outputPath = path;
    writer.WriteMovie(settings, slides_, progress_);
    EXPECT_EQ(SlidesSpriteLength(kMaxSlidesPerMovie), 65535);
  }
  {
    // L + 946 must fit the first action block's 16-bit length.
    ConversionSettings settings;
    SlideList many;
    many.delays.assign(2000, 5);
    MovieWriter writer(std::ref(encoder_));
    writer.slidePaths = {"/s/1.bmp"};
    writer.outputPath = path;
    writer.WriteMovie(settings, many, progress_);
  }
  {
    ConversionSettings settings;
    settings.Width = 0;
    MovieWriter writer(std::ref(encoder_));
    writer.slidePaths = {"/s/1.bmp"};
    writer.outputPath = path;
    writer.WriteMovie(settings, slides_, progress_);
  }
  EXPECT_EQ(notes_.reports, (std::vector<std::string>{FormatMessage(msg::kMovieTooManySlides, path),
                                                      FormatMessage(msg::kMovieConfigTooLong, path),
                                                      FormatMessage(msg::kMovieFrameSizeInvalid, path)}));
  EXPECT_TRUE(encoder_.calls.empty());
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(MovieWriterTest, LongestDocumentThatFitsIsWritten) {
  ConversionSettings settings;
  // Grow the document to exactly 65535 - 946 bytes with one odd-sized entry.
  ConversionSettings probe;
  std::string doc = BuildPlayerConfig(probe, slides_);
  const std::size_t entry = std::string("<slideProp delay=\"5\"></slideProp>").size();
  const std::size_t room = 65535 - 946 - doc.size();
  slides_.delays.assign(room / entry, 5);
  std::size_t rest = room % entry;
  if (rest > 0) {  // widen some delays by digits until the room is filled
    for (auto& d : slides_.delays) {
      if (rest == 0) break;
      const std::size_t extra = std::min<std::size_t>(rest, 8);
      d = static_cast<std::uint32_t>(std::stoul("5" + std::string(extra, '0')));
      rest -= extra;
    }
  }
  ASSERT_EQ(BuildPlayerConfig(probe, slides_).size() + 946, 65535u);
  const ByteVector bytes = Write(settings, 1);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(test::Le32(bytes, 30), 65535u);
  EXPECT_TRUE(test::ReadSwf(bytes).ok());
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// With the real player fragment, the first action block ends exactly where
// its patched length says and the movie reads back cleanly.
TEST(MovieWithPlayer, FirstActionBlockAndFrameStructureAddUp) {
  ORVANTA_NEEDS(Resources().Find(kPlayerFragment, "BIN").has_value(), "the built player fragment");
  RecordingNotifier notes;
  ScopedNotifier scope(notes);
  test::ScratchFolder folder;
  test::FakeEncoder encoder;
  for (auto [width, height] : {std::pair{640, 480}, {2048, 2048}, {320, 240}}) {
    ConversionSettings settings;
    settings.Width = width;
    settings.Height = height;
    SlideList slides;
    slides.delays = {3, 4};
    MovieWriter writer(std::ref(encoder));
    writer.slidePaths = {"/s/1.bmp", "/s/2.bmp"};
    writer.outputPath = folder / "player.swf";
    Progress progress;
    writer.WriteMovie(settings, slides, progress);
    const ByteVector bytes = test::ReadFileBytes(writer.outputPath);
    const test::SwfMovie movie = test::ReadSwf(bytes);
    ASSERT_TRUE(movie.ok()) << movie.problems.front();
    EXPECT_EQ(movie.frameCount, 4);

    ConversionSettings copy = settings;
    const std::size_t L = BuildPlayerConfig(copy, slides).size();
    const test::SwfTag& action = movie.tags[2];
    ASSERT_EQ(action.code, test::swf_tag::kDoAction);
    EXPECT_EQ(action.length, L + 946);
    // The document is constant 4 of the pool and ends in the player's zero byte.
    EXPECT_EQ(bytes[action.bodyOffset + 44 + L], 0);
    EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(action.bodyOffset + 44),
                          bytes.begin() + static_cast<long>(action.bodyOffset + 44 + L)),
              BuildPlayerConfig(copy, slides));
  }
  EXPECT_TRUE(notes.reports.empty());
}

}  // namespace
}  // namespace orv
