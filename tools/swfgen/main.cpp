// Build-time generator of the player fragment.
//
//   swfgen OUT.bin SOURCE_DIR FONT.ttf
//
// SOURCE_DIR holds the player's scripts (*.asm); FONT is the TrueType file
// whose outlines become the labels' embedded font.
#include <fstream>
#include <iostream>

#include "player_sources.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: swfgen OUT.bin SOURCE_DIR FONT.ttf\n";
    return 2;
  }
  try {
    const swfgen::Bytes fragment = swfgen::GeneratePlayerFragment(argv[2], argv[3]);
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(fragment.data()), static_cast<std::streamsize>(fragment.size()));
    if (!file) throw std::runtime_error(std::string("cannot write ") + argv[1]);
  } catch (const std::exception& e) {
    std::cerr << "swfgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
