// Writes the navigation help slide and the end slide as placeable metafiles,
// each in Chinese and in English:
//   make_slides HELP.wmf END.wmf HELP_EN.wmf END_EN.wmf
// Both are 10 x 7.5 inch pages (0, 0, 5760, 4320 at 576 units per inch); the
// layout below is in pixels of a 960 x 720 rendering, 6 units each.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "wmf_writer.h"

namespace {

using orv::tools::Rgb;
using orv::tools::WmfWriter;

constexpr int kUnit = 6;
constexpr std::uint8_t kChineseCharset = 134;
constexpr std::uint16_t kAlignLeftTop = 0, kAlignCentreTop = 6;
// Baseline alignment keeps the Chinese and English faces of a row on one line.
constexpr std::uint16_t kAlignLeftBase = 24, kAlignCentreBase = 30, kAlignRightBase = 26;
constexpr std::uint16_t kPenNull = 5;
constexpr std::int16_t kBold = 700, kNormal = 400;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kInk{44, 54, 70};
constexpr Rgb kMuted{96, 106, 122};
constexpr Rgb kTan{210, 180, 140};
constexpr Rgb kTanDark{94, 66, 36};
constexpr Rgb kTanLight{233, 214, 188};
constexpr Rgb kBlue{62, 116, 186};
constexpr Rgb kBlueLight{120, 164, 220};
constexpr Rgb kStripe{243, 245, 248};
constexpr Rgb kRule{206, 212, 222};

int U(int pixels) { return pixels * kUnit; }

void FilledRect(WmfWriter& w, Rgb colour, int left, int top, int right, int bottom, int corner = 0) {
  const int pen = w.SelectNewPen(kPenNull, 0, colour);
  const int brush = w.SelectNewBrush(colour);
  if (corner > 0) {
    w.RoundRect(U(left), U(top), U(right), U(bottom), U(corner), U(corner));
  } else {
    w.Rectangle(U(left), U(top), U(right), U(bottom));
  }
  w.DeleteObject(brush);
  w.DeleteObject(pen);
}

void Arrow(WmfWriter& w, Rgb colour, int centreX, int centreY, bool pointsLeft) {
  const int pen = w.SelectNewPen(kPenNull, 0, colour);
  const int brush = w.SelectNewBrush(colour);
  const int d = pointsLeft ? -1 : 1;
  // A broad arrow: shaft and head, 120 x 80 pixels.
  w.Polygon({{U(centreX - d * 60), U(centreY - 18)},
             {U(centreX + d * 5), U(centreY - 18)},
             {U(centreX + d * 5), U(centreY - 42)},
             {U(centreX + d * 60), U(centreY)},
             {U(centreX + d * 5), U(centreY + 42)},
             {U(centreX + d * 5), U(centreY + 18)},
             {U(centreX - d * 60), U(centreY + 18)}});
  w.DeleteObject(brush);
  w.DeleteObject(pen);
}

void Text(WmfWriter& w, int x, int y, int pixels, std::int16_t weight, std::uint8_t charset, const char* face,
          Rgb colour, std::uint16_t align, const std::string& text) {
  const int font = w.SelectNewFont(static_cast<std::int16_t>(-U(pixels)), weight, charset, face);
  w.SetTextColour(colour);
  w.SetTextAlign(align);
  w.Text(U(x), U(y), text);
  w.DeleteObject(font);
}

void English(WmfWriter& w, int x, int y, int pixels, std::int16_t weight, Rgb colour, std::uint16_t align,
             const std::string& text) {
  Text(w, x, y, pixels, weight, 0, "Arial", colour, align, text);
}

void Chinese(WmfWriter& w, int x, int y, int pixels, std::int16_t weight, Rgb colour, std::uint16_t align,
             const std::string& text) {
  Text(w, x, y, pixels, weight, kChineseCharset, "黑体", colour, align, text);
}

enum class Language { kChinese, kEnglish };

std::vector<std::uint8_t> HelpSlide(Language language) {
  WmfWriter w(5760, 4320, 576);
  w.SetBkTransparent();
  FilledRect(w, kWhite, 0, 0, 960, 720);

  English(w, 480, 34, 30, kBold, kInk, kAlignCentreTop, "Navigate slides without the visible controller");

  // The two click areas, each with an arrow pointing its way. The player
  // goes back on a click in the left third of the frame (x < 320) and on
  // otherwise: each area lies wholly inside its zone, with a margin.
  constexpr int kTanLeft = 40, kTanRight = 296, kBlueLeft = 344, kBlueRight = 920;
  constexpr int kTanCentre = (kTanLeft + kTanRight) / 2, kBlueCentre = (kBlueLeft + kBlueRight) / 2;
  FilledRect(w, kTan, kTanLeft, 100, kTanRight, 350, 28);
  FilledRect(w, kBlue, kBlueLeft, 100, kBlueRight, 350, 28);
  Arrow(w, kTanLight, kTanCentre, 165, true);
  Arrow(w, kBlueLight, kBlueCentre, 165, false);
  English(w, kTanCentre, 222, 25, kBold, kTanDark, kAlignCentreTop, "To go to the");
  English(w, kTanCentre, 252, 25, kBold, kTanDark, kAlignCentreTop, "previous page");
  English(w, kTanCentre, 296, 18, kNormal, kTanDark, kAlignCentreTop, "Please click the tan area");
  English(w, kBlueCentre, 222, 25, kBold, kWhite, kAlignCentreTop, "To go to the");
  English(w, kBlueCentre, 252, 25, kBold, kWhite, kAlignCentreTop, "next page");
  English(w, kBlueCentre, 296, 18, kNormal, kWhite, kAlignCentreTop, "Please click the blue area");

  English(w, 80, 382, 24, kBold, kInk, kAlignLeftTop, "Navigation keyboard shortcuts");
  FilledRect(w, kRule, 80, 419, 880, 421);

  struct Row {
    const char* chinese;
    const char* english;
    const char* keys;
  };
  const Row rows[] = {
      {"上一页面", "Previous page", "Left arrow, Backspace"}, {"下一页面", "Next page", "Right arrow, Space, Enter"},
      {"第一页'", "First page", "Up arrow, Page up"},         {"最后一页", "Last page", "Down arrow, Page down"},
      {"自动播放 / 已暂停", "Autoplay / Pause", "P"},
  };
  int top = 432;
  for (std::size_t i = 0; i < std::size(rows); ++i, top += 54) {
    if (i % 2 == 0) FilledRect(w, kStripe, 80, top, 880, top + 48, 10);
    if (language == Language::kChinese) {
      Chinese(w, 390, top + 33, 24, kNormal, kInk, kAlignRightBase, rows[i].chinese);
      Chinese(w, 430, top + 33, 24, kNormal, kMuted, kAlignCentreBase, "—");
    } else {
      English(w, 390, top + 33, 24, kNormal, kInk, kAlignRightBase, rows[i].english);
      English(w, 430, top + 33, 24, kNormal, kMuted, kAlignCentreBase, "–");
    }
    English(w, 470, top + 33, 23, kNormal, kInk, kAlignLeftBase, rows[i].keys);
  }
  return w.Finish();
}

std::vector<std::uint8_t> EndSlide(Language language) {
  WmfWriter w(5760, 4320, 576);
  w.SetBkTransparent();
  FilledRect(w, {0, 0, 0}, 0, 0, 960, 720);
  if (language == Language::kChinese) {
    Chinese(w, 480, 18, 17, kBold, kWhite, kAlignCentreTop, "结束时显示幻灯片");
  } else {
    English(w, 480, 18, 17, kBold, kWhite, kAlignCentreTop, "End of slide show");
  }
  return w.Finish();
}

void Write(const char* path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error(std::string("cannot write ") + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_slides HELP.wmf END.wmf HELP_EN.wmf END_EN.wmf\n");
    return 2;
  }
  try {
    Write(argv[1], HelpSlide(Language::kChinese));
    Write(argv[2], EndSlide(Language::kChinese));
    Write(argv[3], HelpSlide(Language::kEnglish));
    Write(argv[4], EndSlide(Language::kEnglish));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_slides: %s\n", e.what());
    return 1;
  }
  return 0;
}
