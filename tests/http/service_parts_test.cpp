// The pieces of the conversion service that judge what a client sends: the
// upload's name, the form's values, the token, the listen address, and the
// zip's entry names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive/zip_writer.h"
#include "http/bearer_token.h"
#include "http/conversion_service.h"
#include "http/multipart_reader.h"
#include "http/service_form.h"
#include "http/upload_name.h"
#include "support/files.h"

namespace orv::http {
namespace {

TEST(UploadName, OnlyAStemAndAnExtensionComeFromTheClient) {
  struct Case {
    const char* given;
    const char* kept;  // null: refused
  };
  for (const Case& c : {Case{"talk.ppt", "talk.ppt"}, Case{"Talk.PPTX", "Talk.PPTX"}, Case{"课件.odp", "课件.odp"},
                        Case{"../../etc/passwd.ppt", "passwd.ppt"}, Case{"C:\\Users\\a\\deck.pps", "deck.pps"},
                        Case{"..ppt", "_.ppt"}, Case{"a..b.ppsx", "a_b.ppsx"}, Case{".ppt", "presentation.ppt"},
                        Case{"line\nbreak.ppt", "line_break.ppt"}, Case{".deck.ppt", ".deck.ppt"},
                        Case{"notes.txt", nullptr}, Case{"ppt", nullptr}, Case{"", nullptr}, Case{"x.ppt/", nullptr}}) {
    std::string error;
    const auto kept = UploadFileName(c.given, error);
    EXPECT_EQ(kept.has_value(), c.kept != nullptr) << c.given;
    if (kept && c.kept) {
      EXPECT_EQ(*kept, c.kept) << c.given;
    }
  }
  std::string error;
  EXPECT_EQ(UploadFileName(std::string(300, 'x') + ".ppt", error)->size(), 204u);
  EXPECT_EQ(UploadFileName(std::string(198, 'x') + "演示.ppt", error)->size(), 198u + 4u)
      << "a stem is cut between characters, not inside one";
}

TEST(ServiceForm, StoredValuesCheckedAsSettingsSetChecksThem) {
  SettingOverrides values;
  std::string error;
  EXPECT_TRUE(AddFormValue("Width", "800", values, error));
  EXPECT_TRUE(AddFormValue("splitppt", "1", values, error)) << "field names in any case";
  EXPECT_EQ(values.at("Width"), 800);
  // The video's format by its name, as settings set takes it.
  EXPECT_TRUE(AddFormValue("VideoFormat", "webm", values, error));
  EXPECT_EQ(values.at("VideoFormat"), 1);
  struct Case {
    const char* name;
    const char* value;
    const char* says;
  };
  for (const Case& c : {Case{"Width", "900", "given twice"}, Case{"Height", "9999", "16 to 2048"},
                        Case{"Height", "x", "16 to 2048"}, Case{"Colour", "1", "unknown field"},
                        Case{"OutputDir", "/etc", "the service's own"}, Case{"TimeLimit", "0", "the service's own"},
                        Case{"Jobs", "2", "the service's own"}, Case{"VideoHeight", "480", "720/1080/2160"}}) {
    EXPECT_FALSE(AddFormValue(c.name, c.value, values, error)) << c.name;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
  }
  // The shared player's address, the one text a request may give: an http or
  // https address or a path, nothing a script or another scheme reads.
  for (const auto& [url, taken] :
       std::initializer_list<std::pair<std::string, bool>>{{"https://cdn.example.org/ruffle/0.6", true},
                                                           {"HTTP://cdn:8080/r", true},
                                                           {"/shared/ruffle", true},
                                                           {"../player", true},
                                                           {"", true},
                                                           {"javascript:alert%281%29", false},
                                                           {"data:text/javascript", false},
                                                           {"//evil.example/r", false},
                                                           {"https://", false},
                                                           {"/a b", false},
                                                           {"/p\x01q", false},
                                                           {"/p\"+alert(1)+\"", false},
                                                           {"/" + std::string(kMaxWebPlayerUrlBytes, 'x'), false}}) {
    error.clear();
    EXPECT_EQ(CheckWebPlayerUrlField(url, error), taken) << url;
    EXPECT_EQ(error.find("\"WebPlayerUrl\""), taken ? std::string::npos : 0u) << url << ": " << error;
  }
}

TEST(BearerToken, FilesOnlyOursCanReadAndExactMatches) {
  test::ScratchFolder folder;
  const std::string path = folder.Write("token", "  secret-1 \n");
  std::string token, error;
  // Readable by our own group (a Kubernetes Secret with fsGroup) is fine;
  // by others, or writable by the group, is not.
  ASSERT_EQ(::chown(path.c_str(), ::geteuid(), ::getegid()), 0);
  for (const auto& [mode, taken] :
       {std::pair{0600, true}, std::pair{0400, true}, std::pair{0440, true}, std::pair{0640, true},
        std::pair{0644, false}, std::pair{0660, false}, std::pair{0604, false}}) {
    ::chmod(path.c_str(), static_cast<mode_t>(mode));
    EXPECT_EQ(LoadBearerToken(path, token, error), taken) << std::oct << mode;
  }
  EXPECT_NE(error.find("chmod 600"), std::string::npos);
  ::chmod(path.c_str(), 0600);
  ASSERT_TRUE(LoadBearerToken(path, token, error)) << error;
  EXPECT_EQ(token, "secret-1");
  EXPECT_FALSE(LoadBearerToken(folder / "none", token, error));
  for (const auto& [header, matches] :
       {std::pair{"Bearer secret-1", true}, std::pair{"Bearer secret-2", false}, std::pair{"Bearer secret-10", false},
        std::pair{"Bearer secret-", false}, std::pair{"bearer secret-1", true}, std::pair{"BEARER  secret-1", true},
        std::pair{"Bearersecret-1", false}, std::pair{"Basic secret-1", false}, std::pair{"secret-1", false},
        std::pair{"", false}}) {
    EXPECT_EQ(BearerTokenMatches(header, "secret-1"), matches) << header;
  }
  EXPECT_FALSE(BearerTokenMatches("Bearer ", "")) << "an empty token matches nothing";
}

TEST(UploadName, NamesThatAreNotUtf8AreRepaired) {
  for (const auto& [given, repaired] : {
           std::pair<std::string, std::string>{"课件 v2.ppt", "课件 v2.ppt"},
           {"bad\xff\xfe.ppt", "bad\uFFFD\uFFFD.ppt"},
           {"cut\xe8\xaf", "cut\uFFFD\uFFFD"},                // a sequence cut short
           {"\xc0\xaf", "\uFFFD\uFFFD"},                      // an overlong "/"
           {"\xed\xa0\x80", "\uFFFD\uFFFD\uFFFD"},            // a surrogate
           {"\xf4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
       }) {
    EXPECT_EQ(RepairUtf8(given), repaired) << given;
  }
}

// A form read in pieces of every size gives the same parts: a boundary or a
// head split between two pieces is still found.
TEST(MultipartForm, PartsWhateverThePiecesAndDamagedFormsRefused) {
  EXPECT_EQ(FormBoundary("multipart/form-data; boundary=abc"), "abc");
  EXPECT_EQ(FormBoundary("Multipart/Form-Data; charset=utf-8; BOUNDARY=\"a b\""), "a b");
  EXPECT_EQ(FormBoundary("multipart/mixed; boundary=abc"), std::nullopt);
  EXPECT_EQ(FormBoundary("multipart/form-data"), std::nullopt);
  EXPECT_EQ(FormBoundary("multipart/form-data; boundary=" + std::string(71, 'x')), std::nullopt);

  const std::string body =
      std::string(
          "preamble\r\n--XyZ\r\nContent-Disposition: form-data; name=\"Width\"\r\n\r\n800\r\n"
          "--XyZ\r\ncontent-disposition: form-data; name=\"file\"; filename=\"a \\\"b\\\".ppt\"\r\n"
          "Content-Type: application/octet-stream\r\n\r\n\r\n--Xy\r\n-") +
      std::string("\x00\xff", 2) + "\r\n--XyZ--\r\nepilogue";
  for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{13}, body.size()}) {
    std::string seen;
    MultipartReader reader(
        "XyZ",
        [&seen](const FormPart& part) {
          seen += "[" + part.name + (part.hasFileName ? "|" + part.fileName : "") + "]";
          return true;
        },
        [&seen](std::string_view data) {
          seen += data;
          return true;
        });
    for (std::size_t at = 0; at < body.size(); at += piece) ASSERT_TRUE(reader.Feed(body.substr(at, piece)));
    EXPECT_TRUE(reader.complete());
    EXPECT_EQ(seen, "[Width]800[file|a \"b\".ppt]\r\n--Xy\r\n-" + std::string("\x00\xff", 2)) << piece;
  }
  for (const std::string& damaged : {
           std::string("--XyZ\r\nContent-Type: text/plain\r\n\r\nx\r\n--XyZ--"),          // no field name
           std::string("--XyZ\r\nContent-Disposition: attachment; name=\"a\"\r\n\r\nx"),  // not form-data
           std::string("--XyZ\r\nno colon\r\n\r\nx"),
           std::string("--XyZ junk\r\n"),
           "--XyZ\r\nX: " + std::string(9000, 'h'),
       }) {
    MultipartReader reader(
        "XyZ", [](const FormPart&) { return true; }, [](std::string_view) { return true; });
    EXPECT_FALSE(reader.Feed(damaged) && reader.complete()) << damaged.substr(0, 40);
  }
}

TEST(ServiceAddresses, LoopbackOnlyWhereOnlyThisMachineReaches) {
  for (const auto& [host, loopback] :
       {std::pair{"127.0.0.1", true}, std::pair{"127.8.9.10", true}, std::pair{"::1", true},
        std::pair{"localhost", true}, std::pair{"0.0.0.0", false}, std::pair{"10.0.0.1", false}, std::pair{"::", false},
        std::pair{"128.0.0.1", false}}) {
    EXPECT_EQ(IsLoopbackAddress(host), loopback) << host;
  }
}

TEST(ZipWriter, NamesThatCouldLeaveTheFolderAreRefused) {
  test::ScratchFolder folder;
  const std::string file = folder.Write("a.swf", "FWS");
  std::string error;
  EXPECT_TRUE(WriteZip(folder / "ok.zip", {{"a.swf", file, {}}, {"report.json", {}, "{}\n"}}, error)) << error;
  for (const char* name : {"../a.swf", "/a.swf", "x/../../a", "a\\b", ""}) {
    EXPECT_FALSE(WriteZip(folder / "bad.zip", {{name, file, {}}}, error)) << name;
  }
}

}  // namespace
}  // namespace orv::http
