// Puts the player fragment together: the tail of the first action block
// (constants 5..34 and the frame-1 code), the loader and panel artwork, and
// the later frames' scripts.
#pragma once

#include <map>
#include <string>

#include "action_assembler.h"
#include "byte_writer.h"
#include "font.h"

namespace swfgen {

// Byte budget of the fragment's share of the first action block: the
// document's terminator and constants 5..34 take bytes 0..294, the frame-1
// code bytes 295..901.
constexpr std::size_t kPoolTailBytes = 295;
constexpr std::size_t kFrameOneCodeBytes = 607;
constexpr std::uint16_t kPanelSpriteId = 62;

// The assembled scripts by block name ("frame1", "frame2", "main",
// "drag_press", "drag_release", "next_release", "prev_release",
// "autoplay_release", "pause_release", "clip_stop").
using PlayerScripts = std::map<std::string, AssembledBlock>;

Bytes BuildPlayerFragment(const PlayerScripts& scripts, const EmbeddedFont& font);

// The characters the labels and texts need from the font.
inline constexpr const char* kLabelCharacters = "NEXTPRVAUOLYS0123456789 /%";

}  // namespace swfgen
