#include "tags.h"

#include <stdexcept>

namespace swfgen {

Bytes Tag(TagCode code, const Bytes& body, bool forceLong) {
  ByteWriter out;
  const auto c = static_cast<unsigned>(code);
  if (body.size() < 0x3f && !forceLong) {
    out.U16((c << 6) | static_cast<unsigned>(body.size()));
  } else {
    out.U16((c << 6) | 0x3f);
    out.U32(static_cast<std::uint32_t>(body.size()));
  }
  out.Append(body);
  return out.Take();
}

Bytes ShowFrameTag() { return Tag(TagCode::kShowFrame, {}); }
Bytes EndTag() { return Tag(TagCode::kEnd, {}); }

Bytes DoActionTag(const Bytes& actions) {
  if (actions.empty() || actions.back() != 0) throw std::invalid_argument("action block must end with ActionEnd");
  return Tag(TagCode::kDoAction, actions);
}

Bytes RemoveObject2Tag(std::uint16_t depth) {
  ByteWriter body;
  body.U16(depth);
  return Tag(TagCode::kRemoveObject2, body.bytes());
}

Bytes DefineSpriteTag(std::uint16_t id, std::uint16_t frameCount, const std::vector<Bytes>& controlTags) {
  ByteWriter body;
  body.U16(id);
  body.U16(frameCount);
  for (const Bytes& tag : controlTags) body.Append(tag);
  body.Append(EndTag());
  return Tag(TagCode::kDefineSprite, body.bytes(), true);
}

Bytes PlaceObject2Tag(const PlaceObject& p) {
  ByteWriter body;
  unsigned flags = 0;
  if (!p.name.empty()) flags |= 0x20;
  if (p.alpha) flags |= 0x08;
  if (p.matrix) flags |= 0x04;
  if (p.character) flags |= 0x02;
  if (p.move) flags |= 0x01;
  body.U8(flags);
  body.U16(p.depth);
  if (p.character) body.U16(*p.character);
  if (p.matrix) WriteMatrix(body, *p.matrix);
  if (p.alpha) WriteAlphaTransform(body, *p.alpha);
  if (!p.name.empty()) body.String(p.name);
  return Tag(TagCode::kPlaceObject2, body.bytes());
}

Bytes DefineEditTextTag(const EditText& t) {
  ByteWriter body;
  body.U16(t.id);
  WriteRect(body, t.bounds);
  // HasText, ReadOnly, HasTextColor, HasFont
  body.U8((t.initialText.empty() ? 0x00 : 0x80) | 0x08 | 0x04 | 0x01);
  // HasLayout, NoSelect, UseOutlines
  body.U8(0x20 | 0x10 | 0x01);
  body.U16(t.fontId);
  body.U16(t.fontHeight);
  body.U8(t.color.r);
  body.U8(t.color.g);
  body.U8(t.color.b);
  body.U8(t.color.a);
  body.U8(static_cast<unsigned>(t.align));
  body.U16(0);  // left margin
  body.U16(0);  // right margin
  body.U16(0);  // indent
  body.U16(0);  // leading
  body.String(t.variable);
  if (!t.initialText.empty()) body.String(t.initialText);
  return Tag(TagCode::kDefineEditText, body.bytes());
}

Bytes DefineButton2Tag(std::uint16_t id, const std::vector<ButtonRecord>& records,
                       const std::vector<ButtonAction>& actions) {
  ByteWriter body;
  body.U16(id);
  body.U8(0);  // push button, not a menu
  const std::size_t actionOffsetAt = body.size();
  body.U16(0);
  for (const ButtonRecord& r : records) {
    body.U8(r.states);
    body.U16(r.character);
    body.U16(r.depth);
    WriteMatrix(body, r.matrix);
    WriteAlphaTransform(body, 1.0);
  }
  body.U8(0);  // end of character records
  if (!actions.empty()) body.PatchU16(actionOffsetAt, static_cast<unsigned>(body.size() - actionOffsetAt));
  for (std::size_t i = 0; i < actions.size(); ++i) {
    const ButtonAction& a = actions[i];
    if (a.actions.empty() || a.actions.back() != 0)
      throw std::invalid_argument("button action must end with ActionEnd");
    const bool last = i + 1 == actions.size();
    // The size field counts itself, the flags and the actions.
    body.U16(last ? 0 : static_cast<unsigned>(4 + a.actions.size()));
    body.U8(a.conditions & 0xff);
    body.U8(a.conditions >> 8);
    body.Append(a.actions);
  }
  return Tag(TagCode::kDefineButton2, body.bytes());
}

}  // namespace swfgen
