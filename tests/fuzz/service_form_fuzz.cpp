// What a client of the conversion service controls: the upload's file name,
// the form's fields, and (for whoever starts it) the serve options. A name
// that is kept is one plain file name; nothing crashes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "http/service_form.h"
#include "http/upload_name.h"
#include "serve_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (const auto name = orv::http::UploadFileName(text, error)) {
    if (name->empty() || name->find('/') != std::string::npos || name->find("..") != std::string::npos) {
      __builtin_trap();
    }
  }
  const std::size_t eq = text.find('=');
  orv::SettingOverrides values;
  (void)orv::http::AddFormValue(text.substr(0, eq), eq == std::string::npos ? "" : text.substr(eq + 1), values, error);
  if (orv::http::CheckWebPlayerUrlField(text, error) && text.find_first_of("\"<> \n") != std::string::npos) {
    __builtin_trap();
  }
  std::vector<std::string> args;
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t end = text.find('\0', from);
    args.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
    if (end == std::string::npos) break;
    from = end + 1;
  }
  orv::cli::ServeOptions options;
  (void)orv::cli::ParseServeOptions(args, options, error);
  return 0;
}
