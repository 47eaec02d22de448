// The action assembler: operand encodings, branch and function arithmetic,
// the fixed-size block padding and its refusals.
#include <gtest/gtest.h>

#include "action_assembler.h"
#include "support/swf_reader.h"

namespace {

using namespace orv::test;
using swfgen::Assemble;
using swfgen::AssemblyError;
using swfgen::Bytes;

Bytes Code(const std::string& source) { return Assemble(source, "test").actions; }

TEST(ActionAssembler, PushEncodesEachOperandType) {
  const Bytes b = Code(".pool \"a\" \"b\"\npush \"b\", \"zz\", -2, 1.5, true, null, undefined, r:3, #0\n");
  const auto actions = ReadActions(b);
  ASSERT_EQ(actions.size(), 3u);  // pool, push, end
  EXPECT_EQ(actions[0].code, 0x88);
  EXPECT_EQ(U16(actions[0].payload, 0), 2u);
  const auto values = ReadPush(actions[1]);
  ASSERT_EQ(values.size(), 9u);
  EXPECT_EQ(values[0].type, 8);  // pooled string -> constant index
  EXPECT_EQ(values[0].number, 1u);
  EXPECT_EQ(values[1].type, 0);
  EXPECT_EQ(values[1].text, "zz");
  EXPECT_EQ(values[2].type, 7);
  EXPECT_EQ(static_cast<std::int32_t>(values[2].number), -2);
  EXPECT_EQ(values[3].type, 6);
  EXPECT_EQ(values[3].real, 1.5);
  EXPECT_EQ(values[4].type, 5);
  EXPECT_EQ(values[4].number, 1u);
  EXPECT_EQ(values[5].type, 2);
  EXPECT_EQ(values[6].type, 3);
  EXPECT_EQ(values[7].type, 4);
  EXPECT_EQ(values[7].number, 3u);
  EXPECT_EQ(values[8].type, 8);
  EXPECT_EQ(values[8].number, 0u);
}

TEST(ActionAssembler, DoublesStoreTheHighWordFirst) {
  const Bytes b = Code("push 1.5\n");
  // 1.5 = 0x3FF8000000000000: high word 3ff80000 first, each word little-endian.
  const Bytes expected = {0x96, 0x09, 0x00, 0x06, 0x00, 0x00, 0xf8, 0x3f, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(b, expected);
}

TEST(ActionAssembler, BranchesCountFromTheNextAction) {
  const Bytes b = Code(
      "top:\n"
      "  push true\n"
      "  if out\n"
      "  jump top\n"
      "out:\n"
      "  stop\n");
  const auto actions = ReadActions(b);
  ASSERT_EQ(actions.size(), 5u);
  EXPECT_EQ(BranchTarget(actions[1]), actions[3].offset);  // if -> stop
  EXPECT_EQ(BranchTarget(actions[2]), 0u);                 // jump -> top
  EXPECT_EQ(static_cast<std::int16_t>(U16(actions[2].payload, 0)), -15);
}

TEST(ActionAssembler, FunctionCodeSizeCoversNestedBodies) {
  const Bytes b = Code(
      "function outer x y\n"
      "  function - \n"
      "    stop\n"
      "  end\n"
      "  pop\n"
      "end\n"
      "play\n");
  const auto outer = ReadAction(b, 0);
  ASSERT_EQ(outer.code, 0x9B);
  std::size_t at = 0;
  EXPECT_EQ(CString(outer.payload, 0, &at), "outer");
  EXPECT_EQ(U16(outer.payload, at), 2u);
  at += 2;
  EXPECT_EQ(CString(outer.payload, at, &at), "x");
  EXPECT_EQ(CString(outer.payload, at, &at), "y");
  const unsigned outerSize = U16(outer.payload, at);
  const auto inner = ReadAction(b, outer.next());
  ASSERT_EQ(inner.code, 0x9B);
  const unsigned innerSize = U16(inner.payload, inner.payload.size() - 2);
  EXPECT_EQ(innerSize, 1u);  // stop
  // inner header + its body + pop
  EXPECT_EQ(outerSize, (inner.next() - outer.next()) + innerSize + 1);
  EXPECT_EQ(b[outer.next() + outerSize], 0x06) << "play follows the outer body";
}

TEST(ActionAssembler, FixedSizeBlockJumpsOverItsSlack) {
  const auto block = Assemble(".size 40\nstop\n", "test");
  ASSERT_EQ(block.actions.size(), 40u);
  EXPECT_EQ(block.actions.back(), 0);
  const auto actions = ReadActions(block.actions);
  ASSERT_EQ(actions.size(), 4u);  // stop, jump, filler, end
  EXPECT_EQ(actions[1].code, 0x99);
  EXPECT_EQ(BranchTarget(actions[1]), 39u);
  EXPECT_EQ(actions[3].offset, 39u);
  // Exactly filled: no jump at all.
  const auto exact = Assemble(".size 2\nstop\n", "test");
  EXPECT_EQ(exact.actions, (Bytes{0x07, 0x00}));
}

TEST(ActionAssembler, ConstantsPastTheFirst256TakeSixteenBits) {
  std::string pool = ".pool";
  for (int i = 0; i < 300; ++i) pool += " \"s" + std::to_string(i) + "\"";
  const Bytes b = Code(pool + "\npush \"s255\", \"s256\", #299\n");
  const auto actions = ReadActions(b);
  ASSERT_EQ(actions.size(), 3u);
  const auto values = ReadPush(actions[1]);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].type, 8);
  EXPECT_EQ(values[0].number, 255u);
  EXPECT_EQ(values[1].type, 9);
  EXPECT_EQ(values[1].number, 256u);
  EXPECT_EQ(values[2].type, 9);
  EXPECT_EQ(values[2].number, 299u);
}

TEST(ActionAssembler, ExternalPoolIndexesWithoutEmittingThePool) {
  const auto block = Assemble(".extern_pool \"a\" \"b\"\npush \"b\", \"c\", #0\nstop\n", "test");
  EXPECT_EQ(block.externPool, (std::vector<std::string>{"a", "b"}));
  const auto actions = ReadActions(block.actions);
  ASSERT_EQ(actions.size(), 3u);  // push, stop, end: no pool record
  ASSERT_EQ(actions[0].code, 0x96);
  const auto values = ReadPush(actions[0]);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].type, 8);
  EXPECT_EQ(values[0].number, 1u);
  EXPECT_EQ(values[1].type, 0);  // not in either pool: inline string
  EXPECT_EQ(values[1].text, "c");
  EXPECT_EQ(values[2].type, 8);
  EXPECT_EQ(block.codeEnd, actions[2].offset);
  EXPECT_THROW(Code(".pool \"a\"\n.extern_pool \"b\"\n"), AssemblyError);
}

TEST(ActionAssembler, CodeEndCountsThePoolAndStopsBeforeThePadding) {
  const auto block = Assemble(".pool \"ab\"\n.size 40\nstop\n", "test");
  ASSERT_EQ(block.actions.size(), 40u);
  // pool record: code, length, count, "ab\0"; then stop
  EXPECT_EQ(block.codeEnd, 3u + 2u + 3u + 1u);
  EXPECT_EQ(block.actions[block.codeEnd], 0x99) << "the jump over the slack starts at the code's end";
}

TEST(ActionAssembler, OperandActionsEncodeTheirOperands) {
  EXPECT_EQ(Code("gotoframe 258\n"), (Bytes{0x81, 0x02, 0x00, 0x02, 0x01, 0x00}));
  EXPECT_EQ(Code("storeregister 3\n"), (Bytes{0x87, 0x01, 0x00, 0x03, 0x00}));
  EXPECT_EQ(Code("settarget \"t\"\n"), (Bytes{0x8B, 0x02, 0x00, 't', 0x00, 0x00}));
  EXPECT_EQ(Code("gotolabel \"l\"\n"), (Bytes{0x8C, 0x02, 0x00, 'l', 0x00, 0x00}));
  EXPECT_EQ(Code("geturl \"u\" \"w\"\n"), (Bytes{0x83, 0x04, 0x00, 'u', 0x00, 'w', 0x00, 0x00}));
  EXPECT_EQ(Code("gotoframe2 play\n"), (Bytes{0x9F, 0x01, 0x00, 0x01, 0x00}));
  EXPECT_EQ(Code("gotoframe2 stop\n"), (Bytes{0x9F, 0x01, 0x00, 0x00, 0x00}));

  EXPECT_THROW(Code("gotoframe 65536\n"), AssemblyError);
  EXPECT_THROW(Code("storeregister 256\n"), AssemblyError);
  EXPECT_THROW(Code("settarget t\n"), AssemblyError);  // unquoted
  EXPECT_THROW(Code("geturl \"u\"\n"), AssemblyError);
  EXPECT_THROW(Code("gotoframe2 go\n"), AssemblyError);
  EXPECT_THROW(Code("stop now\n"), AssemblyError);
  EXPECT_THROW(Code("push r:256\n"), AssemblyError);
  EXPECT_THROW(Code("push 1.5x\n"), AssemblyError);
}

TEST(ActionAssembler, RefusesBranchesAndBodiesBeyondSixteenBits) {
  const std::string bulk = "push \"" + std::string(20000, 'x') + "\"\n";
  EXPECT_THROW(Code("jump far\n" + bulk + bulk + "far:\n"), AssemblyError);
  EXPECT_NO_THROW(Code("jump near\n" + bulk + "near:\n"));
  EXPECT_THROW(Code("function f\n" + bulk + bulk + bulk + bulk + "end\n"), AssemblyError);
  EXPECT_NO_THROW(Code("function f\n" + bulk + bulk + "end\n"));
}

TEST(ActionAssembler, RefusesWhatCannotBeAssembled) {
  EXPECT_THROW(Code(".size 2\nstop\nstop\n"), AssemblyError);  // too long
  EXPECT_THROW(Code(".size 6\nstop\n"), AssemblyError);        // slack too small to skip
  EXPECT_THROW(Code("jump nowhere\n"), AssemblyError);
  EXPECT_THROW(Code("a:\na:\n"), AssemblyError);
  EXPECT_THROW(Code("frobnicate\n"), AssemblyError);
  EXPECT_THROW(Code("push \"open\n"), AssemblyError);
  EXPECT_THROW(Code("function f\nstop\n"), AssemblyError);
  EXPECT_THROW(Code("end\n"), AssemblyError);
  EXPECT_THROW(Code(".pool \"a\"\npush #1\n"), AssemblyError);
  EXPECT_THROW(Code("push 4294967296\n"), AssemblyError);
  EXPECT_THROW(Code("stop\n.pool \"late\"\n"), AssemblyError);
}

TEST(ActionAssembler, ErrorsNameTheFileLineOfTheirBlock) {
  const auto blocks = swfgen::SplitBlocks("; shared\n.block one\nstop\n.block two\nstop\nbogus\n", "f.asm");
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(Code(blocks.at("one")), (Bytes{0x07, 0x00}));
  try {
    Assemble(blocks.at("two"), "f.asm");
    FAIL() << "bogus instruction accepted";
  } catch (const AssemblyError& e) {
    EXPECT_NE(std::string(e.what()).find("f.asm:6:"), std::string::npos) << e.what();
  }
}

TEST(ActionAssembler, MacrosSubstituteTheirParameters) {
  const Bytes viaMacro = Code(
      ".macro set name value\n"
      "  push %name, %value\n"
      "  setvariable\n"
      ".endm\n"
      "set \"x\" 3\n");
  EXPECT_EQ(viaMacro, Code("push \"x\", 3\nsetvariable\n"));
  EXPECT_THROW(Code(".macro m a\nstop\n.endm\nm\n"), AssemblyError);  // wrong argument count
  EXPECT_THROW(Code(".macro m\nm\n.endm\nm\n"), AssemblyError);       // endless expansion
}

}  // namespace
