#include "player_sources.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "action_assembler.h"
#include "font.h"
#include "player_fragment.h"

namespace swfgen {

namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

Bytes GeneratePlayerFragment(const std::filesystem::path& sourceDir, const std::string& fontPath) {
  PlayerScripts scripts;
  for (const char* file : kPlayerScriptFiles) {
    const auto path = sourceDir / file;
    for (const auto& [name, text] : SplitBlocks(ReadText(path), path.string())) {
      if (scripts.count(name) != 0) throw std::runtime_error("block defined twice: " + name);
      scripts[name] = Assemble(text, path.string() + " [" + name + "]");
    }
  }
  const EmbeddedFont font = LoadFont(fontPath, "Orvanta Sans", kLabelCharacters);
  return BuildPlayerFragment(scripts, font);
}

}  // namespace swfgen
