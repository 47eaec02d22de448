// Program resources (movie fragments, page template, extra-slide metafiles),
// compiled into the program at build time and looked up by numeric id and type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace orv {

namespace embedded {
struct EmbeddedResource {
  int id;
  const char* type;  // "BIN", "HTML"
  const unsigned char* data;
  std::size_t size;
};
// Ends with an entry whose type is null.
extern const EmbeddedResource kTable[];
}  // namespace embedded

using Bytes = std::span<const std::uint8_t>;

// Where resources come from. The program uses the embedded table; tests can
// install another one to exercise the lookup failures.
class ResourceTable {
 public:
  virtual ~ResourceTable() = default;
  // The bytes of resource (id, type), or nothing when there is none.
  virtual std::optional<Bytes> Find(int id, std::string_view type) const = 0;
};

const ResourceTable& Resources();

// Installs a replacement table for the lifetime of the object (tests).
class ScopedResourceTable {
 public:
  explicit ScopedResourceTable(const ResourceTable& table);
  ~ScopedResourceTable();
  ScopedResourceTable(const ScopedResourceTable&) = delete;
  ScopedResourceTable& operator=(const ScopedResourceTable&) = delete;

 private:
  const ResourceTable* previous_;
};

// Looks a resource up and reports the lookup failures that embedded storage can
// have ("无法定位资源！" when it is missing, "无法获资源大小！" when it is
// empty) through the notifier. Returns nothing after such a message.
std::optional<Bytes> LoadResource(int id, std::string_view type);

}  // namespace orv
