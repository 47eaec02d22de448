// The stored fragments, their patches and the lookup failures.
#include <gtest/gtest.h>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/fragments.h"
#include "movie_test_support.h"

namespace orv {
namespace {

using test::ByteVector;
using test::Hex;

ByteVector Stored(int id) {
  const auto bytes = FragmentBytes(id);
  return bytes ? ByteVector(bytes->begin(), bytes->end()) : ByteVector{};
}

TEST(Fragments, StoredBytesAreExactlyTheListedOnes) {
  EXPECT_EQ(Stored(200),
            Hex("46 57 53 06 00 8a 02 00 78 00 06 40 00 00 12 c0 00 00 0f 04 00 43 02 00 00 00 00 06 3f 03 "
                "53 04 00 00 88 24 02 23 00 69 6e 69 74 45 78 65 63 00 75 6e 64 65 66 69 6e 65 64 00 5f 67 "
                "6c 6f 62 61 6c 00 67 43 6f 6e 66 69 67 5f 73 74 72 00"));
  EXPECT_EQ(Stored(202), Hex("bf 00 26 00 00 00 3e 00 78 00 07 d0 00 00 17 70 00 01 41 3d 00 d9 40 00 05 00 00 "
                             "00 00 10 13 e8 fa 03 d5 77 07 a4 18 0f 5a 24 00 00"));
  EXPECT_EQ(Stored(203), Hex("ff 09 18 00 00 00 3f 00 01 00 3f 03 02 00 00 00 07 00 86 06 06 01 00 40 00 00 40 00"));
  EXPECT_EQ(Stored(204), Hex("85 06 03 01 00 40 00 40 00"));
  EXPECT_EQ(Stored(205), Hex("00 00 bf 06 15 00 00 00 36 01 00 3f 00 00 03 00 6e 61 76 53 6c 69 64 65 73 5f 6d 63 "
                             "00 88 06 05 03 00 1e 7b 41 04 78 40 00 00 00"));
}

// The slides sprite and its frames as one movie of `count` slides has them.
ByteVector SpriteTags(int count) {
  MovieBuffer buffer;
  EXPECT_EQ(AppendFragment(kSpriteStartFragment, count, buffer), 1);
  for (int j = 2; j <= count; ++j) EXPECT_EQ(AppendFragment(kSpriteFrameFragment, j, buffer), 1);
  EXPECT_EQ(AppendFragment(kMovieEndFragment, count, buffer), 1);
  return ByteVector(buffer.bytes().begin(), buffer.bytes().end());
}

TEST(Fragments, SpriteFragmentsPatchedForOneTwoAndThreeSlides) {
  // One slide: sprite 65 of length 24 with one frame, no further frame.
  EXPECT_EQ(SpriteTags(1), Hex("ff 09 18 00 00 00 41 00 01 00 3f 03 02 00 00 00 07 00 86 06 06 01 00 40 00 00 40 00 "
                               "00 00 bf 06 15 00 00 00 36 01 00 41 00 00 03 00 6e 61 76 53 6c 69 64 65 73 5f 6d 63 00 "
                               "88 06 05 03 00 1e 7b 41 04 78 40 00 00 00"));
  // Two slides: length 33, sprite 67, the second frame shows shape 66.
  const ByteVector two = SpriteTags(2);
  ASSERT_EQ(two.size(), 28u + 9u + 43u);
  EXPECT_EQ(test::Slice(two, 0, 10), Hex("ff 09 21 00 00 00 43 00 02 00"));
  EXPECT_EQ(test::Slice(two, 28, 9), Hex("85 06 03 01 00 42 00 40 00"));
  EXPECT_EQ(test::Le16(two, 37 + 11), 67);
  // Three slides: length 42, sprite 69, frames showing shapes 66 and 68.
  const ByteVector three = SpriteTags(3);
  ASSERT_EQ(three.size(), 28u + 18u + 43u);
  EXPECT_EQ(test::Slice(three, 0, 10), Hex("ff 09 2a 00 00 00 45 00 03 00"));
  EXPECT_EQ(test::Slice(three, 28, 18), Hex("85 06 03 01 00 42 00 40 00 85 06 03 01 00 44 00 40 00"));
  EXPECT_EQ(test::Le16(three, 46 + 11), 69);
}

TEST(Fragments, SlideShapeGetsItsShapeAndBitmapIds) {
  MovieBuffer buffer;
  ASSERT_EQ(AppendFragment(kSlideShapeFragment, 1, buffer), 1);
  ASSERT_EQ(AppendFragment(kSlideShapeFragment, 3, buffer), 1);
  EXPECT_EQ(test::Le16(buffer.bytes(), 6), 64);
  EXPECT_EQ(test::Le16(buffer.bytes(), 19), 63);
  EXPECT_EQ(test::Le16(buffer.bytes(), 44 + 6), 68);
  EXPECT_EQ(test::Le16(buffer.bytes(), 44 + 19), 67);
  // Nothing else of the template changes.
  ByteVector rest = test::Slice(buffer.bytes(), 44, 44);
  rest[6] = 0x3e;
  rest[19] = 0x3d;
  EXPECT_EQ(rest, Stored(202));
}

void* FailingRealloc(void*, std::size_t) { return nullptr; }

TEST(Fragments, LookupAndGrowthFailuresGiveTheirMessages) {
  RecordingNotifier notes;
  ScopedNotifier scope(notes);
  test::OverlayResources table;
  table.Remove(203, "BIN");
  table.Set(204, "BIN", {});
  table.Set(205, "BIN", Hex("00 00 bf 06"));  // too short for its patch
  ScopedResourceTable tableScope(table);

  MovieBuffer buffer;
  EXPECT_EQ(AppendFragment(203, 1, buffer), -1);
  EXPECT_EQ(AppendFragment(204, 2, buffer), -1);
  EXPECT_EQ(AppendFragment(205, 1, buffer), -1);
  const auto previous = MovieBuffer::SetReallocator(&FailingRealloc);
  EXPECT_EQ(AppendFragment(202, 1, buffer), -1);
  MovieBuffer::SetReallocator(previous);
  EXPECT_EQ(notes.reports, (std::vector<std::string>{msg::kResourceNotFound, msg::kResourceSizeUnknown,
                                                     msg::kResourceNotLoaded, msg::kFragmentGrowFailed}));
}

}  // namespace
}  // namespace orv
