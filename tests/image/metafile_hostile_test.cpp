// Metafiles that lie about their sizes and counts: playback stops or skips
// the record, keeps what it drew and never reads outside the data.
#include <gtest/gtest.h>

#include <random>

#include "base/resources.h"
#include "image/metafile_player.h"
#include "support/metafile_builders.h"

namespace orv {
namespace {

using test::At;
using test::EmfBuilder;
using test::Pixel;
using test::WmfBuilder;

constexpr Pixel kRed{255, 0, 0};
constexpr Pixel kWhite{255, 255, 255};

bool Render(const std::vector<std::uint8_t>& bytes, MetafilePicture& picture) {
  std::string error;
  return RenderMetafile(bytes, 0, 0, picture, error);
}

// A red square at 10..40 that every hostile file starts with.
WmfBuilder RedSquareFirst() {
  WmfBuilder b(0, 0, 100, 100, 96);
  b.Pen(5, 0, 0).Select(0).Brush(0, 0x0000FF).Select(1).Rect(10, 10, 40, 40);
  return b;
}

TEST(MetafileHostile, WindowsRecordsWithBadSizesStopPlaybackButKeepTheDrawing) {
  const std::vector<std::vector<std::uint16_t>> brokenRecords = {
      {0, 0, 0x041B},                  // size 0
      {2, 0, 0x041B},                  // below the smallest record
      {0xFFFF, 0x7FFF, 0x041B, 1, 2},  // far past the end
      {200, 0, 0x041B, 1, 2, 3, 4},    // past the end
  };
  for (const auto& broken : brokenRecords) {
    WmfBuilder b = RedSquareFirst();
    b.Words(broken);
    b.Rect(60, 60, 90, 90);  // never reached
    MetafilePicture picture;
    ASSERT_TRUE(Render(b.Bytes(true, false), picture));
    EXPECT_EQ(At(picture, 25, 25), kRed);
    EXPECT_EQ(At(picture, 75, 75), kWhite);
  }
}

TEST(MetafileHostile, WindowsRecordsWithImpossibleCountsAreSkipped) {
  WmfBuilder b = RedSquareFirst();
  b.Record(0x0324, {32767, 1, 1, 50, 50});           // polygon count beyond the record
  b.Record(0x0325, {-5, 1, 1});                      // negative polyline count
  b.Record(0x0538, {65535, 1, 2, 3});                // polygon counts beyond the record
  b.Record(0x0538, {2, 65535, 65535, 1, 1, 2, 2});   // points beyond the record
  b.Record(0x0521, {30000, 'A', 10, 10});            // text longer than its record
  b.Record(0x0A32, {10, 10, 30000, 6, 0, 0, 5, 5});  // ext text longer than its record
  b.Record(0x0A32, {10, 10, 2, 6});                  // options promise a missing rectangle
  b.Record(0x012D, {60000});                         // selecting an empty slot
  b.Record(0x01F0, {60000});
  b.Record(0x0127, {-100});  // restoring unsaved states
  b.Record(0x0127, {50});
  b.Record(0x020C, {0, 0});        // zero window extent
  b.Record(0x0410, {0, 1, 0, 1});  // scaling by zero denominators
  b.Record(0x041B, {});            // rectangle without its corners
  // StretchDIB whose bitmap claims 30000 x 30000 pixels with no rows.
  b.Record(0x0F43, {0x0020, 0x00CC, 0, 1, 1, 0, 0, 50, 50, 0, 0, 40, 0, 30000, 0, 30000, 0, 1, 24, 0, 0});
  // DIBSTRETCHBLT with a header whose size field is absurd.
  b.Record(0x0B41, {0x0020, 0x00CC, 1, 1, 0, 0, 50, 50, 0, 0, 0xFFFF, 0xFFFF, 1, 0});
  // A palette bitmap with 8 bits per pixel but only two colours and no rows.
  b.Record(0x0D33, {0, 1, 0, 0, 0, 1, 4, 0, 0, 40, 0, 4, 0, 1, 0, 1, 8, 0, 0});
  b.Rect(60, 60, 90, 90);  // still drawn afterwards
  MetafilePicture picture;
  ASSERT_TRUE(Render(b.Bytes(), picture));
  EXPECT_EQ(At(picture, 25, 25), kRed);
  EXPECT_EQ(At(picture, 75, 75), kRed);
  EXPECT_EQ(At(picture, 50, 5), kWhite);
}

// An enhanced file that starts with a red square at 10..40 (brush 1, no pen).
EmfBuilder RedSquareEmf() {
  EmfBuilder b(100, 100);
  b.Record(39, {1, 0, 0x0000FF, 0}).Record(37, {1}).Record(37, {0x80000008}).Record(43, {10, 10, 40, 40});
  return b;
}

TEST(MetafileHostile, EnhancedRecordsWithBadSizesStopPlayback) {
  const std::vector<std::pair<std::uint32_t, std::vector<std::uint32_t>>> broken = {
      {6, {}},                // smaller than a record
      {42, {1, 2, 3, 4, 5}},  // not a multiple of four
      {0x7FFFFFF0, {1}},      // far past the end
      {64, {60, 60, 90}},     // past the end
  };
  for (const auto& [size, values] : broken) {
    EmfBuilder b = RedSquareEmf();
    b.Lying(43, size, values);
    MetafilePicture picture;
    ASSERT_TRUE(Render(b.Bytes(false), picture));
    EXPECT_EQ(At(picture, 25, 25), kRed);
    EXPECT_EQ(At(picture, 75, 75), kWhite);
  }
  // A header that claims more bytes than there are plays what is there.
  auto bytes = RedSquareEmf().Bytes();
  bytes[48] = 0xFF, bytes[49] = 0xFF, bytes[50] = 0xFF;
  MetafilePicture picture;
  ASSERT_TRUE(Render(bytes, picture));
  EXPECT_EQ(At(picture, 25, 25), kRed);
}

TEST(MetafileHostile, EnhancedRecordsWithImpossibleFieldsAreSkipped) {
  EmfBuilder b = RedSquareEmf();
  b.Record(86, {0, 0, 0, 0, 0xFFFFFFFF, 5});           // polygon16 count
  b.Record(3, {0, 0, 0, 0, 0x40000000, 5, 5});         // polygon count
  b.Record(91, {0, 0, 0, 0, 0xFFFFFFFF, 3, 1, 1, 1});  // polypolygon16 polygon count
  b.Record(8, {0, 0, 0, 0, 2, 6, 3, 3, 1, 1});         // counts beyond the points
  b.Record(91, {0, 0, 0, 0, 1, 3, 7, 1, 1});           // counts disagree with the total
  // EXTTEXTOUTW with the string and the advances outside the record.
  b.Record(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 0x7FFFFFFF, 76, 0, 0, 0, 0, 0, 0});
  b.Record(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 4, 0xFFFFFFF0, 0, 0, 0, 0, 0, 0});
  b.Record(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 2, 76, 0x2000, 0, 0, 0, 0, 0xFFFFFFFC, 'H' | 'i' << 16});
  // STRETCHDIBITS whose bitmap lies outside the record or is too large.
  b.Record(81, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0xFFFFFFF0, 40, 80, 4, 0, 0x00CC0020, 50, 50});
  b.Record(81, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 80, 0xFFFFFFFF, 80, 4, 0, 0x00CC0020, 50, 50});
  b.Record(81, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 80, 40, 120, 0, 0, 0x00CC0020, 50, 50, 40, 60000, 60000, 1 | 24 << 16,
                0, 0, 0, 0, 0, 0});
  // Handles out of range, stock objects that do not exist, states never saved.
  b.Record(37, {100000}).Record(37, {0x800000FF}).Record(40, {0xFFFFFFFF});
  b.Record(39, {0, 0, 0x00FF00, 0}).Record(39, {70000, 0, 0x00FF00, 0});
  b.Record(34, {5}).Record(34, {0x80000000});
  // A singular world transform, then identity again.
  b.Record(35, {0, 0, 0, 0, 0, 0}).Record(43, {0, 0, 100, 100});
  b.Record(35, {0x7FC00000, 0x7FC00000, 0, 0x7FC00000, 0, 0}).Record(43, {0, 0, 100, 100});
  b.Record(36, {0, 0, 0, 0, 0, 0, 1});
  // An enormous pen and an enormous font.
  b.Record(38, {3, 0, 0x7FFFFFFF, 0, 0x00FF00}).Record(37, {3}).Record(54, {0, 0});
  b.Record(37, {0x80000008});
  b.Record(82, {4, 0x80000000, 0, 3600, 0, 700, 0, 0, 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  b.Record(37, {4});
  b.Record(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 1, 76, 0, 0, 0, 0, 0, 0, 'W'});
  // Playback goes on after all of it.
  b.Record(37, {1}).Record(43, {10, 10, 40, 40}).Record(43, {60, 60, 90, 90});
  MetafilePicture picture;
  ASSERT_TRUE(Render(b.Bytes(), picture));
  EXPECT_EQ(At(picture, 25, 25), kRed);
  EXPECT_EQ(At(picture, 75, 75), kRed);
}

// Random damage to real files: every outcome is a clean success or failure.
void Mutate(const std::vector<std::uint8_t>& original, int rounds, unsigned seed) {
  std::mt19937 random(seed);
  for (int round = 0; round < rounds; ++round) {
    std::vector<std::uint8_t> bytes = original;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) {
      const std::size_t at = random() % bytes.size();
      // Keep the headers mostly intact so that the records get played.
      if (at < 40 && random() % 4 != 0) continue;
      bytes[at] = static_cast<std::uint8_t>(random() % 3 == 0 ? 0xFF : random());
    }
    if (random() % 5 == 0) bytes.resize(random() % bytes.size());
    MetafilePicture picture;
    std::string error;
    const bool ok = RenderMetafile(bytes, 0, 0, picture, error);
    ASSERT_EQ(ok, error.empty() && !picture.bgr.empty()) << "round " << round << " " << error;
    if (ok) {
      ASSERT_EQ(picture.bgr.size(), static_cast<std::size_t>(picture.width) * picture.height * 3);
    }
  }
}

TEST(MetafileHostile, RandomDamageNeverBreaksPlayback) {
  WmfBuilder shapes = RedSquareFirst();
  shapes.Record(0x0324, {3, 10, 90, 50, 10, 90, 90}).Record(0x0418, {90, 90, 60, 60});
  shapes.Record(0x0538, {2, 3, 3, 0, 0, 9, 9, 0, 9, 20, 20, 30, 30, 20, 30});
  shapes.Record(0x0521, {2, 'O' | 'K' << 8, 50, 50});
  Mutate(shapes.Bytes(), 300, 1);

  EmfBuilder emf = RedSquareEmf();
  emf.Record(86, {0, 0, 0, 0, 3, 10 | 90 << 16, 50 | 10 << 16, 90 | 90 << 16});
  emf.Record(33, {}).Record(42, {60, 60, 90, 90}).Record(34, {-1});
  emf.Record(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 2, 76, 0, 0, 0, 0, 0, 80, 'H' | 'i' << 16, 20, 20});
  Mutate(emf.Bytes(), 300, 2);

  // The real end slide is built into every program: its absence is a fault.
  const auto end = Resources().Find(214, "BIN");
  ASSERT_TRUE(end) << "the end slide resource (214) is missing";
  Mutate(std::vector<std::uint8_t>(end->begin(), end->end()), 40, 3);
}

}  // namespace
}  // namespace orv
