// The names under which the bridge finds the outline reader, the UNO
// component that LibreOffice runs in its own process (outline_reader.cpp).
#pragma once

namespace orv {

// The component's implementation name, asked of the library's factory.
inline constexpr char kOutlineReaderName[] = "orvanta.OutlineReader";
// The library, installed beside the bridge plugin.
inline constexpr char kOutlineReaderLibrary[] = "liborvanta_outline.so";

}  // namespace orv
