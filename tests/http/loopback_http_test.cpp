// The HTTP layer the program's loopback servers share: which Host headers
// are answered, and files sent from disk whole, in ranges and to HEAD,
// through the real engine serving a preview site.
#include <gtest/gtest.h>

#include <string>

#include "http/file_response.h"
#include "http/host_check.h"
#include "http/http_engine.h"
#include "http/preview_server.h"
#include "support/files.h"
#include "support/http_client.h"

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

TEST(FileRanges, OneRangeClippedToTheFileOrTheWholeFile) {
  struct Case {
    const char* header;
    std::uint64_t size;
    RangeKind kind;
    std::uint64_t first, last;
  };
  for (const Case& c : {
           Case{"bytes=0-9", 10, RangeKind::kPiece, 0, 9},
           Case{"bytes=9-", 10, RangeKind::kPiece, 9, 9},
           Case{"bytes=-20", 10, RangeKind::kPiece, 0, 9},  // the last 20 of 10 bytes: all of them
           Case{"bytes=5-500", 10, RangeKind::kPiece, 5, 9},
           Case{"bytes=10-", 10, RangeKind::kUnsatisfiable, 0, 0},
           Case{"bytes=-0", 10, RangeKind::kUnsatisfiable, 0, 0},
           Case{"bytes=-5", 0, RangeKind::kUnsatisfiable, 0, 0},
           Case{"bytes=0-0", 0, RangeKind::kUnsatisfiable, 0, 0},
           Case{"bytes=0-1,5-6", 10, RangeKind::kWhole, 0, 0},  // several: the whole file, as a server may
           Case{"bytes=5-1", 10, RangeKind::kWhole, 0, 0},
           Case{"items=0-1", 10, RangeKind::kWhole, 0, 0},
           Case{"bytes=x-1", 10, RangeKind::kWhole, 0, 0},
           Case{"bytes=99999999999999999999-", 10, RangeKind::kWhole, 0, 0},
       }) {
    ByteRange range;
    EXPECT_EQ(ParseRange(c.header, c.size, range), c.kind) << c.header;
    if (c.kind == RangeKind::kPiece) {
      EXPECT_EQ(range.first, c.first) << c.header;
      EXPECT_EQ(range.last, c.last) << c.header;
    }
  }
}

// The preview's server on a free loopback port, serving one folder.
class LoopbackServerTest : public ::testing::Test {
 protected:
  LoopbackServerTest() {
    for (int k = 0; k < 70000; ++k) bytes_ += static_cast<char>('a' + k % 26);
    folder_.Write("data.bin", bytes_);
    std::string error;
    site_ = MakePreviewSite(folder_.path(), WebPlayerBundle{}, error).value();
    std::string listenError;
    EXPECT_TRUE(engine_.Listen("127.0.0.1", 0, listenError)) << listenError;
    engine_.Start();
  }
  ~LoopbackServerTest() override { engine_.Stop(std::chrono::seconds(1)); }

  test::HttpReply Get(const std::string& host, std::vector<std::string> headers = {}, bool head = false) {
    headers.push_back("Host: " + host);
    const test::HttpClient client(engine_.port());
    return head ? client.Head("/data.bin", headers) : client.Get("/data.bin", headers);
  }
  std::string Own() const { return "127.0.0.1:" + std::to_string(engine_.port()); }

  test::ScratchFolder folder_;
  std::string bytes_;
  PreviewSite site_;
  PreviewServer server_{site_};
  HttpEngine engine_{server_, EngineLimits{}};
};

TEST_F(LoopbackServerTest, AForeignHostIsRefusedBeforeAnyFileIsRead) {
  for (const std::string& host : {"attacker.example:" + std::to_string(engine_.port()), std::string("127.0.0.1:1")}) {
    const auto reply = Get(host);
    EXPECT_EQ(reply.status, 421) << host;
    EXPECT_EQ(reply.body.find("abc"), std::string::npos);
  }
  EXPECT_EQ(Get("localhost:" + std::to_string(engine_.port())).status, 200);
}

TEST_F(LoopbackServerTest, WholeFilesRangesHeadAndRangesPastTheEnd) {
  const auto whole = Get(Own());
  EXPECT_EQ(whole.status, 200);
  EXPECT_EQ(whole.body, bytes_);

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
    const auto reply = Get(Own(), {std::string("Range: ") + c.range});
    EXPECT_EQ(reply.status, c.status) << c.range;
    EXPECT_EQ(reply.body, c.body) << c.range;
    EXPECT_EQ(reply.Header("Content-Range"), c.contentRange) << c.range;
  }

  const auto head = Get(Own(), {}, true);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.Header("Content-Length"), "70000");
  EXPECT_TRUE(head.body.empty());

  const test::HttpClient client(engine_.port());
  EXPECT_EQ(client.Get("/other", {"Host: " + Own()}).status, 404);
  const auto post = client.Post("/data.bin", "x", "text/plain", {"Host: " + Own()});
  EXPECT_EQ(post.status, 405);
  EXPECT_EQ(post.Header("Allow"), "GET, HEAD");
}

}  // namespace
}  // namespace orv::http
