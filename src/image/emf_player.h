// Plays the records of an enhanced metafile onto a device context.
#pragma once

#include "image/gdi_canvas.h"
#include "image/metafile_header.h"

namespace orv {

// Draws until the end record, the end of the data or the first record whose
// size is not sound; what was drawn so far stays.
void PlayEmf(const EnhancedHeader& header, GdiCanvas& canvas);

}  // namespace orv
