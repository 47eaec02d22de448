#include "player_fragment.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <stdexcept>

#include "shape.h"
#include "tags.h"

namespace swfgen {

namespace {

constexpr std::int32_t Px(double pixels) { return static_cast<std::int32_t>(pixels * kTwips); }

// The constants the movie writer's length patches count on, in pool order
// from index 5.
const char* const kContractConstants[] = {"gConfig_xml",
                                          "XML",
                                          "Stage",
                                          "align",
                                          "firstChild",
                                          "attributes",
                                          "scaleMode",
                                          "showMenu",
                                          "true",
                                          "gFrameWidth",
                                          "frameWidth",
                                          "gFrameHeight",
                                          "frameHeight",
                                          "Curtain_mc",
                                          "_width",
                                          "_height",
                                          "ldrProgress_mc",
                                          "_x",
                                          "_y",
                                          "ldrBorder_mc",
                                          "ldrStatus_txt",
                                          "_alpha",
                                          "ldrBytesLoaded",
                                          "getBytesLoaded",
                                          "ldrBytesTotal",
                                          "getBytesTotal",
                                          "ldrPercentLoaded",
                                          "text",
                                          " %",
                                          "_xscale"};

// Colours of the artwork.
constexpr Rgba kCurtain{0, 0, 0, 255};
constexpr Rgba kLoaderBar{77, 163, 255, 255};
constexpr Rgba kLoaderFrame{200, 208, 220, 255};
constexpr Rgba kLoaderText{220, 226, 236, 255};
constexpr Rgba kPanelBack{22, 26, 34, 165};
constexpr Rgba kPanelRule{255, 255, 255, 28};
constexpr Rgba kGrip{140, 150, 166, 255};
constexpr Rgba kGripHot{225, 232, 242, 255};
constexpr Rgba kButton{58, 70, 88, 255};
constexpr Rgba kButtonHot{80, 97, 122, 255};
constexpr Rgba kButtonDown{38, 47, 60, 255};
constexpr Rgba kButtonDim{42, 48, 58, 255};
constexpr Rgba kPlay{36, 110, 196, 255};
constexpr Rgba kPlayHot{54, 132, 222, 255};
constexpr Rgba kPlayDown{28, 88, 160, 255};
constexpr Rgba kPause{200, 124, 38, 255};
constexpr Rgba kPauseHot{224, 146, 56, 255};
constexpr Rgba kPauseDown{168, 100, 28, 255};
constexpr Rgba kLabel{244, 247, 251, 255};
constexpr Rgba kLabelDim{112, 120, 134, 255};
constexpr Rgba kStepOff{62, 70, 84, 255};
constexpr Rgba kStepOn{88, 178, 255, 255};
constexpr Rgba kStatus{232, 236, 242, 255};

// Panel layout, pixels.
constexpr int kPanelW = 340, kPanelH = 52, kRadius = 9;
constexpr int kGripBarH = 14;
constexpr int kRowY = 20, kRowH = 24, kButtonRadius = 6;
constexpr int kPrevX = 10, kNextX = 78, kSmallW = 62;
constexpr int kAutoX = 146, kAutoW = 96;
constexpr int kStepsX = 252, kStepW = 4, kStepGap = 2, kStepH = 14;
constexpr int kStatusX = 276, kStatusW = 62;  // room for "100 / 100"
constexpr int kLabelPx = 11, kLabelBoxH = 18;

// Loader layout, pixels.
constexpr int kBarW = 200, kBarH = 8, kFrameMargin = 2;
constexpr int kLoaderTextW = 80, kLoaderTextPx = 12;

Shape Solid(Rgba color, Path path) {
  Shape s;
  s.Add(color, std::move(path));
  return s;
}

Shape RoundedBox(Rgba color, int w, int h, int radius) {
  Path p;
  p.AddRoundedRect(0, 0, Px(w), Px(h), Px(radius));
  return Solid(color, std::move(p));
}

// Collects the tags of the fragment and hands out character ids in order.
class FragmentBuilder {
 public:
  std::uint16_t Define(const std::function<Bytes(std::uint16_t)>& makeTag) {
    if (nextId_ >= kPanelSpriteId) throw std::length_error("player artwork needs more than 61 characters");
    const std::uint16_t id = nextId_++;
    Emit(makeTag(id));
    return id;
  }
  std::uint16_t DefineShape(const Shape& shape) {
    return Define([&](std::uint16_t id) { return DefineShapeTag(id, shape); });
  }
  std::uint16_t DefineText(EditText text) {
    return Define([&](std::uint16_t id) {
      text.id = id;
      return DefineEditTextTag(text);
    });
  }
  void Emit(const Bytes& tag) { out_.Append(tag); }
  ByteWriter& out() { return out_; }

 private:
  ByteWriter out_;
  std::uint16_t nextId_ = 1;
};

const AssembledBlock& Script(const PlayerScripts& scripts, const std::string& name) {
  const auto found = scripts.find(name);
  if (found == scripts.end()) throw std::runtime_error("player script missing: " + name);
  return found->second;
}

Bytes Place(std::uint16_t depth, std::uint16_t character, std::int32_t x, std::int32_t y, const std::string& name = {},
            std::optional<double> alpha = {}) {
  PlaceObject p;
  p.depth = depth;
  p.character = character;
  p.matrix = Matrix::Translate(x, y);
  p.name = name;
  p.alpha = alpha;
  return PlaceObject2Tag(p);
}

EditText Label(std::uint16_t font, int widthPx, const std::string& text, Rgba color, int sizePx = kLabelPx) {
  EditText t;
  t.bounds = {0, Px(widthPx), 0, Px(kLabelBoxH)};
  t.fontId = font;
  t.fontHeight = static_cast<std::uint16_t>(Px(sizePx));
  t.color = color;
  t.align = TextAlign::kCenter;
  t.initialText = text;
  return t;
}

// Label text and its icon, laid out as one centred group inside a button.
struct Caption {
  std::uint16_t label = 0, icon = 0;
  std::int32_t labelX = 0, iconX = 0;  // twips from the button's left edge
};

constexpr double kIconW = 7, kIconH = 9, kIconGap = 5;
constexpr double kTextGutter = 2;  // an edit text's inner margin on each side, pixels

double TextWidthPx(const EmbeddedFont& font, const std::string& text, int sizePx) {
  double units = 0;
  for (char c : text) {
    const auto glyph = std::find_if(font.glyphs.begin(), font.glyphs.end(),
                                    [c](const Glyph& g) { return g.code == static_cast<char32_t>(c); });
    if (glyph == font.glyphs.end()) throw std::runtime_error(std::string("label character without glyph: ") + c);
    units += glyph->advance;
  }
  return units * sizePx / 1024.0;
}

enum class IconSide { kBefore, kAfter };

Caption LayoutCaption(FragmentBuilder& b, std::uint16_t fontId, const EmbeddedFont& font, int buttonW,
                      const std::string& text, Rgba color, std::uint16_t icon, IconSide side) {
  const double textW = TextWidthPx(font, text, kLabelPx);
  const double start = (buttonW - (kIconW + kIconGap + textW)) / 2;
  const double textX = side == IconSide::kBefore ? start + kIconW + kIconGap : start;
  const double iconX = side == IconSide::kBefore ? start : start + textW + kIconGap;
  const int boxW = static_cast<int>(std::ceil(textW + 2 * kTextGutter)) + 2;
  Caption c;
  c.label = b.DefineText(Label(fontId, boxW, text, color));
  c.labelX = Px(textX - (boxW - textW) / 2);
  c.icon = icon;
  c.iconX = Px(iconX);
  return c;
}

Shape Icon(Rgba color, const std::vector<std::pair<double, double>>& points) {
  std::vector<std::pair<std::int32_t, std::int32_t>> twips;
  for (const auto& [x, y] : points) twips.emplace_back(Px(x), Px(y));
  Path p;
  p.AddPolygon(twips);
  return Solid(color, std::move(p));
}

Shape PauseIcon(Rgba color) {
  Path p;
  p.AddRect(0, 0, Px(2.5), Px(kIconH));
  p.AddRect(Px(kIconW - 2.5), 0, Px(2.5), Px(kIconH));
  return Solid(color, std::move(p));
}

struct ButtonLook {
  std::uint16_t up, over, down;
  Caption caption;
};

// A push button: the face changes with the pointer, the label stays on top;
// the up face doubles as the hit area.
std::uint16_t DefineButton(FragmentBuilder& b, const ButtonLook& look, const Bytes& releaseActions) {
  const std::int32_t labelY = Px((kRowH - kLabelBoxH) / 2.0 + 0.5);
  const std::int32_t iconY = Px((kRowH - kIconH) / 2.0);
  const std::uint8_t shown = kUp | kOver | kDown;
  return b.Define([&](std::uint16_t id) {
    return DefineButton2Tag(id,
                            {{kUp | kHit, look.up, 1, {}},
                             {kOver, look.over, 1, {}},
                             {kDown, look.down, 1, {}},
                             {shown, look.caption.label, 2, Matrix::Translate(look.caption.labelX, labelY)},
                             {shown, look.caption.icon, 3, Matrix::Translate(look.caption.iconX, iconY)}},
                            {{kOnRelease, releaseActions}});
  });
}

// A two-frame clip: frame 1 the active button, frame 2 the same label dimmed
// and without a button.
std::uint16_t DefineSwitchClip(FragmentBuilder& b, const PlayerScripts& scripts, std::uint16_t button,
                               const std::string& buttonName, std::uint16_t secondFace, const Caption& secondCaption,
                               const std::string& secondName) {
  const std::int32_t labelY = Px((kRowH - kLabelBoxH) / 2.0 + 0.5);
  const std::int32_t iconY = Px((kRowH - kIconH) / 2.0);
  std::vector<Bytes> frames;
  frames.push_back(DoActionTag(Script(scripts, "clip_stop").actions));
  frames.push_back(Place(1, button, 0, 0, buttonName));
  frames.push_back(ShowFrameTag());
  frames.push_back(RemoveObject2Tag(1));
  frames.push_back(Place(2, secondFace, 0, 0, secondName));
  frames.push_back(Place(3, secondCaption.label, secondCaption.labelX, labelY));
  frames.push_back(Place(4, secondCaption.icon, secondCaption.iconX, iconY));
  frames.push_back(ShowFrameTag());
  return b.Define([&](std::uint16_t id) { return DefineSpriteTag(id, 2, frames); });
}

void BuildLoader(FragmentBuilder& b, std::uint16_t font) {
  const std::uint16_t curtainShape = b.DefineShape(RoundedBox(kCurtain, 100, 100, 0));
  const std::uint16_t curtain = b.Define([&](std::uint16_t id) {
    return DefineSpriteTag(id, 1, {Place(1, curtainShape, 0, 0), ShowFrameTag()});
  });
  const std::uint16_t barShape = b.DefineShape(RoundedBox(kLoaderBar, kBarW, kBarH, 0));
  const std::uint16_t bar = b.Define([&](std::uint16_t id) {
    return DefineSpriteTag(id, 1, {Place(1, barShape, 0, 0), ShowFrameTag()});
  });
  // The frame is a ring: an outer contour and a reversed inner one.
  Path ring;
  const int outerW = kBarW + 2 * kFrameMargin, outerH = kBarH + 2 * kFrameMargin;
  ring.AddRoundedRect(0, 0, Px(outerW), Px(outerH), Px(3));
  ring.AddRect(Px(1), Px(1), Px(outerW - 2), Px(outerH - 2), true);
  const std::uint16_t ringShape = b.DefineShape(Solid(kLoaderFrame, std::move(ring)));
  const std::uint16_t border = b.Define([&](std::uint16_t id) {
    return DefineSpriteTag(id, 1, {Place(1, ringShape, 0, 0), ShowFrameTag()});
  });
  const std::uint16_t text = b.DefineText(Label(font, kLoaderTextW, "100 %", kLoaderText, kLoaderTextPx));

  // The first pass of the frame-1 script centres these in the frame.
  b.Emit(Place(1, bar, 0, 0, "ldrProgress_mc", 0.5));
  b.Emit(Place(3, text, 0, 0, "ldrStatus_txt"));
  b.Emit(Place(4, border, 0, 0, "ldrBorder_mc"));
  b.Emit(Place(17, curtain, 0, 0, "Curtain_mc"));
}

// The panel's background, its rule and the drag bar along its top.
struct PanelFrame {
  std::uint16_t back = 0, rule = 0, dragButton = 0;
};

PanelFrame DefinePanelFrame(FragmentBuilder& b, const PlayerScripts& scripts) {
  PanelFrame frame;
  Path back;
  back.AddRoundedRect(0, 0, Px(kPanelW), Px(kPanelH), Px(kRadius));
  frame.back = b.DefineShape(Solid(kPanelBack, std::move(back)));
  Path rule;
  rule.AddRect(Px(10), Px(kGripBarH), Px(kPanelW - 20), Px(1));
  frame.rule = b.DefineShape(Solid(kPanelRule, std::move(rule)));

  // Drag handle: a row of grip dots over an invisible strip along the top.
  auto grip = [](Rgba color) {
    Path dots;
    for (int i = 0; i < 5; ++i) dots.AddRect(Px(kPanelW / 2 - 14 + 6 * i), Px(6), Px(3), Px(3));
    return Solid(color, std::move(dots));
  };
  const std::uint16_t gripShape = b.DefineShape(grip(kGrip));
  const std::uint16_t gripHot = b.DefineShape(grip(kGripHot));
  const std::uint16_t dragHit = b.DefineShape(RoundedBox(kButtonDim, kPanelW, kGripBarH, 0));
  frame.dragButton = b.Define([&](std::uint16_t id) {
    return DefineButton2Tag(id, {{kUp, gripShape, 1, {}}, {kOver | kDown, gripHot, 1, {}}, {kHit, dragHit, 1, {}}},
                            {{kOnPress, Script(scripts, "drag_press").actions},
                             {kOnRelease | kOnReleaseOutside, Script(scripts, "drag_release").actions}});
  });
  return frame;
}

// The up, over and down faces of one kind of button.
struct Faces {
  std::uint16_t up = 0, over = 0, down = 0;
};

Faces DefineFaces(FragmentBuilder& b, int w, Rgba up, Rgba over, Rgba down) {
  Faces faces;
  faces.up = b.DefineShape(RoundedBox(up, w, kRowH, kButtonRadius));
  faces.over = b.DefineShape(RoundedBox(over, w, kRowH, kButtonRadius));
  faces.down = b.DefineShape(RoundedBox(down, w, kRowH, kButtonRadius));
  return faces;
}

// The clips of the button row: PREV, NEXT and AUTOPLAY/PAUSE.
struct ButtonRow {
  std::uint16_t prev = 0, next = 0, autoplay = 0;
};

ButtonRow DefineButtonRow(FragmentBuilder& b, const PlayerScripts& scripts, std::uint16_t font,
                          const EmbeddedFont& glyphs) {
  const Faces small = DefineFaces(b, kSmallW, kButton, kButtonHot, kButtonDown);
  const std::uint16_t smallDim = b.DefineShape(RoundedBox(kButtonDim, kSmallW, kRowH, kButtonRadius));
  const Faces play = DefineFaces(b, kAutoW, kPlay, kPlayHot, kPlayDown);
  const Faces pause = DefineFaces(b, kAutoW, kPause, kPauseHot, kPauseDown);

  // Icons: arrows pointing the way of PREV and NEXT, play and pause symbols.
  const std::vector<std::pair<double, double>> left{{kIconW, 0}, {0, kIconH / 2}, {kIconW, kIconH}};
  const std::vector<std::pair<double, double>> right{{0, 0}, {kIconW, kIconH / 2}, {0, kIconH}};
  const std::uint16_t leftIcon = b.DefineShape(Icon(kLabel, left));
  const std::uint16_t leftDim = b.DefineShape(Icon(kLabelDim, left));
  const std::uint16_t rightIcon = b.DefineShape(Icon(kLabel, right));
  const std::uint16_t rightDim = b.DefineShape(Icon(kLabelDim, right));
  const std::uint16_t pauseIcon = b.DefineShape(PauseIcon(kLabel));

  auto caption = [&](int w, const char* text, Rgba color, std::uint16_t icon, IconSide side) {
    return LayoutCaption(b, font, glyphs, w, text, color, icon, side);
  };
  const Caption next = caption(kSmallW, "NEXT", kLabel, rightIcon, IconSide::kAfter);
  const Caption nextDim = caption(kSmallW, "NEXT", kLabelDim, rightDim, IconSide::kAfter);
  const Caption prev = caption(kSmallW, "PREV", kLabel, leftIcon, IconSide::kBefore);
  const Caption prevDim = caption(kSmallW, "PREV", kLabelDim, leftDim, IconSide::kBefore);
  const Caption autoplay = caption(kAutoW, "AUTOPLAY", kLabel, rightIcon, IconSide::kBefore);
  const Caption pausing = caption(kAutoW, "PAUSE", kLabel, pauseIcon, IconSide::kBefore);

  auto button = [&](const Faces& faces, const Caption& label, const char* script) {
    return DefineButton(b, {faces.up, faces.over, faces.down, label}, Script(scripts, script).actions);
  };
  const std::uint16_t nextButton = button(small, next, "next_release");
  const std::uint16_t prevButton = button(small, prev, "prev_release");
  const std::uint16_t autoButton = button(play, autoplay, "autoplay_release");
  const std::uint16_t pauseButton = button(pause, pausing, "pause_release");

  ButtonRow row;
  row.next = DefineSwitchClip(b, scripts, nextButton, "panelNextBtn", smallDim, nextDim, "panelNextDim");
  row.prev = DefineSwitchClip(b, scripts, prevButton, "panelPrevBtn", smallDim, prevDim, "panelPrevDim");
  // AUTOPLAY and PAUSE share one place: frame 2 holds the PAUSE button.
  row.autoplay = b.Define([&](std::uint16_t id) {
    return DefineSpriteTag(
        id, 2,
        {DoActionTag(Script(scripts, "clip_stop").actions), Place(1, autoButton, 0, 0, "panelAutoplay_btn"),
         ShowFrameTag(), RemoveObject2Tag(1), Place(2, pauseButton, 0, 0, "panelPause_btn"), ShowFrameTag()});
  });
  return row;
}

// Countdown: four steps that light up one by one over a slide's interval.
std::uint16_t DefineIndicator(FragmentBuilder& b, const PlayerScripts& scripts) {
  auto steps = [](int lit, Rgba color) {
    Path p;
    for (int i = 0; i < lit; ++i) p.AddRoundedRect(Px(i * (kStepW + kStepGap)), 0, Px(kStepW), Px(kStepH), Px(1));
    return Solid(color, std::move(p));
  };
  const std::uint16_t stepsOff = b.DefineShape(steps(4, kStepOff));
  std::vector<Bytes> indicatorFrames{DoActionTag(Script(scripts, "clip_stop").actions), Place(1, stepsOff, 0, 0)};
  for (int lit = 1; lit <= 4; ++lit) {
    const std::uint16_t on = b.DefineShape(steps(lit, kStepOn));
    if (lit > 1) indicatorFrames.push_back(RemoveObject2Tag(2));
    indicatorFrames.push_back(Place(2, on, 0, 0));
    indicatorFrames.push_back(ShowFrameTag());
  }
  return b.Define([&](std::uint16_t id) { return DefineSpriteTag(id, 4, indicatorFrames); });
}

std::uint16_t BuildPanel(FragmentBuilder& b, const PlayerScripts& scripts, std::uint16_t font,
                         const EmbeddedFont& glyphs) {
  const PanelFrame frame = DefinePanelFrame(b, scripts);
  const ButtonRow row = DefineButtonRow(b, scripts, font, glyphs);
  const std::uint16_t indicator = DefineIndicator(b, scripts);

  EditText status = Label(font, kStatusW, "1 / 1", kStatus);
  status.variable = "panelStatus";
  const std::uint16_t statusText = b.DefineText(status);

  const std::int32_t labelY = Px(kRowY + (kRowH - kLabelBoxH) / 2.0 + 0.5);
  const std::vector<Bytes> panel{
      Place(1, frame.back, 0, 0),
      Place(2, frame.rule, 0, 0),
      Place(3, frame.dragButton, 0, 0, "panelDragBar_btn"),
      Place(4, row.prev, Px(kPrevX), Px(kRowY), "panelPrev_mc"),
      Place(5, row.next, Px(kNextX), Px(kRowY), "panelNext_mc"),
      Place(6, row.autoplay, Px(kAutoX), Px(kRowY), "panelAuto_mc"),
      Place(7, indicator, Px(kStepsX), Px(kRowY + (kRowH - kStepH) / 2), "panelIndicator_mc"),
      Place(8, statusText, Px(kStatusX), labelY, "panelStatus_txt"),
      ShowFrameTag(),
  };
  b.Emit(DefineSpriteTag(kPanelSpriteId, 1, panel));
  return kPanelSpriteId;
}

}  // namespace

Bytes BuildPlayerFragment(const PlayerScripts& scripts, const EmbeddedFont& font) {
  FragmentBuilder b;
  ByteWriter& out = b.out();

  // Tail of the first action block: the document's terminator, constants
  // 5..34, the frame-1 code.
  const AssembledBlock& frame1 = Script(scripts, "frame1");
  constexpr std::size_t kContractCount = sizeof kContractConstants / sizeof kContractConstants[0];
  if (frame1.externPool.size() != 5 + kContractCount) throw std::runtime_error("frame 1 must declare constants 0..34");
  out.U8(0);
  for (std::size_t i = 0; i < kContractCount; ++i) {
    if (frame1.externPool[5 + i] != kContractConstants[i]) throw std::runtime_error("frame-1 constant out of order");
    out.String(kContractConstants[i]);
  }
  if (out.size() != kPoolTailBytes) throw std::logic_error("constants 5..34 must take 294 bytes");
  if (frame1.actions.size() != kFrameOneCodeBytes) throw std::runtime_error("frame-1 code must be 607 bytes");
  out.Append(frame1.actions);

  // Frame 1: the loader.
  const std::uint16_t fontId = b.Define([&](std::uint16_t id) { return DefineFont2Tag(id, font); });
  BuildLoader(b, fontId);
  b.Emit(ShowFrameTag());

  // Frame 2: the loading loop.
  b.Emit(DoActionTag(Script(scripts, "frame2").actions));
  b.Emit(ShowFrameTag());

  // Frame 3: the loader gives way to the panel.
  for (std::uint16_t depth : {1, 3, 4}) b.Emit(RemoveObject2Tag(depth));
  BuildPanel(b, scripts, fontId, font);
  b.Emit(Place(3, kPanelSpriteId, 0, 0, "navPanel_mc"));
  b.Emit(ShowFrameTag());

  // Frame 4: the main script; the movie writer adds the slides after it.
  b.Emit(DoActionTag(Script(scripts, "main").actions));
  return out.Take();
}

}  // namespace swfgen
