// Thumbnails as anyone may leave them in an output folder: any bytes read as
// a card, and a card read back writes to the same card.
#include <cstddef>
#include <cstdint>
#include <span>

#include "folder_index/index_card.h"
#include "folder_index/index_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto card = orv::ReadIndexCard(std::span(data, size));
  if (!card) return 0;
  const std::uint8_t soi[] = {0xff, 0xd8, 0xff, 0xd9};
  const auto again = orv::ReadIndexCard(orv::WithIndexCard(soi, *card));
  if (!again || again->source != card->source || again->slides != card->slides || again->twin != card->twin)
    __builtin_trap();
  (void)orv::BuildIndexPage("f", {orv::IndexEntry{"t-thumb.jpg", *card}}, orv::UiLanguage::kChinese);
  return 0;
}
