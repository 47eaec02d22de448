// The per-presentation working folder: where the export leaves one picture
// per slide, where the help and end slides are written, and which is deleted
// when the presentation is done.
#pragma once

#include <string>
#include <string_view>

#include "movie/conversion_settings.h"
#include "movie/slide_list.h"

namespace orv {

// Resource ids of the extra slides (placeable metafiles, type "BIN"), and
// of their English variants.
inline constexpr int kHelpSlideResource = 215;
inline constexpr int kEndSlideResource = 214;
inline constexpr int kHelpSlideEnglishResource = 217;
inline constexpr int kEndSlideEnglishResource = 218;
inline constexpr char kHelpSlideFile[] = "slide_hlp.wmf";
inline constexpr char kEndSlideFile[] = "slide_end.wmf";

// TempFolder + the source's stem (see output_names.h) + "_zzz_":
// /tmp/ + talk.ppt -> /tmp/talk_zzz_.
std::string WorkingFolderFor(const ConversionSettings& settings, std::string_view presentationPath);

// A working folder held by this run. The name is WorkingFolderFor's when no
// other run holds it, else that name with 2, 3, ... appended: two runs of the
// same presentation (or of two presentations with the same file name) never
// share a folder, and no run deletes a folder another run holds. The hold is
// an advisory lock on "<folder>.lock" beside it, which the system releases
// when the run ends, however it ends; the lock file goes with the claim.
class WorkingFolderClaim {
 public:
  WorkingFolderClaim() = default;
  ~WorkingFolderClaim();
  WorkingFolderClaim(WorkingFolderClaim&& other) noexcept;
  WorkingFolderClaim& operator=(WorkingFolderClaim&& other) noexcept;
  WorkingFolderClaim(const WorkingFolderClaim&) = delete;
  WorkingFolderClaim& operator=(const WorkingFolderClaim&) = delete;

  // Claims the first free name for `presentationPath`. Without a lock (the
  // temporary folder cannot take the lock file) the plain name is used
  // unlocked, as before locks existed.
  static WorkingFolderClaim For(const ConversionSettings& settings, std::string_view presentationPath);

  const std::string& folder() const { return folder_; }
  bool locked() const { return lockFd_ >= 0; }
  // Gives the name up: the lock file is removed and the lock released.
  void Release();

 private:
  std::string folder_;
  int lockFd_ = -1;
};

// Removes from `tempFolder` the working folders that no run holds any more
// but whose lock file is still there: their run was killed in the middle of a
// presentation. Folders of living runs are left alone; nothing is reported.
void RemoveWorkingFoldersOfEndedRuns(const std::string& tempFolder);

// True when nothing of that name exists or it was deleted with its content;
// false after "无法移除临时文件".
bool RemoveWorkingFolder(const std::string& folder);

// Deletes everything under `folder`, then `folder`. Symbolic links are
// removed, never followed, so nothing outside the folder is touched; a link in
// place of the folder itself is removed as a link. The first failure stops the
// deletion and gives false; what was deleted until then stays deleted.
bool DeleteFolderTree(const std::string& folder);

// Appends the slide pictures of `folder` whose extension is `extension`
// (letter case ignored) to slideList.paths, in slide order: by the number
// that ends the name before the extension, compared as a number (Slide2
// before Slide10). Without split, the help slide (InsHelp) is written from
// resource 215 and put first, the end slide (BlankEnd) from resource 214 and
// put last (217 and 218 when the program speaks English). False after a
// message when an extra slide cannot be written.
bool CollectSlideImages(const std::string& folder, const ConversionSettings& settings, SlideList& slideList,
                        std::string_view extension);

// Writes the "BIN" resource `resourceId` to `path`. False after the lookup's
// message or "无法创建图像文件！".
bool WriteResourceFile(const std::string& path, int resourceId);

}  // namespace orv
