#include "scorm/scorm_manifest.h"

#include <cstdint>
#include <cstdio>

#include "archive/zip_writer.h"
#include "movie/web_names.h"

namespace orv {
namespace {

// The identifiers are XML IDs: a letter first, then letters, digits and "_".
std::string IdentifierStem(std::string_view identity) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
  for (const char c : identity) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::string("ORVANTA_") + hex;
}

}  // namespace

std::optional<std::string> BuildScormManifest(std::string_view title, std::string_view identity,
                                              const std::vector<std::string>& files) {
  if (files.empty()) return std::nullopt;
  for (const auto& file : files) {
    if (!IsPlainRelativeName(file)) return std::nullopt;
  }
  const std::string id = IdentifierStem(identity);
  const std::string name = EscapeXml(title);
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<manifest identifier=\"" +
      id +
      "\" version=\"1.0\"\n"
      "          xmlns=\"http://www.imsproject.org/xsd/imscp_rootv1p1p2\"\n"
      "          xmlns:adlcp=\"http://www.adlnet.org/xsd/adlcp_rootv1p2\">\n"
      "  <metadata>\n"
      "    <schema>ADL SCORM</schema>\n"
      "    <schemaversion>1.2</schemaversion>\n"
      "  </metadata>\n"
      "  <organizations default=\"" +
      id +
      "_ORG\">\n"
      "    <organization identifier=\"" +
      id +
      "_ORG\">\n"
      "      <title>" +
      name +
      "</title>\n"
      "      <item identifier=\"" +
      id + "_ITEM\" identifierref=\"" + id +
      "_SCO\" isvisible=\"true\">\n"
      "        <title>" +
      name +
      "</title>\n"
      "      </item>\n"
      "    </organization>\n"
      "  </organizations>\n"
      "  <resources>\n"
      "    <resource identifier=\"" +
      id + "_SCO\" type=\"webcontent\" adlcp:scormtype=\"sco\" href=\"" + EscapeXml(EncodeUrlPath(files.front())) +
      "\">\n";
  for (const auto& file : files) out += "      <file href=\"" + EscapeXml(EncodeUrlPath(file)) + "\"/>\n";
  out +=
      "    </resource>\n"
      "  </resources>\n"
      "</manifest>\n";
  return out;
}

}  // namespace orv
