// The HTTP engine as hostile clients meet it, through real sockets on
// loopback: slow heads, bodies past their limit or their time, clients that
// leave, too many connections from one address, request ids.
#include "http/http_engine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "base/unique_fd.h"
#include "support/raw_socket.h"

namespace orv::http {
namespace {

using Clock = std::chrono::steady_clock;

void Send(const UniqueFd& fd, std::string_view text) {
  (void)!::send(fd.get(), text.data(), text.size(), MSG_NOSIGNAL);
}

// What the server sends until it closes the connection or `limit` passes.
std::string Receive(const UniqueFd& fd, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  std::string text;
  const auto end = Clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    pollfd wait{fd.get(), POLLIN, 0};
    if (left <= 0 || ::poll(&wait, 1, static_cast<int>(left)) <= 0) return text;
    char buffer[4096];
    const ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
    if (n <= 0) return text + "<closed>";
    text.append(buffer, static_cast<std::size_t>(n));
  }
}

// /wait never answers (until the client leaves); /upload takes up to 1000
// bytes; anything else answers "hi".
class TestSite final : public Site {
 public:
  class Upload final : public Exchange {
   public:
    Upload(TestSite& site, bool wait) : site_(site), wait_(wait) {}
    std::uint64_t BodyLimit() const override { return 1000; }
    Answer TooLarge() override { return TextAnswer(413, "text/plain", "too large\n"); }
    bool Take(std::string_view piece, Answer&) override {
      site_.taken += piece.size();
      return true;
    }
    void Finish(Reply reply) override {
      if (!wait_) reply(TextAnswer(200, "text/plain", std::to_string(site_.taken.load()) + "\n"));
    }
    void Abandon() override { site_.abandoned = true; }

   private:
    TestSite& site_;
    bool wait_;
  };

  std::unique_ptr<Exchange> Open(const RequestHead& head, std::optional<Answer>& answer) override {
    if (head.path == "/upload" || head.path == "/wait") return std::make_unique<Upload>(*this, head.path == "/wait");
    answer = TextAnswer(200, "text/plain", "hi\n");
    return nullptr;
  }
  std::atomic<std::uint64_t> taken{0};
  std::atomic<bool> abandoned{false};
};

class EngineTest : public ::testing::Test {
 protected:
  void Serve(EngineLimits limits) {
    engine_ = std::make_unique<HttpEngine>(site_, limits);
    std::string error;
    ASSERT_TRUE(engine_->Listen("127.0.0.1", 0, error)) << error;
    engine_->Start();
  }
  ~EngineTest() override {
    if (engine_) engine_->Stop(std::chrono::milliseconds(100));
  }
  int port() const { return engine_->port(); }

  TestSite site_;
  std::unique_ptr<HttpEngine> engine_;
};

TEST_F(EngineTest, SlowHeadsCostASocketAndEndAtTheirDeadline) {
  EngineLimits limits;
  limits.threads = 1;
  limits.headerSeconds = 1;
  limits.clientConnections = 200;
  Serve(limits);
  std::vector<UniqueFd> slow;
  for (int k = 0; k < 100; ++k) {
    slow.push_back(test::ConnectLoopback(port()));
    Send(slow.back(), "G");
  }
  const auto asked = Clock::now();
  const UniqueFd fast = test::ConnectLoopback(port());
  Send(fast, "GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_NE(Receive(fast).find("hi\n"), std::string::npos);
  EXPECT_LT(Clock::now() - asked, std::chrono::milliseconds(900)) << "one thread answered beside 100 slow heads";
  for (const UniqueFd& fd : slow) EXPECT_EQ(Receive(fd, std::chrono::seconds(4)), "<closed>");
}

TEST_F(EngineTest, BodiesAreCountedAsTheyArriveAndTimed) {
  EngineLimits limits;
  limits.headerSeconds = 1;
  limits.bodyBytesPerSecond = 1000;
  Serve(limits);
  // A chunked body past the limit: 413 at once, and no more taken.
  UniqueFd chunked = test::ConnectLoopback(port());
  Send(chunked, "POST /upload HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n");
  for (int k = 0; k < 20; ++k) Send(chunked, "100\r\n" + std::string(256, 'x') + "\r\n");
  EXPECT_EQ(Receive(chunked).rfind("HTTP/1.1 413", 0), 0u);
  EXPECT_LE(site_.taken.load(), 1000u);

  // A Content-Length past the limit: 413 before any of the body.
  UniqueFd announced = test::ConnectLoopback(port());
  Send(announced, "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Length: 5000000\r\n\r\n");
  EXPECT_EQ(Receive(announced, std::chrono::seconds(2)).rfind("HTTP/1.1 413", 0), 0u);

  // A body slower than the rate: given up when its time is out.
  site_.taken = 0;
  UniqueFd trickle = test::ConnectLoopback(port());
  Send(trickle, "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Length: 900\r\n\r\n");
  const auto started = Clock::now();
  std::string answer;
  for (int k = 0; k < 30 && answer.empty(); ++k) {
    Send(trickle, "x");
    answer = Receive(trickle, std::chrono::milliseconds(200));
  }
  EXPECT_EQ(answer, "<closed>");
  EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(2600)) << "1 s plus 900 bytes at 1000 per second";
}

TEST_F(EngineTest, AClientThatLeavesAbandonsItsExchangeAtOnce) {
  Serve(EngineLimits{});
  {
    const UniqueFd client = test::ConnectLoopback(port());
    Send(client, "POST /wait HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_EQ(Receive(client, std::chrono::milliseconds(200)), "");
  }
  const auto left = Clock::now();
  while (!site_.abandoned && Clock::now() - left < std::chrono::seconds(2)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(site_.abandoned);
  EXPECT_LT(Clock::now() - left, std::chrono::milliseconds(500));
}

TEST_F(EngineTest, OneAddressHasItsShareAndEveryAnswerItsId) {
  EngineLimits limits;
  limits.clientConnections = 3;
  Serve(limits);
  std::vector<UniqueFd> held;
  for (int k = 0; k < 3; ++k) held.push_back(test::ConnectLoopback(port()));
  const UniqueFd refused = test::ConnectLoopback(port());
  EXPECT_NE(Receive(refused, std::chrono::seconds(2)).find("503 Service Unavailable"), std::string::npos);
  held.clear();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  struct Case {
    const char* head;
    const char* expected;
  };
  for (const Case& c : {
           Case{"GET / HTTP/1.1\r\nHost: x\r\nHost: y\r\n", "HTTP/1.1 400"},
           Case{"GET / HTTP/1.1\r\nHost: x\r\nX-Request-Id: trace-42.a/b\r\n", "X-Request-Id: trace-42.a/b\r\n"},
           Case{"BREW / HTCPCP/1.0\r\n", "HTTP/1.1 400"},
       }) {
    const UniqueFd client = test::ConnectLoopback(port());
    Send(client, std::string(c.head) + "Connection: close\r\n\r\n");
    EXPECT_NE(Receive(client).find(c.expected), std::string::npos) << c.head;
  }
  const UniqueFd odd = test::ConnectLoopback(port());
  Send(odd, "GET / HTTP/1.1\r\nHost: x\r\nX-Request-Id: a b\r\nConnection: close\r\n\r\n");
  const std::string answer = Receive(odd);
  const std::size_t id = answer.find("X-Request-Id: ");
  ASSERT_NE(id, std::string::npos);
  EXPECT_EQ(answer.find("\r\n", id) - id - 14, 32u) << "a fresh id for one that is not sane";
}

}  // namespace
}  // namespace orv::http
