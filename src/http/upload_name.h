// The name an uploaded presentation is kept under in its request's folder.
// The client's file name gives only a stem and an extension, never a path:
// whatever it holds, the result is one plain file name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv::http {

// The last part of `clientName` (after any "/" or "\"), with control
// characters as "_", no "..", and a stem of at most 200 bytes; an empty
// stem becomes "presentation". Nothing, with `error` set, when the
// extension is not one the command line converts (.ppt, .pps, .pptx, .ppsx,
// .odp, in any letter case).
std::optional<std::string> UploadFileName(std::string_view clientName, std::string& error);

// `text` as valid UTF-8: every byte that does not belong to a well-formed
// sequence (overlong forms, surrogates and code points past U+10FFFF
// included) becomes U+FFFD.
std::string RepairUtf8(std::string_view text);

}  // namespace orv::http
