// Reads the player's script files and builds the fragment from them.
#pragma once

#include <filesystem>
#include <string>

#include "byte_writer.h"

namespace swfgen {

// The script files of the player, in SOURCE_DIR.
inline constexpr const char* kPlayerScriptFiles[] = {"loader.asm", "panel.asm", "main.asm"};

Bytes GeneratePlayerFragment(const std::filesystem::path& sourceDir, const std::string& fontPath);

}  // namespace swfgen
