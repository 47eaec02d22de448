#include "pipeline/leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "base/owner_tag.h"
#include "base/paths.h"
#include "pipeline/working_folder.h"

namespace orv {

void SweepLeftovers(const std::string& folder) {
  std::vector<std::string> gone;
  if (DIR* dir = ::opendir(folder.c_str()); dir != nullptr) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (name.size() > 1 && name.front() == '.' && OwnerIsGone(name)) gone.emplace_back(name);
    }
    ::closedir(dir);
  }
  for (const std::string& name : gone) DeleteFolderTree(JoinPath(folder, name));  // a file or link goes alone
}

}  // namespace orv
