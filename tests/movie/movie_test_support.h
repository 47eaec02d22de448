// Shared pieces of the movie tests: hex literals, a stand-in
// player fragment and a fake slide encoder.
#pragma once

#include <sys/resource.h>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/progress.h"
#include "base/resources.h"
#include "movie/conversion_settings.h"
#include "support/files.h"
#include "support/pictures.h"

namespace orv::test {

inline ByteVector Hex(const std::string& text) {
  ByteVector out;
  std::istringstream in(text);
  std::string word;
  while (in >> word) out.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
  return out;
}

inline ByteVector Slice(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
  return ByteVector(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                    bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

inline std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}
inline std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

// A player fragment that keeps the contract of the real one: byte 0 ends
// the configuration text, the first action block ends at byte 901, then the
// ShowFrame tags of frames 1 to 3 and frame 4's action block.
inline ByteVector StandInPlayer() {
  ByteVector bytes(902, 0);
  for (int frame = 0; frame < 3; ++frame) {
    bytes.push_back(0x40);
    bytes.push_back(0x00);
  }
  const ByteVector mainAction = Hex("3f 03 01 00 00 00 00");
  bytes.insert(bytes.end(), mainAction.begin(), mainAction.end());
  return bytes;
}

// The embedded resources with some replaced or removed (nullopt = missing).
class OverlayResources final : public ResourceTable {
 public:
  OverlayResources() { Set(201, "BIN", StandInPlayer()); }
  void Set(int id, const std::string& type, ByteVector bytes) { overlay_[{id, type}] = std::move(bytes); }
  void Remove(int id, const std::string& type) { overlay_[{id, type}] = std::nullopt; }
  std::optional<Bytes> Find(int id, std::string_view type) const override {
    const auto it = overlay_.find({id, std::string(type)});
    if (it == overlay_.end()) return embedded_.Find(id, type);
    if (!it->second) return std::nullopt;
    return Bytes(it->second->data(), it->second->size());
  }

 private:
  class Embedded final : public ResourceTable {
   public:
    std::optional<Bytes> Find(int id, std::string_view type) const override {
      for (const auto* r = embedded::kTable; r->type != nullptr; ++r) {
        if (r->id == id && type == r->type) return Bytes(r->data, r->size);
      }
      return std::nullopt;
    }
  };
  Embedded embedded_;
  std::map<std::pair<int, std::string>, std::optional<ByteVector>> overlay_;
};

// Hands out a small JPEG-looking block per slide (its size depends on the
// path) and remembers the paths it was asked for.
struct FakeEncoder {
  std::vector<std::string> calls;
  std::string failOn;  // a path that makes the encoder fail

  static ByteVector BlockFor(const std::string& path) {
    ByteVector block = {0xff, 0xd8};
    block.insert(block.end(), path.begin(), path.end());
    block.push_back(0xff);
    block.push_back(0xd9);
    return block;
  }
  std::int32_t operator()(const std::string& path, std::uint8_t*& jpeg, const ConversionSettings&) {
    calls.push_back(path);
    if (path == failOn) return -1;
    const ByteVector block = BlockFor(path);
    jpeg = static_cast<std::uint8_t*>(std::malloc(block.size()));
    std::memcpy(jpeg, block.data(), block.size());
    return static_cast<std::int32_t>(block.size());
  }
};

// Cancels when the bar reaches `cancelAtStep`.
class CancellingProgress final : public Progress {
 public:
  explicit CancellingProgress(int cancelAtStep) : cancelAtStep_(cancelAtStep) {}
  int steps = 0;

 protected:
  void OnPump(bool escCancels) override {
    if (escCancels && ++steps >= cancelAtStep_) RequestCancel();
  }

 private:
  int cancelAtStep_;
};

}  // namespace orv::test
