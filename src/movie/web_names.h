// Names written into web pages, escaped for the place they go. A file name
// or a slide title may hold anything a file system allows; in a page it must
// neither break the markup nor turn into a fragment or a query.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// & < > " ' as character references, for text and attribute values; a zero
// byte becomes U+FFFD.
std::string EscapeHtml(std::string_view text);

// The same for XML (a manifest): ' as &apos;, and control characters, which
// XML 1.0 cannot hold, as blanks.
std::string EscapeXml(std::string_view text);

// Control characters (below 0x20, and 0x7f) as blanks: text from a deck as
// a page or a manifest may hold it.
std::string BlankControls(std::string_view text);

// Percent-encodes what one path segment of a relative URL cannot carry as
// it stands: % # ? \ : the blank, control characters, " < > & ' which HTML
// gives a meaning to, and every byte from 0x80 up (UTF-8 names reach their
// file whatever charset the browser reads the page in). Other ASCII stays as
// it is, so ASCII names are written unchanged.
std::string EncodeUrlSegment(std::string_view name);

// Percent-encodes everything of a path but unreserved ASCII and "/", so the
// address can be printed and handed to a browser as it is.
std::string EncodeUrlPath(std::string_view path);

// A file name of the same folder as a link's or a source's value:
// EncodeUrlSegment, then EscapeHtml.
std::string UrlAttribute(std::string_view name);

}  // namespace orv
