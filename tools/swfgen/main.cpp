// Build-time generator of the player fragment.
//
//   swfgen OUT.bin SOURCE_DIR FONT.ttf
//
// SOURCE_DIR holds the player's scripts (*.asm); FONT is the TrueType file
// whose outlines become the labels' embedded font.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "action_assembler.h"
#include "font.h"
#include "player_fragment.h"

namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: swfgen OUT.bin SOURCE_DIR FONT.ttf\n";
    return 2;
  }
  try {
    const std::filesystem::path out = argv[1], sources = argv[2];
    swfgen::PlayerScripts scripts;
    for (const char* file : {"loader.asm", "panel.asm", "main.asm"}) {
      const auto path = sources / file;
      for (const auto& [name, text] : swfgen::SplitBlocks(ReadText(path), path.string())) {
        if (scripts.count(name) != 0) throw std::runtime_error("block defined twice: " + name);
        scripts[name] = swfgen::Assemble(text, path.string() + " [" + name + "]");
      }
    }
    const auto font = swfgen::LoadFont(argv[3], "Orvanta Sans", swfgen::kLabelCharacters);
    const swfgen::Bytes fragment = swfgen::BuildPlayerFragment(scripts, font);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(fragment.data()), static_cast<std::streamsize>(fragment.size()));
    if (!file) throw std::runtime_error("cannot write " + out.string());
  } catch (const std::exception& e) {
    std::cerr << "swfgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
