// The proof that a warm worker's LibreOffice converts: a built-in one-slide
// deck, converted after each start of LibreOffice and before the worker says
// it is ready. Its outputs go to a folder of their own, removed at once.
#pragma once

#include "entry_converter.h"

namespace orv::cli {

// Converts the check deck with `settings` (the converter's own record, put
// back afterwards) writing into the temporary folder. True when it converted.
bool ConvertCheckDeck(EntryConverter& converter, ConversionSettings& settings);

}  // namespace orv::cli
