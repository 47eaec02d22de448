// Path and file-name helpers shared by the pipeline. Paths are UTF-8; the
// separator is the platform's ("/"), and names are split at the last one.
#pragma once

#include <string>
#include <string_view>

namespace orv {

inline constexpr char kPathSeparator = '/';

// The text after the last separator; the whole path when there is none.
std::string FileNamePart(std::string_view path);
// folder + separator + name (no separator doubled).
std::string JoinPath(std::string_view folder, std::string_view name);
// "$TMPDIR" or "/tmp", always ending in a separator.
std::string SystemTempFolder();
// "$XDG_DOCUMENTS_DIR", else "$HOME/Documents".
std::string DocumentsFolder();
// Removes the last n bytes (the whole text when shorter).
std::string DropLast(std::string_view text, std::size_t n);
// True when a file name (no folder) is short enough for the file system:
// at most 255 bytes, as on every file system Linux writes.
bool FileNameFits(std::string_view name);
// True for an existing file or folder.
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
// The folder of the running program, or empty when it cannot be told.
std::string ProgramFolder();

}  // namespace orv
