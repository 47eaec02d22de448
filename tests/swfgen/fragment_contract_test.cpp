// The player fragment as the movie writer sees it: the byte layout that its
// length patches count on, the ids and names the rest of the movie uses, and
// the action streams that the player will run.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "base/resources.h"
#include "support/swf_reader.h"

namespace {

using namespace orv::test;

constexpr std::size_t kFirstBlockEnd = 901;  // offset of the first block's ActionEnd

ByteSpan Fragment() {
  const auto found = orv::Resources().Find(201, "BIN");
  if (!found) throw std::runtime_error("resource 201 BIN missing");
  return *found;
}

std::vector<SwfTag> FragmentTags() { return ReadTags(Fragment().subspan(kFirstBlockEnd + 1), false); }

// Tags of a sprite body, End excluded.
std::vector<SwfTag> SpriteTags(const SwfTag& sprite) {
  auto tags = ReadTags(sprite.body.subspan(4), true);
  EXPECT_FALSE(tags.empty());
  EXPECT_EQ(tags.back().code, 0u) << "sprite without End";
  tags.pop_back();
  return tags;
}

std::map<unsigned, SwfTag> Definitions() {
  std::map<unsigned, SwfTag> defs;
  for (const SwfTag& t : FragmentTags()) {
    if (t.code == 2 || t.code == 22 || t.code == 32 || t.code == 34 || t.code == 37 || t.code == 39 || t.code == 48) {
      EXPECT_TRUE(defs.emplace(U16(t.body, 0), t).second) << "id defined twice: " << U16(t.body, 0);
    }
  }
  return defs;
}

// Splits top-level tags into frames at ShowFrame; the tags after the last
// ShowFrame form the unfinished frame 4.
std::vector<std::vector<SwfTag>> Frames(const std::vector<SwfTag>& tags) {
  std::vector<std::vector<SwfTag>> frames(1);
  for (const SwfTag& t : tags) {
    if (t.code == 1)
      frames.emplace_back();
    else
      frames.back().push_back(t);
  }
  return frames;
}

// Checks every branch of an action stream: targets on record boundaries inside it.
void ExpectBranchesLand(const std::vector<Action>& actions) {
  std::set<std::size_t> starts;
  for (const Action& a : actions) starts.insert(a.offset);
  const std::size_t end = actions.back().next();
  for (const Action& a : actions) {
    if (a.code != 0x99 && a.code != 0x9D) continue;
    const std::size_t target = BranchTarget(a);
    EXPECT_TRUE(starts.count(target) == 1 || target == end) << "branch at " << a.offset << " lands at " << target;
  }
}

TEST(PlayerFragment, FirstBytesCarryConstantsFiveToThirtyFour) {
  const ByteSpan f = Fragment();
  ASSERT_GT(f.size(), kFirstBlockEnd + 1);
  EXPECT_EQ(f[0], 0) << "byte 0 ends the configuration document";
  const std::vector<std::string> expected = {"gConfig_xml",
                                             "XML",
                                             "Stage",
                                             "align",
                                             "firstChild",
                                             "attributes",
                                             "scaleMode",
                                             "showMenu",
                                             "true",
                                             "gFrameWidth",
                                             "frameWidth",
                                             "gFrameHeight",
                                             "frameHeight",
                                             "Curtain_mc",
                                             "_width",
                                             "_height",
                                             "ldrProgress_mc",
                                             "_x",
                                             "_y",
                                             "ldrBorder_mc",
                                             "ldrStatus_txt",
                                             "_alpha",
                                             "ldrBytesLoaded",
                                             "getBytesLoaded",
                                             "ldrBytesTotal",
                                             "getBytesTotal",
                                             "ldrPercentLoaded",
                                             "text",
                                             " %",
                                             "_xscale"};
  std::size_t at = 1;
  for (const std::string& s : expected) EXPECT_EQ(CString(f, at, &at), s);
  EXPECT_EQ(at, 295u) << "constants 5..34 must take bytes 1..294";
}

TEST(PlayerFragment, FrameOneCodeFillsTheBlockAndSkipsItsPadding) {
  const ByteSpan block = Fragment().subspan(0, kFirstBlockEnd + 1);
  const auto actions = ReadActions(block, 295);
  ASSERT_EQ(actions.back().offset, kFirstBlockEnd) << "the first ActionEnd must be byte 901";
  ExpectBranchesLand(actions);

  // The pool declared so far has 35 constants; no push may name another one.
  for (const Action& a : actions) {
    if (a.code != 0x96) continue;
    for (const PushValue& v : ReadPush(a))
      if (v.type == 8 || v.type == 9) {
        EXPECT_LT(v.number, 35u) << "push at " << a.offset;
      }
  }

  // Any slack before the End is one record that an unconditional jump skips
  // and that no branch enters.
  const auto jump = std::find_if(actions.begin(), actions.end(),
                                 [](const Action& a) { return a.code == 0x99 && BranchTarget(a) == kFirstBlockEnd; });
  if (jump != actions.end() && jump + 1 != actions.end() && (jump + 1)->offset != kFirstBlockEnd) {
    const std::size_t padStart = jump->next();
    for (const Action& a : actions) {
      if (a.code != 0x99 && a.code != 0x9D) continue;
      const std::size_t target = BranchTarget(a);
      EXPECT_FALSE(target >= padStart && target < kFirstBlockEnd) << "branch into the padding at " << a.offset;
    }
    // Nothing but the jump can lead into the padding: the record before it
    // must not fall through into it either (it is the jump itself).
    EXPECT_EQ(jump->next(), padStart);
  }
}

TEST(PlayerFragment, TagStreamHasFourFramesAndEndsWithTheMainScript) {
  const auto tags = FragmentTags();
  ASSERT_FALSE(tags.empty());
  const std::size_t showFrames = std::count_if(tags.begin(), tags.end(), [](const SwfTag& t) { return t.code == 1; });
  EXPECT_EQ(showFrames, 3u) << "frames 1-3 complete, frame 4 completed by later tags";
  EXPECT_TRUE(std::none_of(tags.begin(), tags.end(), [](const SwfTag& t) { return t.code == 0; }));
  EXPECT_EQ(tags.back().code, 12u) << "the last tag is frame 4's DoAction";
  const auto frames = Frames(tags);
  ASSERT_EQ(frames.size(), 4u);
  ASSERT_EQ(frames[3].size(), 1u) << "frame 4 holds only the main script";

  const auto main = ReadActions(frames[3][0].body);
  EXPECT_EQ(main.back().next(), frames[3][0].body.size()) << "main script ends exactly with its tag";
  EXPECT_EQ(main.front().code, 0x88) << "the main script declares its own constant pool";
  ExpectBranchesLand(main);
}

TEST(PlayerFragment, CharacterIdsStayWithinOneToSixtyTwoAndAreDefinedBeforeUse) {
  const auto defs = Definitions();
  ASSERT_FALSE(defs.empty());
  EXPECT_GE(defs.begin()->first, 1u);
  EXPECT_EQ(defs.rbegin()->first, 62u);
  EXPECT_EQ(defs.at(62).code, 39u) << "62 is the panel sprite";

  // Every placement, on the main timeline or inside a sprite, names a
  // character defined earlier in the stream.
  std::set<unsigned> defined;
  auto checkPlacements = [&](const std::vector<SwfTag>& tags) {
    for (const SwfTag& t : tags) {
      if (t.code != 26) continue;
      const Placement p = ReadPlaceObject2(t.body);
      if (p.character >= 0) {
        EXPECT_EQ(defined.count(static_cast<unsigned>(p.character)), 1u) << p.character;
      }
    }
  };
  for (const SwfTag& t : FragmentTags()) {
    if (t.code == 39) checkPlacements(SpriteTags(t));
    if (t.code == 26) checkPlacements({t});
    const bool definition =
        t.code == 2 || t.code == 22 || t.code == 32 || t.code == 34 || t.code == 37 || t.code == 39 || t.code == 48;
    if (definition) defined.insert(U16(t.body, 0));
  }
}

TEST(PlayerFragment, MainTimelinePlacesLoaderThenPanel) {
  const auto frames = Frames(FragmentTags());
  ASSERT_EQ(frames.size(), 4u);
  std::map<std::string, Placement> frame1;
  for (const SwfTag& t : frames[0])
    if (t.code == 26) frame1[ReadPlaceObject2(t.body).name] = ReadPlaceObject2(t.body);
  EXPECT_EQ(frame1["ldrProgress_mc"].depth, 1u);
  EXPECT_EQ(frame1["ldrStatus_txt"].depth, 3u);
  EXPECT_EQ(frame1["ldrBorder_mc"].depth, 4u);
  EXPECT_EQ(frame1["Curtain_mc"].depth, 17u);

  std::set<unsigned> removed;
  std::vector<Placement> frame3;
  for (const SwfTag& t : frames[2]) {
    if (t.code == 28) removed.insert(U16(t.body, 0));
    if (t.code == 26) frame3.push_back(ReadPlaceObject2(t.body));
  }
  EXPECT_EQ(removed, (std::set<unsigned>{1, 3, 4}));
  ASSERT_EQ(frame3.size(), 1u);
  EXPECT_EQ(frame3[0].depth, 3u);
  EXPECT_EQ(frame3[0].character, 62);
  EXPECT_EQ(frame3[0].name, "navPanel_mc");
  // Depth 1 stays free for the slides sprite that the movie writer places.
  for (std::size_t f = 1; f < frames.size(); ++f) {
    for (const SwfTag& t : frames[f]) {
      if (t.code == 26) {
        EXPECT_NE(ReadPlaceObject2(t.body).depth, 1u) << "frame " << f + 1;
      }
    }
  }
}

TEST(PlayerFragment, PanelHoldsTheNamedControlsAndStatusText) {
  const auto defs = Definitions();
  std::map<std::string, Placement> panel;
  for (const SwfTag& t : SpriteTags(defs.at(62)))
    if (t.code == 26) panel[ReadPlaceObject2(t.body).name] = ReadPlaceObject2(t.body);
  for (const char* name : {"panelDragBar_btn", "panelPrev_mc", "panelNext_mc", "panelAuto_mc", "panelIndicator_mc"})
    ASSERT_EQ(panel.count(name), 1u) << name;
  EXPECT_EQ(defs.at(panel["panelDragBar_btn"].character).code, 34u);

  auto frameCount = [&](const std::string& name) { return U16(defs.at(panel[name].character).body, 2); };
  EXPECT_EQ(frameCount("panelPrev_mc"), 2u);
  EXPECT_EQ(frameCount("panelNext_mc"), 2u);
  EXPECT_EQ(frameCount("panelAuto_mc"), 2u);
  EXPECT_EQ(frameCount("panelIndicator_mc"), 4u);

  // PAUSE is the second frame of the AUTOPLAY clip.
  const auto autoFrames = Frames(SpriteTags(defs.at(panel["panelAuto_mc"].character)));
  bool pauseInFrameTwo = false;
  for (const SwfTag& t : autoFrames.at(1))
    if (t.code == 26 && ReadPlaceObject2(t.body).name == "panelPause_btn") pauseInFrameTwo = true;
  EXPECT_TRUE(pauseInFrameTwo);

  // The status text is bound to panelStatus and starts as "1 / 1".
  bool statusFound = false;
  for (const auto& [id, tag] : defs) {
    if (tag.code != 37) continue;
    const ByteSpan b = tag.body;
    // id, RECT, two flag bytes, font, height, colour, layout (9), then the variable name
    BitReader rect(b, 2);
    const unsigned n = rect.Get(5);
    rect.Get(4 * n);
    std::size_t at = rect.AlignedEnd() + 2 + 4 + 4 + 9;
    const std::string variable = CString(b, at, &at);
    if (variable == "panelStatus") {
      statusFound = true;
      EXPECT_EQ(CString(b, at), "1 / 1");
    }
  }
  EXPECT_TRUE(statusFound);
}

TEST(PlayerFragment, ButtonAndClipScriptsDeclareNoConstantPool) {
  // The main script's functions run from button actions and handlers; a pool
  // declared by such a block would replace the one they were written against.
  const auto defs = Definitions();
  std::size_t buttonsWithActions = 0;
  for (const auto& [id, tag] : defs) {
    if (tag.code == 34) {
      const unsigned actionOffset = U16(tag.body, 3);
      if (actionOffset == 0) continue;
      std::size_t at = 3 + actionOffset;
      for (;;) {
        const unsigned size = U16(tag.body, at);
        const auto actions = ReadActions(tag.body, at + 4);
        ExpectBranchesLand(actions);
        for (const Action& a : actions) EXPECT_NE(a.code, 0x88) << "button " << id;
        ++buttonsWithActions;
        if (size == 0) break;
        at += size;
      }
    }
    if (tag.code == 39 && id != 62) {
      for (const SwfTag& t : SpriteTags(tag)) {
        if (t.code != 12) continue;
        for (const Action& a : ReadActions(t.body)) EXPECT_NE(a.code, 0x88) << "sprite " << id;
      }
    }
  }
  EXPECT_GE(buttonsWithActions, 5u) << "drag press and release, NEXT, PREV, AUTOPLAY, PAUSE";
}

TEST(PlayerFragment, FontCarriesEveryLabelCharacter) {
  const auto defs = Definitions();
  const auto font = std::find_if(defs.begin(), defs.end(), [](const auto& d) { return d.second.code == 48; });
  ASSERT_NE(font, defs.end());
  const ByteSpan b = font->second.body;
  const unsigned flags = b[2];
  ASSERT_TRUE(flags & 0x04) << "wide codes";
  const std::size_t nameLength = b[4];
  std::size_t at = 5 + nameLength;
  const unsigned glyphs = U16(b, at);
  at += 2;
  const std::size_t offsetTable = at;
  const bool wide = flags & 0x08;
  const std::size_t codeTable =
      offsetTable + (wide ? U32(b, offsetTable + 4 * glyphs) : U16(b, offsetTable + 2 * glyphs));
  std::set<char> codes;
  for (unsigned i = 0; i < glyphs; ++i) codes.insert(static_cast<char>(U16(b, codeTable + 2 * i)));
  for (char c : std::string("NEXTPREVAUTOPLAYPAUSE0123456789 /%")) EXPECT_EQ(codes.count(c), 1u) << c;
}

}  // namespace
