#include "support/http_client.h"

#include <curl/curl.h>

#include <cctype>

namespace orv::test {
namespace {

std::size_t KeepBody(char* data, std::size_t size, std::size_t count, void* reply) {
  static_cast<HttpReply*>(reply)->body.append(data, size * count);
  return size * count;
}

std::size_t KeepHeader(char* data, std::size_t size, std::size_t count, void* reply) {
  std::string line(data, size * count);
  const std::size_t colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ')) value.erase(0, 1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
    static_cast<HttpReply*>(reply)->headers[name] = value;
  }
  return size * count;
}

}  // namespace

std::string HttpReply::Header(const std::string& name) const {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto it = headers.find(lower);
  return it == headers.end() ? std::string() : it->second;
}

HttpReply HttpClient::Perform(const std::string& method, const std::string& path,
                              const std::vector<std::string>& headers, const std::string* body,
                              const std::string* contentType, const std::vector<FormField>* form) const {
  HttpReply reply;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return reply;
  const std::string url = "http://" + host_ + ":" + std::to_string(port_) + path;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, KeepBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, KeepHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
  curl_slist* list = curl_slist_append(nullptr, "Expect:");
  for (const std::string& header : headers) list = curl_slist_append(list, header.c_str());
  if (contentType != nullptr) list = curl_slist_append(list, ("Content-Type: " + *contentType).c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  curl_mime* mime = nullptr;
  if (method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (method != "GET") {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
  if (body != nullptr) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
  }
  if (form != nullptr) {
    mime = curl_mime_init(curl);
    for (const FormField& field : *form) {
      curl_mimepart* part = curl_mime_addpart(mime);
      curl_mime_name(part, field.name.c_str());
      curl_mime_data(part, field.value.data(), field.value.size());
      if (!field.fileName.empty()) curl_mime_filename(part, field.fileName.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
  }
  if (curl_easy_perform(curl) == CURLE_OK) {
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  } else {
    reply.status = 0;
  }
  curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME, &reply.seconds);
  curl_mime_free(mime);
  curl_slist_free_all(list);
  curl_easy_cleanup(curl);
  return reply;
}

HttpReply HttpClient::Get(const std::string& path, const std::vector<std::string>& headers) const {
  return Perform("GET", path, headers, nullptr, nullptr, nullptr);
}
HttpReply HttpClient::Head(const std::string& path, const std::vector<std::string>& headers) const {
  return Perform("HEAD", path, headers, nullptr, nullptr, nullptr);
}
HttpReply HttpClient::Delete(const std::string& path, const std::vector<std::string>& headers) const {
  return Perform("DELETE", path, headers, nullptr, nullptr, nullptr);
}
HttpReply HttpClient::Post(const std::string& path, const std::string& body, const std::string& contentType,
                           const std::vector<std::string>& headers) const {
  return Perform("POST", path, headers, &body, &contentType, nullptr);
}
HttpReply HttpClient::PostForm(const std::string& path, const std::vector<FormField>& fields,
                               const std::vector<std::string>& headers) const {
  return Perform("POST", path, headers, nullptr, nullptr, &fields);
}

}  // namespace orv::test
