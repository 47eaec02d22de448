// A count with its noun for English messages: "1 file", "4 files". Chinese
// needs no plural; its messages put the count before a measure word.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

inline std::string Counted(std::size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// "3 more files not converted" after a batch that ended early.
std::string MoreNotConverted(std::size_t count);
// "3 files already converted and unchanged, skipped" when a run resumes.
std::string AlreadyConvertedSkipped(std::size_t count);

}  // namespace orv
