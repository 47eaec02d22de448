#include "batchlist/source_tree.h"

#include <filesystem>

#include "movie/web_player_markup.h"

namespace orv::batchlist {
namespace fs = std::filesystem;

bool FolderUnderRoot(const std::string& source, const std::string& root, std::string& relative, std::string& error) {
  std::error_code ec;
  const fs::path folder = fs::absolute(source, ec).lexically_normal().parent_path();
  fs::path base = fs::absolute(root, ec).lexically_normal();
  if (base.has_relative_path() && !base.has_filename()) base = base.parent_path();  // "dir/" as "dir"
  const fs::path inside = folder.lexically_relative(base);
  if (ec || inside.empty() || *inside.begin() == "..") {
    error = source + " lies outside the source root " + root;
    return false;
  }
  relative = inside == "." ? std::string() : inside.string();
  return true;
}

}  // namespace orv::batchlist
