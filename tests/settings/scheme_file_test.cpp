#include "settings/scheme_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "base/messages.h"
#include "support/files.h"

namespace orv {
namespace {

using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
std::vector<std::uint8_t> AsBytes(const std::string& text) { return {text.begin(), text.end()}; }

class SchemeFileTest : public ::testing::Test {
 protected:
  ScratchFolder folder;
  RecordingNotifier notes;
  std::string scheme = folder / "list.p2s";

  // Three presentations that exist on disk.
  std::vector<std::string> MakePresentations() {
    std::vector<std::string> paths;
    for (const char* name : {"a.ppt", "第二.pps", "c.pptx"}) {
      paths.push_back(folder / name);
      WriteFile(paths.back(), "x");
    }
    return paths;
  }
};

TEST_F(SchemeFileTest, BytesOfZeroOneAndThreeEntries) {
  EXPECT_EQ(AsText(EncodeScheme({})), std::string("P2S\0", 4));
  EXPECT_EQ(EncodeScheme({"C:\\a.ppt"}), (std::vector<std::uint8_t>{0x50, 0x32, 0x53, 0x01, 0x08, 0x00, 0x00, 0x00,
                                                                    0x43, 0x3A, 0x5C, 0x61, 0x2E, 0x70, 0x70, 0x74}));
  EXPECT_EQ(AsText(EncodeScheme({"/a.ppt", "/bb.ppt", ""})), std::string("P2S\x03"
                                                                         "\x06\0\0\0/a.ppt"
                                                                         "\x07\0\0\0/bb.ppt"
                                                                         "\0\0\0\0",
                                                                         4 + 3 * 4 + 13));
}

TEST_F(SchemeFileTest, SavedListLoadsBackInOrder) {
  auto paths = MakePresentations();
  ASSERT_EQ(SaveSchemeFile(scheme, paths, notes), SchemeStatus::Ok);
  std::size_t expected = 4 + 3 * 4;
  for (const auto& p : paths) expected += p.size();
  EXPECT_EQ(ReadFile(scheme).size(), expected);

  SchemeLoadResult loaded = LoadSchemeFile(scheme, notes);
  EXPECT_EQ(loaded.status, SchemeStatus::Ok);
  EXPECT_EQ(loaded.paths, paths);
  EXPECT_TRUE(notes.reports.empty());
}

TEST_F(SchemeFileTest, LongPathKeepsItsWholeLength) {
  std::string longPath = "/" + std::string(253, 'd') + "/x.pt";  // 259 bytes
  ASSERT_EQ(longPath.size(), 259u);
  auto bytes = EncodeScheme({longPath});
  ASSERT_EQ(bytes.size(), 4u + 4u + 259u);
  EXPECT_EQ(bytes[4], 0x03);
  EXPECT_EQ(bytes[5], 0x01);
  EXPECT_EQ(bytes[6], 0x00);
  SchemeEntries decoded = DecodeScheme(bytes);
  ASSERT_TRUE(decoded.valid);
  EXPECT_EQ(decoded.paths, std::vector<std::string>{longPath});
}

TEST_F(SchemeFileTest, MissingEntriesAreReportedAndSkipped) {
  auto paths = MakePresentations();
  ASSERT_EQ(SaveSchemeFile(scheme, paths, notes), SchemeStatus::Ok);
  std::filesystem::remove(paths[1]);
  SchemeLoadResult loaded = LoadSchemeFile(scheme, notes);
  EXPECT_EQ(loaded.status, SchemeStatus::Ok);
  EXPECT_EQ(loaded.paths, (std::vector<std::string>{paths[0], paths[2]}));
  EXPECT_EQ(loaded.skipped, 1);
  EXPECT_EQ(notes.reports, std::vector<std::string>{"找不到文件 " + paths[1] + " ，已略过！"});
}

TEST_F(SchemeFileTest, EmptySchemeLoadsAsAnEmptyList) {
  WriteFile(scheme, std::string("P2S\0", 4));
  SchemeLoadResult loaded = LoadSchemeFile(scheme, notes);
  EXPECT_EQ(loaded.status, SchemeStatus::Ok);
  EXPECT_TRUE(loaded.paths.empty());
  EXPECT_TRUE(notes.reports.empty());
}

TEST_F(SchemeFileTest, TruncatedOrOverlongFilesAreInvalidWithoutReadingPastTheEnd) {
  auto paths = MakePresentations();
  std::string whole = AsText(EncodeScheme(paths));
  // Every cut short of the whole file, the header included.
  for (std::size_t size = 0; size < whole.size(); ++size) {
    EXPECT_FALSE(DecodeScheme(AsBytes(whole.substr(0, size))).valid) << size;
  }
  EXPECT_FALSE(DecodeScheme(AsBytes(std::string("P2S\x01\xFF\xFF\xFF\xFF/a", 10))).valid);
  EXPECT_FALSE(DecodeScheme(AsBytes(std::string("P2S\x02\x01\0\0\0x", 9))).valid) << "count past the end";
  // Bytes after the last entry are not part of the list.
  auto trailing = DecodeScheme(AsBytes(whole + "junk"));
  ASSERT_TRUE(trailing.valid);
  EXPECT_EQ(trailing.paths, paths);

  // Through the file: one message, no skip reports for the entries read so far.
  WriteFile(scheme, whole.substr(0, whole.size() - 1));
  SchemeLoadResult loaded = LoadSchemeFile(scheme, notes);
  EXPECT_EQ(loaded.status, SchemeStatus::Invalid);
  EXPECT_TRUE(loaded.paths.empty());
  EXPECT_EQ(notes.reports, std::vector<std::string>{msg::kSchemeInvalid});
}

TEST_F(SchemeFileTest, SignatureMustBeUpperCase) {
  WriteFile(scheme, std::string("p2s\0", 4));
  EXPECT_EQ(LoadSchemeFile(scheme, notes).status, SchemeStatus::Invalid);
  WriteFile(scheme, "P2");
  EXPECT_EQ(LoadSchemeFile(scheme, notes).status, SchemeStatus::Invalid);
  EXPECT_EQ(notes.reports, (std::vector<std::string>{msg::kSchemeInvalid, msg::kSchemeInvalid}));
}

TEST_F(SchemeFileTest, FailuresAreReportedNotSilent) {
  EXPECT_EQ(LoadSchemeFile(folder / "none.p2s", notes).status, SchemeStatus::FileMissing);
  EXPECT_EQ(SaveSchemeFile(scheme, {}, notes), SchemeStatus::EmptyList);
  EXPECT_FALSE(std::filesystem::exists(scheme));
  std::string unwritable = folder / "no/such/folder/list.p2s";
  EXPECT_EQ(SaveSchemeFile(unwritable, {"/a.ppt"}, notes), SchemeStatus::FileError);
  EXPECT_EQ(notes.reports, (std::vector<std::string>{"找不到文件 " + folder / "none.p2s" + " ！", msg::kListEmpty,
                                                     unwritable + " 找不到."}));

  std::string pipe = folder / "pipe.p2s";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(LoadSchemeFile(pipe, notes).status, SchemeStatus::FileError) << "a pipe is refused, not waited on";

  std::vector<std::string> tooMany(256, "/a.ppt");
  EXPECT_EQ(SaveSchemeFile(scheme, tooMany, notes), SchemeStatus::TooManyEntries);
  EXPECT_FALSE(std::filesystem::exists(scheme)) << "a count byte cannot hold 256";
}

TEST_F(SchemeFileTest, AnEntryWithANulByteNamesNoFile) {
  auto paths = MakePresentations();
  std::string hostile = paths[0] + std::string("\0tail", 5);
  WriteFile(scheme, AsText(EncodeScheme({hostile, paths[2]})));
  SchemeLoadResult loaded = LoadSchemeFile(scheme, notes);
  EXPECT_EQ(loaded.paths, std::vector<std::string>{paths[2]});
  EXPECT_EQ(loaded.skipped, 1);
}

}  // namespace
}  // namespace orv
