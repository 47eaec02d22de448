// The HTTP layer the program's loopback servers share: which Host headers
// are answered, and files sent from disk whole, in ranges and to HEAD.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

#include "http/file_response.h"
#include "http/host_check.h"
#include "http/loopback_guard.h"
#include "support/files.h"

namespace orv::http {
namespace {

TEST(LoopbackHost, OnlyTheLoopbackNamesWithTheServersPort) {
  struct Case {
    const char* host;
    bool answered;
  };
  for (const Case& c :
       {Case{"127.0.0.1:8470", true}, Case{"localhost:8470", true}, Case{"LocalHost:8470", true},
        Case{"localhost.:8470", true}, Case{"[::1]:8470", true}, Case{"127.0.0.1:8471", false},
        Case{"127.0.0.1", false}, Case{"attacker.example:8470", false}, Case{"localhost.attacker.example:8470", false},
        Case{"127.0.0.2:8470", false}, Case{"[::1]", false}, Case{"::1:8470", false}, Case{"127.0.0.1:+8470", false},
        Case{"127.0.0.1:08470", false}, Case{"127.0.0.1: 8470", false}, Case{"", false},
        Case{"127.0.0.1:8470:8470", false}}) {
    EXPECT_EQ(IsOwnLoopbackHost(c.host, 8470), c.answered) << c.host;
  }
  EXPECT_TRUE(IsOwnLoopbackHost("localhost", 80));
  EXPECT_TRUE(IsOwnLoopbackHost("[::1]", 80));
}

TEST(FileRanges, ARangeMustStartInsideTheFile) {
  using R = httplib::Ranges;
  EXPECT_TRUE(RangesSatisfiable(R{}, 0));
  EXPECT_TRUE(RangesSatisfiable(R{{0, 9}}, 10));
  EXPECT_TRUE(RangesSatisfiable(R{{9, -1}}, 10));
  EXPECT_TRUE(RangesSatisfiable(R{{-1, 20}}, 10));  // the last 20 of 10 bytes: all of them
  EXPECT_FALSE(RangesSatisfiable(R{{10, -1}}, 10));
  EXPECT_FALSE(RangesSatisfiable(R{{0, 1}, {50, 60}}, 10));
  EXPECT_FALSE(RangesSatisfiable(R{{-1, 0}}, 10));
  EXPECT_FALSE(RangesSatisfiable(R{{-1, 5}}, 0));
  EXPECT_FALSE(RangesSatisfiable(R{{0, 0}}, 0));
}

// A real server on a free loopback port, serving one file, as the preview does.
class LoopbackServerTest : public ::testing::Test {
 protected:
  LoopbackServerTest() {
    for (int k = 0; k < 70000; ++k) bytes_ += static_cast<char>('a' + k % 26);
    file_ = folder_.Write("data.bin", bytes_);
    AnswerOnlyOwnLoopbackHost(server_);
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      if (!SendFile(request, response, request.path == "/data.bin" ? file_ : file_ + ".gone", "text/plain")) {
        response.status = 404;
      }
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~LoopbackServerTest() override {
    server_.stop();
    thread_.join();
  }

  httplib::Result Get(const std::string& host, httplib::Headers headers = {}, bool head = false) {
    httplib::Client client("127.0.0.1", port_);
    headers.emplace("Host", host);
    return head ? client.Head("/data.bin", headers) : client.Get("/data.bin", headers);
  }
  std::string Own() const { return "127.0.0.1:" + std::to_string(port_); }

  test::ScratchFolder folder_;
  std::string bytes_, file_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

TEST_F(LoopbackServerTest, AForeignHostIsRefusedBeforeAnyFileIsRead) {
  for (const std::string& host : {"attacker.example:" + std::to_string(port_), std::string("127.0.0.1:1")}) {
    auto reply = Get(host);
    ASSERT_TRUE(reply) << host;
    EXPECT_EQ(reply->status, 421) << host;
    EXPECT_EQ(reply->body.find("abc"), std::string::npos);
  }
  auto local = Get("localhost:" + std::to_string(port_));
  ASSERT_TRUE(local);
  EXPECT_EQ(local->status, 200);
}

TEST_F(LoopbackServerTest, WholeFilesRangesHeadAndRangesPastTheEnd) {
  auto whole = Get(Own());
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->status, 200);
  EXPECT_EQ(whole->body, bytes_);

  struct Case {
    const char* range;
    int status;
    std::string body;
    const char* contentRange;
  };
  for (const Case& c :
       {Case{"bytes=0-9", 206, bytes_.substr(0, 10), "bytes 0-9/70000"},
        Case{"bytes=69990-", 206, bytes_.substr(69990), "bytes 69990-69999/70000"},
        Case{"bytes=-5", 206, bytes_.substr(69995), "bytes 69995-69999/70000"},
        Case{"bytes=65530-65545", 206, bytes_.substr(65530, 16), "bytes 65530-65545/70000"},
        Case{"bytes=70000-", 416, "", "bytes */70000"}, Case{"bytes=900000-900010", 416, "", "bytes */70000"}}) {
    auto reply = Get(Own(), {{"Range", c.range}});
    ASSERT_TRUE(reply) << c.range;
    EXPECT_EQ(reply->status, c.status) << c.range;
    EXPECT_EQ(reply->body, c.body) << c.range;
    EXPECT_EQ(reply->get_header_value("Content-Range"), c.contentRange) << c.range;
  }

  auto head = Get(Own(), {}, true);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  EXPECT_EQ(head->get_header_value("Content-Length"), "70000");
  EXPECT_TRUE(head->body.empty());

  httplib::Client client("127.0.0.1", port_);
  auto missing = client.Get("/other", {{"Host", Own()}});
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
}

}  // namespace
}  // namespace orv::http
