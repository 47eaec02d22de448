#include "wmf_writer.h"

#include <iconv.h>

#include <algorithm>
#include <stdexcept>

namespace orv::tools {
namespace {

std::uint16_t Word(int value) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(value)); }

void PushBytes(std::vector<std::uint16_t>& params, const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const std::uint8_t low = static_cast<std::uint8_t>(bytes[i]);
    const std::uint8_t high = i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 1]) : 0;
    params.push_back(static_cast<std::uint16_t>(low | (high << 8)));
  }
}

}  // namespace

WmfWriter::WmfWriter(std::int16_t width, std::int16_t height, std::uint16_t unitsPerInch)
    : width_(width), height_(height), unitsPerInch_(unitsPerInch) {
  Record(0x0103, {8});                          // anisotropic mapping
  Record(0x020B, {0, 0});                       // window origin
  Record(0x020C, {Word(height), Word(width)});  // window extent
}

void WmfWriter::SetBkTransparent() { Record(0x0102, {1}); }
void WmfWriter::SetTextAlign(std::uint16_t align) { Record(0x012E, {align}); }
void WmfWriter::SetTextColour(Rgb colour) {
  const std::uint32_t c = colour.ColorRef();
  Record(0x0209, {static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(c >> 16)});
}

int WmfWriter::TakeSlot() {
  auto free = std::find(slots_.begin(), slots_.end(), false);
  if (free != slots_.end()) {
    *free = true;
    return static_cast<int>(free - slots_.begin());
  }
  slots_.push_back(true);
  return static_cast<int>(slots_.size() - 1);
}

int WmfWriter::SelectNewPen(std::uint16_t style, std::int16_t width, Rgb colour) {
  const std::uint32_t c = colour.ColorRef();
  Record(0x02FA, {style, Word(width), 0, static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(c >> 16)});
  const int slot = TakeSlot();
  Record(0x012D, {Word(slot)});
  return slot;
}

int WmfWriter::SelectNewBrush(Rgb colour) {
  const std::uint32_t c = colour.ColorRef();
  Record(0x02FC, {0, static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(c >> 16), 0});
  const int slot = TakeSlot();
  Record(0x012D, {Word(slot)});
  return slot;
}

int WmfWriter::SelectNullBrush() {
  Record(0x02FC, {1, 0, 0, 0});
  const int slot = TakeSlot();
  Record(0x012D, {Word(slot)});
  return slot;
}

int WmfWriter::SelectNewFont(std::int16_t height, std::int16_t weight, std::uint8_t charset, const std::string& face) {
  currentCharset_ = charset;
  std::vector<std::uint16_t> params = {Word(height), 0, 0, 0, Word(weight)};
  params.push_back(0);                                            // italic, underline
  params.push_back(static_cast<std::uint16_t>(charset << 8));     // strike-out, charset
  params.push_back(0);                                            // output and clip precision
  params.push_back(static_cast<std::uint16_t>(4 | (0x22 << 8)));  // antialiased quality; variable pitch, swiss
  std::string name = Encode(face);
  name.resize(32, '\0');
  PushBytes(params, name);
  Record(0x02FB, params);
  const int slot = TakeSlot();
  Record(0x012D, {Word(slot)});
  return slot;
}

void WmfWriter::DeleteObject(int slot) {
  Record(0x01F0, {Word(slot)});
  slots_.at(static_cast<std::size_t>(slot)) = false;
}

void WmfWriter::Rectangle(int left, int top, int right, int bottom) {
  Record(0x041B, {Word(bottom), Word(right), Word(top), Word(left)});
}

void WmfWriter::RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
  Record(0x061C, {Word(cornerHeight), Word(cornerWidth), Word(bottom), Word(right), Word(top), Word(left)});
}

void WmfWriter::Ellipse(int left, int top, int right, int bottom) {
  Record(0x0418, {Word(bottom), Word(right), Word(top), Word(left)});
}

void WmfWriter::Polygon(const std::vector<std::pair<int, int>>& points) {
  std::vector<std::uint16_t> params = {Word(static_cast<int>(points.size()))};
  for (const auto& [x, y] : points) {
    params.push_back(Word(x));
    params.push_back(Word(y));
  }
  Record(0x0324, params);
}

void WmfWriter::MoveTo(int x, int y) { Record(0x0214, {Word(y), Word(x)}); }
void WmfWriter::LineTo(int x, int y) { Record(0x0213, {Word(y), Word(x)}); }

void WmfWriter::Text(int x, int y, const std::string& utf8) {
  const std::string bytes = Encode(utf8);
  std::vector<std::uint16_t> params = {Word(y), Word(x), Word(static_cast<int>(bytes.size())), 0};
  PushBytes(params, bytes);
  Record(0x0A32, params);  // ExtTextOut without options or advances
}

std::string WmfWriter::Encode(const std::string& utf8) const {
  const char* codePage = currentCharset_ == 134 ? "GBK" : "CP1252";
  iconv_t cd = iconv_open(codePage, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert to GBK");
  std::string input = utf8;
  std::string output(input.size() * 4 + 4, '\0');
  char* in = input.data();
  char* out = output.data();
  std::size_t inLeft = input.size(), outLeft = output.size();
  const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  iconv_close(cd);
  if (result == static_cast<std::size_t>(-1)) throw std::runtime_error("text not representable: " + utf8);
  output.resize(output.size() - outLeft);
  return output;
}

void WmfWriter::Record(std::uint16_t function, const std::vector<std::uint16_t>& params) {
  const std::uint32_t size = static_cast<std::uint32_t>(params.size() + 3);
  records_.push_back(static_cast<std::uint16_t>(size));
  records_.push_back(static_cast<std::uint16_t>(size >> 16));
  records_.push_back(function);
  records_.insert(records_.end(), params.begin(), params.end());
  maxRecordWords_ = std::max(maxRecordWords_, size);
}

std::vector<std::uint8_t> WmfWriter::Finish() {
  Record(0x0000, {});
  std::vector<std::uint16_t> words;
  // Placeable header.
  words.insert(words.end(), {0xCDD7, 0x9AC6, 0, 0, 0, Word(width_), Word(height_), unitsPerInch_, 0, 0});
  std::uint16_t checksum = 0;
  for (std::uint16_t w : words) checksum ^= w;
  words.push_back(checksum);
  // Standard header.
  const std::uint32_t total = static_cast<std::uint32_t>(9 + records_.size());
  words.insert(words.end(), {1, 9, 0x0300, static_cast<std::uint16_t>(total), static_cast<std::uint16_t>(total >> 16),
                             static_cast<std::uint16_t>(slots_.size()), static_cast<std::uint16_t>(maxRecordWords_),
                             static_cast<std::uint16_t>(maxRecordWords_ >> 16), 0});
  words.insert(words.end(), records_.begin(), records_.end());
  std::vector<std::uint8_t> bytes;
  bytes.reserve(words.size() * 2);
  for (std::uint16_t w : words) {
    bytes.push_back(static_cast<std::uint8_t>(w));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return bytes;
}

}  // namespace orv::tools
