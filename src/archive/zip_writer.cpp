#include "archive/zip_writer.h"

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/owner_tag.h"

namespace orv {
bool IsPlainRelativeName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.find('\\') != std::string_view::npos) return false;
  std::size_t from = 0;
  while (from <= name.size()) {
    std::size_t to = name.find('/', from);
    if (to == std::string_view::npos) to = name.size();
    const std::string_view part = name.substr(from, to - from);
    if (part.empty() || part == "." || part == "..") return false;
    from = to + 1;
  }
  return true;
}

namespace {

// The system's reason behind libzip's failure, for the caller's message.
void KeepSystemError(zip_t* zip) {
  zip_error_t* reason = zip_get_error(zip);
  if (zip_error_system_type(reason) == ZIP_ET_SYS) errno = zip_error_code_system(reason);
}

}  // namespace

bool WriteZip(const std::string& zipPath, const std::vector<ZipEntry>& entries, std::string& error) {
  // libzip writes beside its target and renames at the end; its target is
  // our own temporary name, so that whatever a killed run leaves carries its
  // owner (base/owner_tag.h) and is swept by a later run.
  const std::string building = TemporaryPathFor(zipPath, "zip");
  int code = 0;
  zip_t* zip = zip_open(building.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (zip == nullptr) {
    zip_error_t reason;
    zip_error_init_with_code(&reason, code);
    error = std::string("cannot make the zip: ") + zip_error_strerror(&reason);
    zip_error_fini(&reason);
    return false;
  }
  for (const ZipEntry& entry : entries) {
    if (!IsPlainRelativeName(entry.name)) {
      error = "refused zip entry name " + entry.name;
      zip_discard(zip);
      return false;
    }
    zip_source_t* source = entry.path.empty() ? zip_source_buffer(zip, entry.text.data(), entry.text.size(), 0)
                                              : zip_source_file(zip, entry.path.c_str(), 0, -1);
    const zip_int64_t index =
        source == nullptr ? -1 : zip_file_add(zip, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
      if (source != nullptr) zip_source_free(source);
      error = std::string("cannot add ") + entry.name + " to the zip: " + zip_strerror(zip);
      zip_discard(zip);
      return false;
    }
    // Unpacked as a plain file its owner may write and everyone read (0644),
    // whatever the umask of the machine that wrote it.
    if (zip_file_set_external_attributes(zip, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         static_cast<zip_uint32_t>(kZipFileMode) << 16) < 0) {
      error = std::string("cannot set the mode of ") + entry.name + " in the zip: " + zip_strerror(zip);
      zip_discard(zip);
      return false;
    }
  }
  if (zip_close(zip) != 0) {
    error = std::string("cannot write the zip: ") + zip_strerror(zip);
    KeepSystemError(zip);
    const int reason = errno;
    zip_discard(zip);
    errno = reason;
    return false;
  }
  if (std::rename(building.c_str(), zipPath.c_str()) != 0) {
    const int reason = errno;
    error = std::string("cannot write the zip: ") + std::strerror(reason);
    std::remove(building.c_str());
    errno = reason;
    return false;
  }
  return true;
}

}  // namespace orv
