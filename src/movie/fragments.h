// The fixed movie fragments (program resources of type "BIN", ids 200..205)
// and the id-dependent patch each one gets after it is appended.
#pragma once

#include <cstddef>
#include <optional>

#include "base/resources.h"
#include "movie/movie_buffer.h"

namespace orv {

inline constexpr int kHeaderFragment = 200;       // file header, start of the first DoAction
inline constexpr int kPlayerFragment = 201;       // the player
inline constexpr int kSlideShapeFragment = 202;   // one slide's rectangle shape
inline constexpr int kSpriteStartFragment = 203;  // slides sprite, first frame
inline constexpr int kSpriteFrameFragment = 204;  // slides sprite, one further frame
inline constexpr int kMovieEndFragment = 205;     // end of the sprite and of the movie

// Character ids of slide i (1-based) and of the slides sprite of N slides.
constexpr int SlideBitmapId(int slide) { return 2 * slide + 61; }
constexpr int SlideShapeId(int slide) { return 2 * slide + 62; }
constexpr int SlidesSpriteId(int slideCount) { return 2 * slideCount + 63; }
// DefineSprite body length of the slides sprite: id and frame count, the
// first frame, 9 bytes per further frame and the End tag.
constexpr long SlidesSpriteLength(long slideCount) { return 9 * slideCount + 15; }

// The stored bytes of a fragment; nothing after a lookup message.
std::optional<Bytes> FragmentBytes(int id);

// Applies the patch of fragment `id` to its bytes at `start` in the buffer,
// with the slide number or count the movie writer passes. False when the
// bytes there are too short for the patch.
bool FragmentPatch(int id, int number, std::size_t start, MovieBuffer& buffer);

// Looks the fragment up, appends it and patches it: 1, or -1 after a message.
int AppendFragment(int id, int number, MovieBuffer& buffer);

}  // namespace orv
