#include "image/text_decode.h"

#include <iconv.h>

#include <vector>

namespace orv {
namespace {

constexpr const char kReplacement[] = "\xEF\xBF\xBD";

bool IsDoubleByteCharset(int charset) { return charset == 128 || charset == 129 || charset == 134 || charset == 136; }

// One iconv conversion descriptor for the length of one decode.
class Converter {
 public:
  explicit Converter(const char* from) : cd_(iconv_open("UTF-8", from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts one character's bytes; a byte sequence the code page does not
  // know becomes U+FFFD.
  std::string Convert(std::span<const std::uint8_t> bytes) {
    if (cd_ == reinterpret_cast<iconv_t>(-1) || bytes.empty()) return kReplacement;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> input(bytes.begin(), bytes.end());
    char out[32];
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    if (iconv(cd_, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
      return kReplacement;
    }
    return std::string(out, static_cast<std::size_t>(outPtr - out));
  }

 private:
  iconv_t cd_;
};

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

const char* CodePageForCharset(int charset) {
  switch (charset) {
    case 128:
      return "CP932";
    case 129:
      return "CP949";
    case 134:
      return "GBK";
    case 136:
      return "BIG5";
    case 161:
      return "CP1253";
    case 162:
      return "CP1254";
    case 177:
      return "CP1255";
    case 178:
      return "CP1256";
    case 186:
      return "CP1257";
    case 204:
      return "CP1251";
    case 222:
      return "CP874";
    case 238:
      return "CP1250";
    case 255:
      return "CP437";
    default:
      return "CP1252";
  }
}

DecodedText DecodeAnsiText(std::span<const std::uint8_t> bytes, int charset) {
  DecodedText text;
  Converter converter(CodePageForCharset(charset));
  const bool doubleByte = IsDoubleByteCharset(charset);
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t length = 1;
    if (doubleByte && bytes[at] >= 0x81 && bytes[at] <= 0xFE && at + 1 < bytes.size()) length = 2;
    const auto piece = bytes.subspan(at, length);
    text.chars.push_back(piece[0] < 0x80 && length == 1 ? std::string(1, static_cast<char>(piece[0]))
                                                        : converter.Convert(piece));
    text.units.push_back(static_cast<int>(length));
    at += length;
  }
  return text;
}

DecodedText DecodeUtf16Text(std::span<const std::uint8_t> bytes) {
  DecodedText text;
  const std::size_t count = bytes.size() / 2;
  auto unit = [&](std::size_t i) -> std::uint32_t { return bytes[2 * i] | (bytes[2 * i + 1] << 8); };
  for (std::size_t i = 0; i < count;) {
    std::uint32_t cp = unit(i);
    int used = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      used = 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    std::string utf8;
    AppendUtf8(utf8, cp);
    text.chars.push_back(std::move(utf8));
    text.units.push_back(used);
    i += static_cast<std::size_t>(used);
  }
  return text;
}

std::string AnsiToUtf8(std::span<const std::uint8_t> bytes, int charset) {
  std::size_t end = 0;
  while (end < bytes.size() && bytes[end] != 0) ++end;
  std::string out;
  for (const std::string& c : DecodeAnsiText(bytes.first(end), charset).chars) out += c;
  return out;
}

std::string Utf16ToUtf8(std::span<const std::uint8_t> bytes) {
  std::size_t end = 0;
  while (end + 1 < bytes.size() && (bytes[end] | bytes[end + 1]) != 0) end += 2;
  std::string out;
  for (const std::string& c : DecodeUtf16Text(bytes.first(end)).chars) out += c;
  return out;
}

}  // namespace orv
