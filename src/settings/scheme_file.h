// The scheme file (.p2s): a saved file list. Layout: "P2S", a count byte,
// then per entry a 4-byte little-endian length and that many bytes of path.
// These are the engine halves of the main window's save and open commands;
// the dialogs and the list-modified flag belong to the caller.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/notifier.h"

namespace orv {

enum class SchemeStatus {
  Ok,
  EmptyList,       // nothing to save ("列表为空！" shown); nothing written
  TooManyEntries,  // more than 255 entries do not fit the count byte; nothing written
  FileMissing,     // the scheme file does not exist ("找不到文件 %s ！")
  OutOfMemory,     // the file is too big to read ("Memory Overflow!")
  Invalid,         // wrong signature, or the count or a length runs past the end ("方案文件无效！")
  FileError,       // the file cannot be created, read or written (a message naming it)
};

// The bytes of a scheme file for `paths`, in list order. Empty when there are
// more than 255 entries or a path does not fit a 32-bit length.
std::vector<std::uint8_t> EncodeScheme(const std::vector<std::string>& paths);

// Every entry of scheme bytes, in file order, with no look at the disk.
// Nothing when the signature is wrong or the count or a length runs past the
// end (bytes after the last entry are ignored).
struct SchemeEntries {
  bool valid = false;
  std::vector<std::string> paths;
};
SchemeEntries DecodeScheme(std::span<const std::uint8_t> bytes);

// Writes the list to `path`, replacing the file. Ok, EmptyList, TooManyEntries
// or FileError, each failure reported through `notifier` (except
// TooManyEntries, which the main window's 255-entry list never reaches).
SchemeStatus SaveSchemeFile(const std::string& path, const std::vector<std::string>& paths, Notifier& notifier);

struct SchemeLoadResult {
  SchemeStatus status = SchemeStatus::Invalid;
  // With Ok: the entries that name existing files, in file order. The caller
  // replaces its list only with Ok and keeps it as it was otherwise.
  std::vector<std::string> paths;
  int skipped = 0;  // entries left out with "找不到文件 %s ，已略过！"
};
SchemeLoadResult LoadSchemeFile(const std::string& path, Notifier& notifier);

}  // namespace orv
