#include "base/resources.h"

#include "base/messages.h"
#include "base/notifier.h"

namespace orv {
namespace {

class EmbeddedTable final : public ResourceTable {
 public:
  std::optional<Bytes> Find(int id, std::string_view type) const override {
    for (const auto* r = embedded::kTable; r->type != nullptr; ++r) {
      if (r->id == id && type == r->type) return Bytes(r->data, r->size);
    }
    return std::nullopt;
  }
};

const EmbeddedTable kEmbedded;
const ResourceTable* g_table = &kEmbedded;

}  // namespace

const ResourceTable& Resources() { return *g_table; }

ScopedResourceTable::ScopedResourceTable(const ResourceTable& table) : previous_(g_table) { g_table = &table; }
ScopedResourceTable::~ScopedResourceTable() { g_table = previous_; }

std::optional<Bytes> LoadResource(int id, std::string_view type) {
  auto bytes = Resources().Find(id, type);
  if (!bytes) {
    Notify(msg::kResourceNotFound);
    return std::nullopt;
  }
  if (bytes->empty()) {
    Notify(msg::kResourceSizeUnknown);
    return std::nullopt;
  }
  return bytes;
}

}  // namespace orv
