#include "http/upload_form.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/paths.h"
#include "http/upload_name.h"

namespace orv::http {
namespace {

constexpr std::size_t kMostFieldBytes = 256;
constexpr std::size_t kMostCallbackBytes = 2048;  // an address with its query
constexpr char kSendItAsFile[] = "send the presentation in the form field \"file\"";

}  // namespace

UploadForm::UploadForm(std::string folder, const std::string& boundary, std::size_t mostFields)
    : folder_(std::move(folder)),
      mostFields_(mostFields),
      reader_(
          boundary, [this](const FormPart& part) { return OnPart(part); },
          [this](std::string_view data) { return OnData(data); }) {}

bool UploadForm::Refuse(std::string why) {
  if (error_.empty()) error_ = std::move(why);
  file_.Reset();
  return false;
}

bool UploadForm::OnPart(const FormPart& part) {
  file_.Reset();
  inFile_ = part.name == "file";
  if (inFile_) {
    if (!fileName_.empty()) return Refuse("the form holds more than one file");
    std::string error;
    // A name that is not UTF-8 is repaired before anything uses it.
    const auto name = UploadFileName(RepairUtf8(part.fileName), error);
    if (!name) return Refuse(error);
    fileName_ = *name;
    file_.Reset(::open(filePath().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!file_) return Refuse(std::string("the upload cannot be stored: ") + std::strerror(errno));
    return true;
  }
  // A file under another name is a client's slip, not a long value.
  if (part.hasFileName) return Refuse(kSendItAsFile);
  if (fields_.size() >= mostFields_) return Refuse("the form holds too many fields");
  fields_.emplace_back(RepairUtf8(part.name), std::string());
  return true;
}

bool UploadForm::OnData(std::string_view data) {
  if (inFile_) {
    while (!data.empty()) {
      const ssize_t written = ::write(file_.get(), data.data(), data.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return Refuse(std::string("the upload cannot be stored: ") + std::strerror(errno));
      data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }
  if (fields_.empty()) return true;
  auto& [name, value] = fields_.back();
  const std::size_t most = name == "callback" ? kMostCallbackBytes : kMostFieldBytes;
  if (value.size() + data.size() > most) return Refuse("the field \"" + name + "\" is too long");
  value.append(data);
  return true;
}

bool UploadForm::Feed(std::string_view piece) {
  if (!error_.empty()) return false;
  if (reader_.Feed(piece)) return true;
  return Refuse(reader_.error().empty() ? "the form could not be read" : reader_.error());
}

bool UploadForm::Finish() {
  file_.Reset();
  if (!error_.empty()) return false;
  if (!reader_.complete()) return Refuse("the form ends before its closing boundary");
  if (fileName_.empty()) return Refuse(kSendItAsFile);
  return true;
}

std::string UploadForm::filePath() const { return JoinPath(folder_, fileName_); }

const std::string* UploadForm::Field(std::string_view name) const {
  for (const auto& [key, value] : fields_) {
    if (key == name) return &value;
  }
  return nullptr;
}

}  // namespace orv::http
