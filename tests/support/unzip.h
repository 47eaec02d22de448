// The files of a zip, read whole by name (libzip): for the tests of what the
// program packs, the service's answers and the SCORM packages.
#pragma once

#include <map>
#include <string>

namespace orv::test {

// Name -> contents; empty when `bytes` is not a zip.
std::map<std::string, std::string> Unzip(const std::string& bytes);
std::map<std::string, std::string> UnzipFile(const std::string& path);
// Name -> the Unix mode an entry unpacks with (0 when it names none).
std::map<std::string, unsigned> ZipModes(const std::string& bytes);

}  // namespace orv::test
