// Posts each finished job, its zip or its error, to the address its client
// gave as `callback`, on a thread of its own: only to hosts the operator
// listed (--callback-allow), over http or https, never following a
// redirect, with the job's id in "X-Orvanta-Job". A connection error or a
// 5xx answer is tried again, at most 3 times, after 1, 2 and 4 s.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace orv::http {

struct Delivery {
  std::string url;
  std::string jobId;
  std::string requestId;
  std::string contentType;
  std::string body;            // the text to post, or empty for `file`
  std::string file;            // the zip to post
  std::shared_ptr<void> keep;  // what must live until the delivery is over (the job's folder)
};

class CallbackSender {
 public:
  // `log` is told how each delivery ended ("delivered", "failed") and why.
  CallbackSender(std::vector<std::string> allowedHosts,
                 std::function<void(const Delivery&, std::string_view outcome, std::string_view detail)> log);
  ~CallbackSender();
  CallbackSender(const CallbackSender&) = delete;
  CallbackSender& operator=(const CallbackSender&) = delete;

  // True when `url` may be a callback; false with the reason.
  bool Allowed(std::string_view url, std::string& why) const;
  // Queued; tried as soon as the thread is free.
  void Send(Delivery delivery);
  // Gives up the waiting deliveries and the retries, and ends the thread
  // once the one in progress is over.
  void Stop();

 private:
  void Run();
  // One try: true when the receiver took it (2xx); `retry` when another
  // try may do better.
  bool Attempt(const Delivery& delivery, bool& retry, std::string& detail);

  std::vector<std::string> allowed_;
  std::function<void(const Delivery&, std::string_view, std::string_view)> log_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Delivery> queue_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace orv::http
