#include "pipeline/batch_groups.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace orv {
namespace {

using Groups = std::vector<std::vector<std::size_t>>;

TEST(BatchGroups, EntriesSharingAStemStayTogetherInOrder) {
  ConversionSettings settings;
  const std::vector<std::string> sources = {"/a/deck.ppt", "/b/other.ppt", "/c/deck.pptx", "/d/third.odp", "/e/deck"};
  EXPECT_EQ(GroupBySharedOutputs(sources, settings), (Groups{{0, 2, 4}, {1}, {3}}));
  EXPECT_TRUE(GroupBySharedOutputs({}, settings).empty());
}

// Numbered split movies start with the stem; titled ones are unknown until
// the export, and autorun.inf is written by every entry.
TEST(BatchGroups, NamesUnknownOrSharedMakeOneGroup) {
  const std::vector<std::string> sources = {"/a/one.ppt", "/a/two.ppt", "/a/three.ppt"};
  ConversionSettings split;
  split.SplitPPT = 1;
  split.UseTitle = 0;
  EXPECT_EQ(GroupBySharedOutputs(sources, split), (Groups{{0}, {1}, {2}}));
  split.UseTitle = 1;
  EXPECT_EQ(GroupBySharedOutputs(sources, split), (Groups{{0, 1, 2}}));

  ConversionSettings autorun;
  autorun.GenAutorun = 1;
  EXPECT_EQ(GroupBySharedOutputs(sources, autorun), (Groups{{0, 1, 2}}));
  autorun.GenHTML = 0;  // no page, no autorun.inf
  EXPECT_EQ(GroupBySharedOutputs(sources, autorun), (Groups{{0}, {1}, {2}}));
}

// With the source tree kept, the same name in two folders never meets.
TEST(BatchGroups, NamesClashOnlyWithinOneFolder) {
  const std::vector<std::string> sources = {"/in/a/talk.ppt", "/in/b/talk.ppt", "/in/a/talk.pptx", "/in/b/x.ppt"};
  const std::vector<std::string> folders = {"a", "b", "a", "b"};
  ConversionSettings settings;
  EXPECT_EQ(GroupBySharedOutputs(sources, folders, settings), (Groups{{0, 2}, {1}, {3}}));
  settings.SplitPPT = 1;  // titled split movies: one group per folder
  EXPECT_EQ(GroupBySharedOutputs(sources, folders, settings), (Groups{{0, 2}, {1, 3}}));
}

// Groups go by the bytes of all their files; equals keep the list's order,
// and a group's own order never changes.
TEST(BatchGroups, LargestFirstKeepsTheOrderOfEqualsAndWithinAGroup) {
  Groups groups = {{0, 3}, {1}, {2}, {4}};
  const std::vector<std::uintmax_t> sizes = {10, 50, 5, 45, 50};
  OrderLargestFirst(groups, sizes);
  EXPECT_EQ(groups, (Groups{{0, 3}, {1}, {4}, {2}}));

  const std::string file = ::testing::TempDir() + "largest-first.ppt";
  std::FILE* out = std::fopen(file.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fputs("twelve bytes", out);
  std::fclose(out);
  EXPECT_EQ(SourceSizes({file, ::testing::TempDir(), file + ".missing"}), (std::vector<std::uintmax_t>{12, 0, 0}));
  std::remove(file.c_str());
}

}  // namespace
}  // namespace orv
