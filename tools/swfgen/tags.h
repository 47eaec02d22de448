// Writers for the SWF tags the player fragment is made of. Each returns the
// complete tag, header included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "records.h"

namespace swfgen {

enum class TagCode : std::uint16_t {
  kEnd = 0,
  kShowFrame = 1,
  kDefineShape = 2,
  kDoAction = 12,
  kDefineShape2 = 22,
  kPlaceObject2 = 26,
  kRemoveObject2 = 28,
  kDefineShape3 = 32,
  kDefineButton2 = 34,
  kDefineEditText = 37,
  kDefineSprite = 39,
  kDefineFont2 = 48,
};

// Header plus body. The short form is used when the body fits it and
// `forceLong` is off.
Bytes Tag(TagCode code, const Bytes& body, bool forceLong = false);

Bytes ShowFrameTag();
Bytes EndTag();
Bytes DoActionTag(const Bytes& actions);
Bytes RemoveObject2Tag(std::uint16_t depth);
// A sprite from its control tags; the closing End tag is added here.
Bytes DefineSpriteTag(std::uint16_t id, std::uint16_t frameCount, const std::vector<Bytes>& controlTags);

struct PlaceObject {
  std::uint16_t depth = 1;
  std::optional<std::uint16_t> character;  // absent: modify what is at the depth
  bool move = false;
  std::optional<Matrix> matrix;
  std::optional<double> alpha;  // alpha multiplier of a colour transform
  std::string name;
};
Bytes PlaceObject2Tag(const PlaceObject& place);

enum class TextAlign : std::uint8_t { kLeft = 0, kRight = 1, kCenter = 2 };

struct EditText {
  std::uint16_t id = 0;
  Rect bounds;
  std::uint16_t fontId = 0;
  std::uint16_t fontHeight = 0;  // twips
  Rgba color;
  TextAlign align = TextAlign::kLeft;
  std::string variable;  // bound timeline variable, may be empty
  std::string initialText;
};
// Read-only, not selectable, drawn with the embedded glyph outlines.
Bytes DefineEditTextTag(const EditText& text);

// Button states a record is shown in.
enum ButtonState : std::uint8_t { kUp = 1, kOver = 2, kDown = 4, kHit = 8 };

struct ButtonRecord {
  std::uint8_t states = 0;
  std::uint16_t character = 0;
  std::uint16_t depth = 1;
  Matrix matrix;
};

// Transition conditions of a button action (first flag byte).
enum ButtonCondition : std::uint16_t {
  kOnPress = 0x0004,          // over up -> over down
  kOnRelease = 0x0008,        // over down -> over up
  kOnReleaseOutside = 0x0040  // out down -> idle
};

struct ButtonAction {
  std::uint16_t conditions = 0;
  Bytes actions;  // ends with ActionEnd
};

Bytes DefineButton2Tag(std::uint16_t id, const std::vector<ButtonRecord>& records,
                       const std::vector<ButtonAction>& actions);

}  // namespace swfgen
