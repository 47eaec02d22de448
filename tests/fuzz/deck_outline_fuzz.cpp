// A deck's outline as a damaged or hostile reply may come: what reads as an
// outline writes back to a reply that reads the same, and every slide of it
// becomes a reader's text without a fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pipeline/deck_outline.h"
#include "pipeline/slide_structure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto outline = orv::ParseDeckOutline(text, error);
  if (!outline) return 0;
  const std::string reply = orv::WriteDeckOutline(*outline);
  const auto again = orv::ParseDeckOutline(reply, error);
  if (!again || orv::WriteDeckOutline(*again) != reply) __builtin_trap();
  orv::LanguageTally tally;
  for (const auto& slide : outline->slides) (void)orv::BuildSlideText(slide, true, tally);
  return 0;
}
