#include "support/unzip.h"

#include <zip.h>

#include <fstream>
#include <sstream>

namespace orv::test {

std::map<std::string, std::string> Unzip(const std::string& bytes) {
  std::map<std::string, std::string> files;
  zip_error_t error;
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (zip == nullptr) {
    if (source != nullptr) zip_source_free(source);
    return files;
  }
  for (zip_int64_t k = 0; k < zip_get_num_entries(zip, 0); ++k) {
    zip_stat_t stat;
    if (zip_stat_index(zip, static_cast<zip_uint64_t>(k), 0, &stat) != 0) continue;
    std::string content(stat.size, '\0');
    zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(k), 0);
    if (file == nullptr) continue;
    const zip_int64_t read = zip_fread(file, content.data(), stat.size);
    zip_fclose(file);
    content.resize(read < 0 ? 0 : static_cast<std::size_t>(read));
    files[stat.name] = content;
  }
  zip_close(zip);
  return files;
}

std::map<std::string, unsigned> ZipModes(const std::string& bytes) {
  std::map<std::string, unsigned> modes;
  zip_error_t error;
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (zip == nullptr) {
    if (source != nullptr) zip_source_free(source);
    return modes;
  }
  for (zip_int64_t k = 0; k < zip_get_num_entries(zip, 0); ++k) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    const char* name = zip_get_name(zip, static_cast<zip_uint64_t>(k), 0);
    if (name == nullptr ||
        zip_file_get_external_attributes(zip, static_cast<zip_uint64_t>(k), 0, &system, &attributes) != 0) {
      continue;
    }
    modes[name] = system == ZIP_OPSYS_UNIX ? attributes >> 16 : 0;
  }
  zip_close(zip);
  return modes;
}

std::map<std::string, std::string> UnzipFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return Unzip(bytes.str());
}

}  // namespace orv::test
