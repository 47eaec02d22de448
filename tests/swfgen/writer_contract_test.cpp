// What the movie writer counts on in the generated player, written down by
// hand from the fixed fragments (resources/fixed) and the writer's own
// constants, so that a generator that changes the player in a way the writer
// does not expect fails here rather than in a movie that no longer plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/resources.h"
#include "movie/fragments.h"
#include "movie/movie_writer.h"
#include "support/swf_reader.h"

namespace {

using namespace orv::test;

ByteSpan Fragment(int id) {
  const auto found = orv::Resources().Find(id, "BIN");
  if (!found) throw std::runtime_error("fragment " + std::to_string(id) + " missing");
  return *found;
}

// The strings of an ActionConstantPool record.
std::vector<std::string> PoolStrings(const Action& pool) {
  std::vector<std::string> strings;
  std::size_t at = 2;
  for (unsigned k = 0; k < U16(pool.payload, 0); ++k) strings.push_back(CString(pool.payload, at, &at));
  return strings;
}

// The player's top-level tags, after its first action block (bytes 0..901).
std::vector<SwfTag> PlayerTags() { return ReadTags(Fragment(orv::kPlayerFragment).subspan(902), false); }

TEST(WriterContract, FirstActionBlockSpansTheHeaderFragmentTheDocumentAndThePlayer) {
  const ByteSpan header = Fragment(orv::kHeaderFragment);
  const ByteSpan player = Fragment(orv::kPlayerFragment);
  // Fragment 200: DoAction (long header) at byte 28, its body from 34; the
  // pool record's length at 35 and its count at 37; 78 bytes in all.
  ASSERT_EQ(header.size(), 78u);
  EXPECT_EQ(U16(header, 28), 0x033fu);
  EXPECT_EQ(header[34], 0x88);
  EXPECT_EQ(U16(header, 37), 35u) << "constants 0..3, the document (4), and 30 in the player";
  // The player's byte 0 ends the document, bytes 1..294 hold constants
  // 5..34, byte 901 is the block's ActionEnd.
  EXPECT_EQ(player[0], 0x00);
  EXPECT_EQ(player[901], 0x00);
  std::size_t at = 1;
  int constants = 0;
  while (at < 295) {
    CString(player, at, &at);
    ++constants;
  }
  EXPECT_EQ(at, 295u);
  EXPECT_EQ(constants, 30);
  // The writer patches both lengths as document size + a fixed part:
  // (78 - 34) + 902 and (78 - 37) + 295.
  EXPECT_EQ(orv::kFirstActionFixedBytes, 946u);
  EXPECT_EQ(orv::kConstantPoolFixedBytes, 336u);
}

TEST(WriterContract, PlayerLeavesFrameFourOpenWithItsMainScriptLast) {
  // The header fragment announces 4 frames; fragment 205 adds the last
  // ShowFrame and End after the slides, so the player brings exactly three
  // ShowFrame tags, no End, and ends on frame 4's DoAction.
  const ByteSpan header = Fragment(orv::kHeaderFragment);
  EXPECT_EQ(U16(header, 19), 4u);
  const auto tags = PlayerTags();
  ASSERT_FALSE(tags.empty());
  std::vector<std::size_t> showFrames;
  for (std::size_t k = 0; k < tags.size(); ++k) {
    if (tags[k].code == swf_tag::kShowFrame) showFrames.push_back(k);
    EXPECT_NE(tags[k].code, swf_tag::kEnd);
  }
  ASSERT_EQ(showFrames.size(), 3u);
  EXPECT_EQ(showFrames.back(), tags.size() - 2);
  EXPECT_EQ(tags.back().code, swf_tag::kDoAction);
}

TEST(WriterContract, PlayerIdsEndBelowTheFirstSlide) {
  // Slide 1's bitmap is 63: every character the player defines is below it.
  EXPECT_EQ(orv::SlideBitmapId(1), 63);
  unsigned highest = 0;
  for (const SwfTag& tag : PlayerTags()) {
    const std::set<unsigned> definitions = {2, 22, 32, 34, 37, 39, 48};
    if (definitions.count(tag.code) != 0) highest = std::max(highest, U16(tag.body, 0));
  }
  EXPECT_EQ(highest, 62u);
}

TEST(WriterContract, MainScriptUsesTheNamesTheWriterAndTheDocumentGiveIt) {
  const auto tags = PlayerTags();
  ASSERT_FALSE(tags.empty());
  const auto main = ReadActions(tags.back().body);
  ASSERT_EQ(main.front().code, 0x88);
  // Names reach the script as pool constants or as pushed strings.
  const std::vector<std::string> pool = PoolStrings(main.front());
  std::set<std::string> names(pool.begin(), pool.end());
  for (const Action& action : main) {
    if (action.code != 0x96) continue;
    for (const PushValue& value : ReadPush(action)) {
      if (value.type == 0) names.insert(value.text);
    }
  }
  // Fragment 205 places the slides sprite as "navSlides_mc" at depth 1 and
  // moves the panel at depth 3; the document's <config> attributes and the
  // delay of each <slideProp>.
  for (const char* name : {"navSlides_mc", "navPanel_mc", "showNavPanel", "autoStart", "loop", "transAnim", "fixDelay",
                           "delay", "fade", "true"}) {
    EXPECT_EQ(names.count(name), 1u) << name;
  }
  const ByteSpan end = Fragment(orv::kMovieEndFragment);
  EXPECT_EQ(CString(end, 16), "navSlides_mc");
  EXPECT_EQ(U16(end, 9), 1u) << "depth of the slides sprite";
  EXPECT_EQ(U16(end, 11), 63u) << "the sprite of the first slide count (patched)";
  EXPECT_EQ(U16(end, 32), 3u) << "depth of the panel it moves";
}

}  // namespace
