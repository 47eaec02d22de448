// The pieces of the conversion service that judge what a client sends: the
// upload's name, the form's values, the token, the listen address, and the
// zip's entry names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive/zip_writer.h"
#include "http/bearer_token.h"
#include "http/conversion_service.h"
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
}

TEST(BearerToken, OwnerOnlyFilesAndExactMatches) {
  test::ScratchFolder folder;
  const std::string path = folder.Write("token", "  secret-1 \n");
  std::string token, error;
  ::chmod(path.c_str(), 0640);
  EXPECT_FALSE(LoadBearerToken(path, token, error));
  EXPECT_NE(error.find("chmod 600"), std::string::npos);
  ::chmod(path.c_str(), 0600);
  ASSERT_TRUE(LoadBearerToken(path, token, error)) << error;
  EXPECT_EQ(token, "secret-1");
  EXPECT_FALSE(LoadBearerToken(folder / "none", token, error));
  for (const auto& [header, matches] :
       {std::pair{"Bearer secret-1", true}, std::pair{"Bearer secret-2", false}, std::pair{"Bearer secret-10", false},
        std::pair{"Bearer secret-", false}, std::pair{"bearer secret-1", false}, std::pair{"secret-1", false},
        std::pair{"", false}}) {
    EXPECT_EQ(BearerTokenMatches(header, "secret-1"), matches) << header;
  }
  EXPECT_FALSE(BearerTokenMatches("Bearer ", "")) << "an empty token matches nothing";
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
