// A small HTTP client for the tests of the program's servers, over libcurl:
// GET, HEAD, DELETE, a body or a multipart form, any headers, one answer
// with its status, headers (names in lower case) and body.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace orv::test {

struct HttpReply {
  long status = 0;  // 0: no answer (the connection failed or was cut)
  std::map<std::string, std::string> headers;
  std::string body;
  double seconds = 0;
  std::string Header(const std::string& name) const;
};

struct FormField {
  std::string name;
  std::string value;     // the field's text, or the file's bytes
  std::string fileName;  // a file part when not empty
};

class HttpClient {
 public:
  explicit HttpClient(int port, std::string host = "127.0.0.1") : port_(port), host_(std::move(host)) {}

  HttpReply Get(const std::string& path, const std::vector<std::string>& headers = {}) const;
  HttpReply Head(const std::string& path, const std::vector<std::string>& headers = {}) const;
  HttpReply Delete(const std::string& path, const std::vector<std::string>& headers = {}) const;
  HttpReply Post(const std::string& path, const std::string& body, const std::string& contentType,
                 const std::vector<std::string>& headers = {}) const;
  HttpReply PostForm(const std::string& path, const std::vector<FormField>& fields,
                     const std::vector<std::string>& headers = {}) const;

  long timeoutSeconds = 300;

 private:
  HttpReply Perform(const std::string& method, const std::string& path, const std::vector<std::string>& headers,
                    const std::string* body, const std::string* contentType, const std::vector<FormField>* form) const;
  int port_;
  std::string host_;
};

}  // namespace orv::test
