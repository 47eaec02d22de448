// Writes placeable Windows metafiles record by record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::tools {

struct Rgb {
  std::uint8_t r, g, b;
  std::uint32_t ColorRef() const { return r | (g << 8) | (std::uint32_t{b} << 16); }
};

class WmfWriter {
 public:
  // Bounding box 0, 0, width, height in units of 1/unitsPerInch inch.
  WmfWriter(std::int16_t width, std::int16_t height, std::uint16_t unitsPerInch);

  void SetBkTransparent();
  void SetTextAlign(std::uint16_t align);
  void SetTextColour(Rgb colour);
  // Creates, selects and returns the slot of a pen, brush or font.
  int SelectNewPen(std::uint16_t style, std::int16_t width, Rgb colour);
  int SelectNewBrush(Rgb colour);
  int SelectNullBrush();
  // `face` and `text` of a charset 134 font are converted to GBK.
  int SelectNewFont(std::int16_t height, std::int16_t weight, std::uint8_t charset, const std::string& face);
  void DeleteObject(int slot);

  void Rectangle(int left, int top, int right, int bottom);
  void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
  void Ellipse(int left, int top, int right, int bottom);
  void Polygon(const std::vector<std::pair<int, int>>& points);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  // UTF-8 text, written in the code page of the selected font's charset.
  void Text(int x, int y, const std::string& utf8);

  // The finished file: placeable header, standard header, records, end record.
  std::vector<std::uint8_t> Finish();

 private:
  void Record(std::uint16_t function, const std::vector<std::uint16_t>& params);
  int TakeSlot();
  std::string Encode(const std::string& utf8) const;

  std::int16_t width_, height_;
  std::uint16_t unitsPerInch_;
  std::vector<std::uint16_t> records_;
  std::vector<bool> slots_;
  std::uint32_t maxRecordWords_ = 3;
  std::uint8_t currentCharset_ = 0;
};

}  // namespace orv::tools
