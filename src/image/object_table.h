// The handle tables of the two metafile forms.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "image/gdi_objects.h"

namespace orv {

class ObjectTable {
 public:
  explicit ObjectTable(std::size_t limit) : limit_(limit) {}

  // Windows metafiles: a new object takes the lowest free slot. Returns false
  // when the table is full.
  bool AddAtLowestFree(GdiObject object);
  // Enhanced metafiles name the slot; index 0 is reserved.
  bool Put(std::size_t index, GdiObject object);
  const GdiObject* Get(std::size_t index) const;
  void Remove(std::size_t index);

 private:
  std::size_t limit_;
  std::vector<GdiObject> slots_;
};

// Applies a pen, brush or font to the state; other kinds are ignored.
void SelectInto(DcState& state, const GdiObject& object);

}  // namespace orv
