// The form of a conversion request as it arrives: the file straight to disk
// in the request's folder, under a name of ours, and every other field (a
// short text) kept. Whatever the client sends, at most `mostFields` fields
// and one file are taken.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/unique_fd.h"
#include "http/multipart_reader.h"

namespace orv::http {

class UploadForm {
 public:
  UploadForm(std::string folder, const std::string& boundary, std::size_t mostFields);

  // The next piece of the body; false once the form is refused (error()).
  bool Feed(std::string_view piece);
  // The whole body is in: false when the form is incomplete or has no file.
  bool Finish();

  const std::string& error() const { return error_; }
  // The upload's name in the folder (see UploadFileName), and its path.
  const std::string& fileName() const { return fileName_; }
  std::string filePath() const;
  const std::vector<std::pair<std::string, std::string>>& fields() const { return fields_; }
  // The value of a field, or null.
  const std::string* Field(std::string_view name) const;

 private:
  bool OnPart(const FormPart& part);
  bool OnData(std::string_view data);
  bool Refuse(std::string why);

  std::string folder_;
  std::size_t mostFields_;
  MultipartReader reader_;
  std::string error_;
  std::string fileName_;
  UniqueFd file_;
  bool inFile_ = false;
  std::vector<std::pair<std::string, std::string>> fields_;
};

}  // namespace orv::http
