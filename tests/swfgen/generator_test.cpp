// The embedded player is what its readable sources say, byte for byte, every
// time they are built.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/resources.h"
#include "player_sources.h"

namespace {

TEST(PlayerGenerator, EmbeddedFragmentIsTheSourcesRebuiltAndRebuildsIdentically) {
  const std::filesystem::path sources = std::filesystem::path(ORVANTA_SOURCE_DIR) / "resources" / "player";
  const swfgen::Bytes first = swfgen::GeneratePlayerFragment(sources, ORVANTA_LABEL_FONT);
  const swfgen::Bytes second = swfgen::GeneratePlayerFragment(sources, ORVANTA_LABEL_FONT);
  EXPECT_EQ(first, second);
  const auto embedded = orv::Resources().Find(201, "BIN");
  ASSERT_TRUE(embedded);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), embedded->begin(), embedded->end()));
}

}  // namespace
