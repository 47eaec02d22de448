#include "http/callback_sender.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>

namespace orv::http {
namespace {

constexpr int kMostRetries = 3;
constexpr long kConnectSeconds = 10;
constexpr long kTransferSeconds = 120;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

// A part of a parsed address, or empty.
std::string UrlPart(CURLU* url, CURLUPart part) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) return {};
  std::string value = text;
  curl_free(text);
  return value;
}

struct CurlHandle {
  CURL* curl = curl_easy_init();
  curl_slist* headers = nullptr;
  std::FILE* file = nullptr;
  ~CurlHandle() {
    if (file != nullptr) std::fclose(file);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
  }
};

std::size_t ReadFromFile(char* buffer, std::size_t size, std::size_t count, void* file) {
  return std::fread(buffer, size, count, static_cast<std::FILE*>(file));
}

std::size_t DropAnswer(char*, std::size_t size, std::size_t count, void*) { return size * count; }

}  // namespace

CallbackSender::CallbackSender(std::vector<std::string> allowedHosts,
                               std::function<void(const Delivery&, std::string_view, std::string_view)> log)
    : log_(std::move(log)) {
  for (const std::string& host : allowedHosts) allowed_.push_back(Lower(host));
  curl_global_init(CURL_GLOBAL_DEFAULT);
  thread_ = std::thread([this] { Run(); });
}

CallbackSender::~CallbackSender() {
  Stop();
  curl_global_cleanup();
}

void CallbackSender::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool CallbackSender::Allowed(std::string_view address, std::string& why) const {
  CURLU* url = curl_url();
  const std::string text(address);
  const bool parsed = curl_url_set(url, CURLUPART_URL, text.c_str(), 0) == CURLUE_OK;
  const std::string scheme = parsed ? Lower(UrlPart(url, CURLUPART_SCHEME)) : "";
  const std::string host = parsed ? Lower(UrlPart(url, CURLUPART_HOST)) : "";
  const std::string port = parsed ? UrlPart(url, CURLUPART_PORT) : "";
  curl_url_cleanup(url);
  if (!parsed || (scheme != "http" && scheme != "https") || host.empty()) {
    why = "\"callback\" must be an http or https address";
    return false;
  }
  for (const std::string& allowed : allowed_) {
    if (allowed == host || (!port.empty() && allowed == host + ":" + port)) return true;
  }
  why = "\"callback\": the host " + host + " is not one this service may call (--callback-allow)";
  return false;
}

void CallbackSender::Send(Delivery delivery) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    queue_.push_back(std::move(delivery));
  }
  wake_.notify_all();
}

bool CallbackSender::Attempt(const Delivery& delivery, bool& retry, std::string& detail) {
  CurlHandle handle;
  retry = false;
  if (handle.curl == nullptr) {
    detail = "libcurl could not be started";
    return false;
  }
  CURL* curl = handle.curl;
  curl_easy_setopt(curl, CURLOPT_URL, delivery.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTransferSeconds);
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, DropAnswer);
  handle.headers = curl_slist_append(handle.headers, ("Content-Type: " + delivery.contentType).c_str());
  handle.headers = curl_slist_append(handle.headers, ("X-Orvanta-Job: " + delivery.jobId).c_str());
  handle.headers = curl_slist_append(handle.headers, ("X-Request-Id: " + delivery.requestId).c_str());
  handle.headers = curl_slist_append(handle.headers, "Expect:");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, handle.headers);
  if (!delivery.file.empty()) {
    handle.file = std::fopen(delivery.file.c_str(), "rbe");
    if (handle.file == nullptr) {
      detail = "the job's answer is gone";
      return false;
    }
    std::fseek(handle.file, 0, SEEK_END);
    const long size = std::ftell(handle.file);
    std::rewind(handle.file);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadFromFile);
    curl_easy_setopt(curl, CURLOPT_READDATA, handle.file);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
  } else {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, delivery.body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(delivery.body.size()));
  }
  const CURLcode result = curl_easy_perform(curl);
  if (result != CURLE_OK) {
    detail = curl_easy_strerror(result);
    retry = true;
    return false;
  }
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  detail = "HTTP " + std::to_string(status);
  retry = status >= 500;
  return status >= 200 && status < 300;
}

void CallbackSender::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    Delivery delivery = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    std::string detail;
    bool delivered = false;
    for (int attempt = 0; attempt <= kMostRetries; ++attempt) {
      if (attempt > 0) {
        std::unique_lock pause(mutex_);
        if (wake_.wait_for(pause, std::chrono::seconds(1 << (attempt - 1)), [this] { return stopping_; })) break;
      }
      bool retry = false;
      delivered = Attempt(delivery, retry, detail);
      if (delivered || !retry) break;
    }
    log_(delivery, delivered ? "delivered" : "failed", detail);
    lock.lock();
  }
}

}  // namespace orv::http
