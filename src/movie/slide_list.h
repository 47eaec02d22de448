// What one presentation contributes to its movies: timings, title names and
// the slide pictures in playing order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

struct SlideList {
  std::int32_t useTitles = 0;         // collect titles and use them as file names
  std::int32_t useSlideTimings = 0;   // read each slide's advance time
  std::vector<std::uint32_t> delays;  // seconds, one per slide, never 0
  std::vector<std::string> titles;    // safe, unique file base names
  std::vector<std::string> paths;     // slide pictures, help first and end slide last
};

}  // namespace orv
