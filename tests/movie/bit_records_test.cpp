// The bit writer and the two generated bit records, byte for byte, and the
// splice that puts a record of another length into the movie.
#include <gtest/gtest.h>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/bit_writer.h"
#include "movie/frame_records.h"
#include "movie/movie_buffer.h"
#include "movie/record_splice.h"
#include "movie_test_support.h"
#include "support/swf_reader.h"

namespace orv {
namespace {

using test::ByteVector;
using test::Hex;

ByteVector Bytes(const BitWriter& writer) { return ByteVector(writer.bytes().begin(), writer.bytes().end()); }

TEST(BitWriter, PacksHighBitFirstAcrossBytesAndPadsWithZeros) {
  BitWriter writer;
  writer.Reset();
  writer.Put(3, 0b101);
  writer.Put(7, 0b1100110);  // crosses into the second byte
  writer.Put(1, 1);
  EXPECT_EQ(Bytes(writer), Hex("b9 a0"));
  EXPECT_EQ(writer.byteCount(), 2u);

  // Only the low bits of the value are taken; a negative value gives its
  // two's complement.
  writer.Reset();
  writer.Put(4, 0xffffff05u);
  writer.Put(12, static_cast<std::uint32_t>(-2));
  EXPECT_EQ(Bytes(writer), Hex("5f fe"));

  // A reset writer starts clean even over bytes of an earlier record.
  writer.Reset();
  writer.Put(1, 0);
  EXPECT_EQ(Bytes(writer), Hex("00"));
}

TEST(BitWriter, RefusesToRunPastItsBuffer) {
  BitWriter writer;
  writer.Reset();
  for (std::size_t k = 0; k < BitWriter::kCapacity; ++k) writer.Put(8, 0xaa);
  EXPECT_FALSE(writer.overflowed());
  writer.Put(1, 1);
  EXPECT_TRUE(writer.overflowed());
  EXPECT_EQ(writer.byteCount(), BitWriter::kCapacity);
}

struct RecordCase {
  int width, height;
  const char* rect;
  const char* outline;
};

// Expected bytes worked out by hand from the record layouts.
const RecordCase kRecordCases[] = {
    {16, 16, "50 00 a0 00 0a 00", "13 c0 a0 70 a8 1c 16 07 0d 80 00"},
    {320, 240, "70 00 0c 80 00 00 96 00", "13 e0 c8 07 8a 58 1e 13 80 78 da 80 00"},
    {640, 480, "78 00 06 40 00 00 12 c0 00", "13 e8 c8 03 d5 2c 07 a4 e0 0f 5b 50 00 00"},
    {800, 600, "78 00 07 d0 00 00 17 70 00", "13 e8 fa 03 d5 77 07 a4 18 0f 5a 24 00 00"},
    {1638, 1638, "80 00 03 ff c0 00 03 ff c0", "13 f0 ff f1 f2 ff f1 f1 00 11 f3 00 10 00"},
    {1639, 1639, "88 00 01 00 18 00 00 40 06 00", "13 f8 80 0c fd 40 06 7e 5f fd 3f 6f fe 80 00"},
    {2048, 2048, "88 00 01 40 00 00 00 50 00 00", "13 f8 a0 00 fd 50 00 7e 58 00 3f 6c 00 00 00"},
    {1639, 480, "88 00 01 00 18 00 00 12 c0 00", "13 f8 80 0c f5 4b 01 f9 7f f4 f5 b5 00 00"},
};

TEST(FrameRecords, RectAndOutlineBytesAcrossTheBitCountSteps) {
  BitWriter writer;
  for (const auto& c : kRecordCases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    ASSERT_TRUE(BuildFrameRect(writer, c.width, c.height));
    EXPECT_EQ(Bytes(writer), Hex(c.rect));
    // The reader sees the frame the record was built for.
    test::SwfRect read;
    ASSERT_TRUE(test::ReadSwfRect(writer.bytes(), 0, read));
    EXPECT_EQ(read.xMin, 0);
    EXPECT_EQ(read.yMin, 0);
    EXPECT_EQ(read.xMax, c.width * 20);
    EXPECT_EQ(read.yMax, c.height * 20);
    EXPECT_EQ(read.byteLength, writer.byteCount());

    ASSERT_TRUE(BuildSlideOutline(writer, c.width, c.height));
    EXPECT_EQ(Bytes(writer), Hex(c.outline));
  }
}

TEST(FrameRecords, FrameRectReadsBackFromTheHandWorkedBytes) {
  for (const auto& c : kRecordCases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const ByteVector bytes = Hex(c.rect);
    FrameRect rect;
    ASSERT_TRUE(ReadFrameRect(bytes, 0, rect));
    EXPECT_EQ(rect.xMin, 0);
    EXPECT_EQ(rect.yMin, 0);
    EXPECT_EQ(rect.xMax, c.width * 20);
    EXPECT_EQ(rect.yMax, c.height * 20);
    // One byte short: the last field runs past the end.
    EXPECT_FALSE(ReadFrameRect(std::span(bytes).first(bytes.size() - 1), 0, rect));
  }
  // A negative field keeps its sign (5-bit fields: -1, 2, -16, 15).
  FrameRect rect;
  ASSERT_TRUE(ReadFrameRect(Hex("2f c5 07 80"), 0, rect));
  EXPECT_EQ(rect.xMin, -1);
  EXPECT_EQ(rect.xMax, 2);
  EXPECT_EQ(rect.yMin, -16);
  EXPECT_EQ(rect.yMax, 15);
  EXPECT_FALSE(ReadFrameRect({}, 0, rect));
}

TEST(FrameRecords, BitCountStepsBetween1638And1639Pixels) {
  EXPECT_EQ(SignedBitsFor(1638 * 20), 16u);
  EXPECT_EQ(SignedBitsFor(1639 * 20), 17u);
  EXPECT_EQ(SignedBitsFor(16 * 20), 10u);
}

TEST(FrameRecords, SidesTheRecordsCannotHoldAreRefused) {
  BitWriter writer;
  for (auto [w, h] : {std::pair{0, 480}, {640, -1}, {kMaxFramePixels + 1, 480}, {640, 100000}}) {
    EXPECT_FALSE(BuildFrameRect(writer, w, h));
    EXPECT_FALSE(BuildSlideOutline(writer, w, h));
  }
  EXPECT_TRUE(BuildSlideOutline(writer, kMaxFramePixels, kMaxFramePixels));
  EXPECT_FALSE(writer.overflowed());
}

// A buffer holding: 3 bytes before, a 9-byte template RECT, a 5-byte tail.
MovieBuffer SpliceFixture() {
  MovieBuffer buffer;
  const ByteVector bytes = Hex("aa bb cc 78 00 07 d0 00 00 17 70 00 01 02 03 04 05");
  EXPECT_TRUE(buffer.Append(bytes));
  return buffer;
}

TEST(RecordSplice, LongerShorterAndEqualRecordsMoveTheTail) {
  {
    MovieBuffer buffer = SpliceFixture();
    const SpliceResult r = RewriteFrameRect(buffer, 3, 9, 5, 2048, 2048);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.delta, 1);
    EXPECT_EQ(ByteVector(buffer.bytes().begin(), buffer.bytes().end()),
              Hex("aa bb cc 88 00 01 40 00 00 00 50 00 00 01 02 03 04 05"));
    EXPECT_EQ(buffer.capacity(), buffer.length());
  }
  {
    MovieBuffer buffer = SpliceFixture();
    const SpliceResult r = RewriteFrameRect(buffer, 3, 9, 5, 320, 240);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.delta, -1);  // a shorter record is a length change, not a failure
    EXPECT_EQ(ByteVector(buffer.bytes().begin(), buffer.bytes().end()),
              Hex("aa bb cc 70 00 0c 80 00 00 96 00 01 02 03 04 05"));
  }
  {
    MovieBuffer buffer = SpliceFixture();
    const SpliceResult r = RewriteFrameRect(buffer, 3, 9, 5, 640, 480);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.delta, 0);
    EXPECT_EQ(test::Slice(buffer.bytes(), 3, 9), Hex("78 00 06 40 00 00 12 c0 00"));
  }
  {
    MovieBuffer buffer = SpliceFixture();
    const SpliceResult r = RewriteShapeEdges(buffer, 3, 9, 5, 16, 16);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.delta, 2);
    EXPECT_EQ(test::Slice(buffer.bytes(), 14, 5), Hex("01 02 03 04 05"));
  }
}

void* FailingRealloc(void*, std::size_t) { return nullptr; }

TEST(RecordSplice, BlockThatCannotGrowIsReportedAndLeavesTheBufferAlone) {
  RecordingNotifier notes;
  ScopedNotifier scope(notes);
  MovieBuffer buffer = SpliceFixture();
  const auto previous = MovieBuffer::SetReallocator(&FailingRealloc);
  const SpliceResult r = RewriteFrameRect(buffer, 3, 9, 5, 2048, 2048);
  MovieBuffer::SetReallocator(previous);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(notes.reports, std::vector<std::string>{msg::kMemoryOverflow});
  EXPECT_EQ(buffer.length(), 17u);
  EXPECT_EQ(test::Slice(buffer.bytes(), 3, 9), Hex("78 00 07 d0 00 00 17 70 00"));

  // A shorter record needs no memory and still works.
  EXPECT_TRUE(RewriteFrameRect(buffer, 3, 9, 5, 320, 240).ok);
}

TEST(RecordSplice, RangesOutsideTheWrittenBytesFailInsteadOfCorrupting) {
  RecordingNotifier notes;
  ScopedNotifier scope(notes);
  MovieBuffer buffer = SpliceFixture();
  EXPECT_FALSE(RewriteFrameRect(buffer, 3, 9, 6, 640, 480).ok);   // tail too long
  EXPECT_FALSE(RewriteFrameRect(buffer, 20, 9, 0, 640, 480).ok);  // start past the end
  EXPECT_FALSE(RewriteShapeEdges(buffer, 3, 9, 5, 0, 480).ok);    // no record for that size
  EXPECT_EQ(notes.reports.size(), 3u);
  EXPECT_EQ(buffer.length(), 17u);
}

}  // namespace
}  // namespace orv
