#include "image/object_table.h"

#include <algorithm>

namespace orv {

bool ObjectTable::AddAtLowestFree(GdiObject object) {
  auto free = std::find_if(slots_.begin(), slots_.end(),
                           [](const GdiObject& slot) { return std::holds_alternative<std::monostate>(slot); });
  if (free != slots_.end()) {
    *free = std::move(object);
    return true;
  }
  if (slots_.size() >= limit_) return false;
  slots_.push_back(std::move(object));
  return true;
}

bool ObjectTable::Put(std::size_t index, GdiObject object) {
  if (index == 0 || index >= limit_) return false;
  if (index >= slots_.size()) slots_.resize(index + 1);
  slots_[index] = std::move(object);
  return true;
}

const GdiObject* ObjectTable::Get(std::size_t index) const {
  if (index >= slots_.size() || std::holds_alternative<std::monostate>(slots_[index])) return nullptr;
  return &slots_[index];
}

void ObjectTable::Remove(std::size_t index) {
  if (index < slots_.size()) slots_[index] = std::monostate{};
}

void SelectInto(DcState& state, const GdiObject& object) {
  if (const auto* pen = std::get_if<Pen>(&object))
    state.pen = *pen;
  else if (const auto* brush = std::get_if<Brush>(&object))
    state.brush = *brush;
  else if (const auto* font = std::get_if<Font>(&object))
    state.font = *font;
}

}  // namespace orv
