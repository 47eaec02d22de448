// Turns metafile text (8-bit in the font's charset, or UTF-16) into UTF-8
// characters that keep their source unit counts.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/gdi_canvas.h"

namespace orv {

// The iconv name of the code page a Windows charset stands for.
const char* CodePageForCharset(int charset);

DecodedText DecodeAnsiText(std::span<const std::uint8_t> bytes, int charset);
DecodedText DecodeUtf16Text(std::span<const std::uint8_t> bytes);

// A face name or other short text up to its first zero.
std::string AnsiToUtf8(std::span<const std::uint8_t> bytes, int charset);
std::string Utf16ToUtf8(std::span<const std::uint8_t> bytes);

}  // namespace orv
