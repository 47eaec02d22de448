// The generator's bit and tag writers, checked against SWF structures whose
// bytes are known.
#include <gtest/gtest.h>

#include "bit_writer.h"
#include "font.h"
#include "records.h"
#include "shape.h"
#include "support/swf_reader.h"
#include "tags.h"

namespace {

using namespace orv::test;
using swfgen::Bytes;

TEST(SwfWriter, BitWriterPacksMostSignificantFirstAcrossBytes) {
  swfgen::BitWriter bits;
  bits.Put(3, 0b101);
  bits.Put(7, 0b1100110);
  bits.PutSigned(4, -1);
  EXPECT_EQ(bits.bytes(), (Bytes{0b10111001, 0b10111100}));
  EXPECT_THROW(bits.Put(33, 0), std::invalid_argument);
}

TEST(SwfWriter, SignedBitCountsAtTheirEdges) {
  EXPECT_EQ(swfgen::SignedBits(0), 1u);
  EXPECT_EQ(swfgen::SignedBits(-1), 1u);
  EXPECT_EQ(swfgen::SignedBits(1), 2u);
  EXPECT_EQ(swfgen::SignedBits(-2), 2u);
  EXPECT_EQ(swfgen::SignedBits(16383), 15u);
  EXPECT_EQ(swfgen::SignedBits(16384), 16u);
  EXPECT_EQ(swfgen::SignedBits(-16384), 15u);
  EXPECT_EQ(swfgen::SignedBits({3, -40, 7}), 7u);
}

TEST(SwfWriter, FrameRectOf640By480MatchesTheMovieHeader) {
  swfgen::ByteWriter out;
  swfgen::WriteRect(out, {0, 12800, 0, 9600});
  EXPECT_EQ(out.bytes(), (Bytes{0x78, 0x00, 0x06, 0x40, 0x00, 0x00, 0x12, 0xc0, 0x00}));
}

TEST(SwfWriter, MatrixAndAlphaTransformRoundTrip) {
  swfgen::PlaceObject p;
  p.depth = 7;
  p.character = 12;
  p.matrix = swfgen::Matrix::Translate(-300, 4500);
  p.alpha = 0.5;
  p.name = "clip_mc";
  const Bytes tag = swfgen::PlaceObject2Tag(p);
  const auto tags = ReadTags(tag, false);
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_EQ(tags[0].code, 26u);
  const Placement back = ReadPlaceObject2(tags[0].body);
  EXPECT_EQ(back.depth, 7u);
  EXPECT_EQ(back.character, 12);
  EXPECT_EQ(back.x, -300);
  EXPECT_EQ(back.y, 4500);
  EXPECT_EQ(back.name, "clip_mc");
  // Half transparent: alpha multiplied by 128/256, the colours untouched.
  EXPECT_EQ(back.alphaMult, 128);
  EXPECT_EQ(back.alphaAdd, 0);
  EXPECT_EQ(std::vector<int>({back.redMult, back.greenMult, back.blueMult}), std::vector<int>({256, 256, 256}));
  // Identity transforms cost one byte.
  swfgen::ByteWriter identity;
  swfgen::WriteMatrix(identity, {});
  swfgen::WriteAlphaTransform(identity, 1.0);
  EXPECT_EQ(identity.bytes(), (Bytes{0x00, 0x00}));
}

TEST(SwfWriter, TagHeadersUseTheShortFormOnlyWhenItFits) {
  EXPECT_EQ(swfgen::ShowFrameTag(), (Bytes{0x40, 0x00}));
  EXPECT_EQ(swfgen::Tag(swfgen::TagCode::kDoAction, Bytes(62, 0)).size(), 64u);
  EXPECT_EQ(swfgen::Tag(swfgen::TagCode::kDoAction, Bytes(63, 0)).size(), 69u);  // 63 marks the long form
  const Bytes forced = swfgen::Tag(swfgen::TagCode::kDoAction, Bytes{0}, true);
  EXPECT_EQ(forced, (Bytes{0x3f, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_THROW(swfgen::DoActionTag(Bytes{0x07}), std::invalid_argument);
}

TEST(SwfWriter, ShapeRecordsDecodeBackToTheOutline) {
  swfgen::Path path;
  path.MoveTo(100, 200);
  path.LineTo(300, 200);  // horizontal
  path.LineTo(300, 260);  // vertical
  path.LineTo(100, 200);  // general
  path.CurveTo(50, 150, 100, 100);
  swfgen::BitWriter bits;
  path.WriteRecords(bits, 1, 1);
  bits.Put(6, 0);
  BitReader r(bits.bytes(), 0);
  EXPECT_EQ(r.Get(6), 0b000011u);  // style change: fill 0 and move
  const unsigned moveBits = r.Get(5);
  EXPECT_EQ(r.GetSigned(moveBits), 100);
  EXPECT_EQ(r.GetSigned(moveBits), 200);
  EXPECT_EQ(r.Get(1), 1u);  // fill style 0 = 1
  EXPECT_EQ(r.Get(2), 3u);  // straight edge
  unsigned n = r.Get(4) + 2;
  EXPECT_EQ(r.Get(2), 0u);  // not general, horizontal
  EXPECT_EQ(r.GetSigned(n), 200);
  EXPECT_EQ(r.Get(2), 3u);
  n = r.Get(4) + 2;
  EXPECT_EQ(r.Get(2), 1u);  // vertical
  EXPECT_EQ(r.GetSigned(n), 60);
  EXPECT_EQ(r.Get(2), 3u);
  n = r.Get(4) + 2;
  EXPECT_EQ(r.Get(1), 1u);  // general
  EXPECT_EQ(r.GetSigned(n), -200);
  EXPECT_EQ(r.GetSigned(n), -60);
  EXPECT_EQ(r.Get(2), 2u);  // curved edge, deltas relative to the pen then the control point
  n = r.Get(4) + 2;
  EXPECT_EQ(r.GetSigned(n), -50);
  EXPECT_EQ(r.GetSigned(n), -50);
  EXPECT_EQ(r.GetSigned(n), 50);
  EXPECT_EQ(r.GetSigned(n), -50);
  EXPECT_EQ(r.Get(6), 0u);  // end of shape

  swfgen::Path tooLong;
  tooLong.MoveTo(0, 0);
  tooLong.LineTo(70000, 0);
  swfgen::BitWriter sink;
  EXPECT_THROW(tooLong.WriteRecords(sink, 1, 1), std::out_of_range);
}

TEST(SwfWriter, ButtonActionsChainTheirSizesAndEndWithZero) {
  const Bytes release = {0x07, 0x00};
  const Bytes press = {0x06, 0x06, 0x00};
  const Bytes tag =
      swfgen::DefineButton2Tag(9, {{swfgen::kUp | swfgen::kHit, 3, 1, {}}},
                               {{swfgen::kOnPress, press}, {swfgen::kOnRelease | swfgen::kOnReleaseOutside, release}});
  const auto tags = ReadTags(tag, false);
  ASSERT_EQ(tags.size(), 1u);
  const ByteSpan b = tags[0].body;
  EXPECT_EQ(U16(b, 0), 9u);
  const std::size_t first = 3 + U16(b, 3);
  EXPECT_EQ(b[first - 1], 0) << "character records end with a zero byte";
  EXPECT_EQ(U16(b, first), 4 + press.size());
  EXPECT_EQ(b[first + 2], 0x04);
  const std::size_t second = first + U16(b, first);
  EXPECT_EQ(U16(b, second), 0u) << "the last condition has size 0";
  EXPECT_EQ(b[second + 2], 0x48);
  EXPECT_EQ(second + 4 + release.size(), b.size());
}

TEST(SwfWriter, FontOffsetsPointAtEachGlyphAndTheCodeTable) {
  const auto font = swfgen::LoadFont(ORVANTA_LABEL_FONT, "T", "OA /");
  ASSERT_EQ(font.glyphs.size(), 4u);
  const Bytes tag = swfgen::DefineFont2Tag(5, font);
  const ByteSpan b = ReadTags(tag, false).at(0).body;
  const std::size_t table = 5 + b[4] + 2;
  ASSERT_EQ(U16(b, table - 2), 4u);
  // Each glyph shape starts with one fill bit and no line bits and ends with
  // an end record before the next offset.
  for (unsigned i = 0; i < 4; ++i) EXPECT_EQ(b[table + U16(b, table + 2 * i)], 0x10) << i;
  const std::size_t codes = table + U16(b, table + 8);
  EXPECT_EQ(U16(b, codes), static_cast<unsigned>(' '));
  EXPECT_EQ(U16(b, codes + 6), static_cast<unsigned>('O'));
  EXPECT_GT(font.ascent, 0);
  EXPECT_THROW(swfgen::LoadFont("/nonexistent.ttf", "T", "A"), std::runtime_error);
}

}  // namespace
