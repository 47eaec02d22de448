// What the preview server maps request paths onto: the served folder and
// nothing outside it, pages made for movies without one, and the program's
// player for folders converted without it.
#include "http/preview_site.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "folder_index/index_card.h"
#include "support/files.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

void Write(const std::string& path, const std::string& text) { test::WriteFile(path, text); }

// The first bytes of an uncompressed movie with an 800 x 600 frame.
std::string MovieHead() {
  // FWS, version 6, length, RECT nbits 15: 0..16000 x 0..12000 twips.
  std::string head = "FWS\x06";
  head += std::string("\x40\x00\x00\x00", 4);
  const std::uint8_t rect[] = {0x78, 0x00, 0x07, 0xD0, 0x00, 0x00, 0x17, 0x70, 0x00};
  head.append(reinterpret_cast<const char*>(rect), sizeof rect);
  head += std::string("\x00\x0f\x04\x00", 4);
  return head;
}

class PreviewSiteTest : public ::testing::Test {
 protected:
  PreviewSiteTest() {
    Write(out_ / "Talk.htm", "<HTML>page</HTML>");
    Write(out_ / "Talk.swf", MovieHead());
    Write(out_ / "Loose.swf", MovieHead());
    Write(out_ / "ruffle/ruffle.js", "// loader");
    Write(out_ / ".hidden", "secret");
    Write(outside_ / "secret.txt", "outside");
    Write(player_ / "VERSION", "v\n");
    Write(player_ / "ruffle.js", "// installed loader");
  }

  PreviewSite Site(const std::string& path) {
    std::string error;
    auto site = MakePreviewSite(path, ReadWebPlayerBundle(player_.path()), error);
    EXPECT_TRUE(site) << error;
    return site.value_or(PreviewSite{});
  }

  ScratchFolder out_, outside_, player_;
};

TEST_F(PreviewSiteTest, PagesMoviesAndFoldersOpenTheRightPage) {
  PreviewSite page = Site(out_ / "Talk.htm");
  EXPECT_EQ(page.root, fs::canonical(out_.path()).string());
  EXPECT_EQ(page.page, "/Talk.htm");
  EXPECT_TRUE(page.generated.empty());

  // A movie opens its own page when it has one.
  EXPECT_EQ(Site(out_ / "Talk.swf").page, "/Talk.htm");

  // A folder with one page opens it; with several, a list made for it.
  EXPECT_EQ(Site(out_.path()).page, "/Talk.htm");
  Write(out_ / "Other page.htm", "<HTML>other</HTML>");
  PreviewSite folder = Site(out_.path());
  EXPECT_EQ(folder.page, "/");
  const std::string& index = folder.generated.at("/");
  EXPECT_NE(index.find("<a href=\"Other%20page.htm\">Other page.htm</a>"), std::string::npos);
  EXPECT_NE(index.find("<a href=\"Talk.swf\">Talk.swf</a>"), std::string::npos);
  Write(out_ / ".NET Basics.htm", "<HTML>dot</HTML>");
  Write(out_ / "演示文稿.htm", "<HTML>zh</HTML>");
  const std::string names = Site(out_.path()).generated.at("/");
  EXPECT_NE(names.find("<a href=\".NET%20Basics.htm\">.NET Basics.htm</a>"), std::string::npos);
  EXPECT_NE(names.find("<a href=\"%E6%BC%94%E7%A4%BA%E6%96%87%E7%A8%BF.htm\">演示文稿.htm</a>"), std::string::npos);
  // Converted presentations without an index page get it made on the fly.
  const std::uint8_t bare[] = {0xff, 0xd8, 0xff, 0xd9};
  test::WriteFile(out_ / "Talk-thumb.jpg",
                  WithIndexCard(bare, IndexCard{"Talk.ppt", "Budget", 3, "Talk.swf", "Talk.htm", "", "", ""}));
  const std::string made = Site(out_.path()).generated.at("/");
  EXPECT_NE(made.find("<h2><a href=\"Talk.htm\">Budget</a></h2>"), std::string::npos) << made;
  Write(out_ / "index.html", "<html>mine</html>");
  EXPECT_EQ(Site(out_.path()).page, "/index.html");
}

// "/" opens the page the preview was made for: the page given, the movie's
// page (made or found), a folder's index or its only page.
TEST_F(PreviewSiteTest, TheFolderAddressOpensThePage) {
  EXPECT_EQ(LookUpPreviewPath(Site(out_ / "Talk.htm"), "/").file, fs::canonical(out_ / "Talk.htm").string());
  EXPECT_EQ(LookUpPreviewPath(Site(out_.path()), "/").file, fs::canonical(out_ / "Talk.htm").string());
  const PreviewSite loose = Site(out_ / "Loose.swf");
  EXPECT_EQ(LookUpPreviewPath(loose, "/").text, &loose.generated.at("/Loose.htm"));
  Write(out_ / ".deck.htm", "<HTML>dot</HTML>");
  const PreviewSite several = Site(out_.path());
  EXPECT_EQ(LookUpPreviewPath(several, "/").text, &several.generated.at("/"));
}

TEST_F(PreviewSiteTest, MovieWithoutPageGetsOneAtItsFrameSize) {
  PreviewSite site = Site(out_ / "Loose.swf");
  EXPECT_EQ(site.page, "/Loose.htm");
  ASSERT_EQ(site.generated.count("/Loose.htm"), 1u);
  const std::string& page = site.generated.at("/Loose.htm");
  EXPECT_NE(page.find("WIDTH=\"800\" HEIGHT=\"600\""), std::string::npos);
  EXPECT_NE(page.find("VALUE=\"Loose.swf\""), std::string::npos);
  EXPECT_NE(page.find("ruffle/ruffle.js"), std::string::npos);
  EXPECT_FALSE(fs::exists(out_ / "Loose.htm")) << "made in memory, the folder stays as it was";

  const PreviewLookup found = LookUpPreviewPath(site, "/Loose.htm");
  ASSERT_EQ(found.status, PreviewStatus::kGenerated);
  EXPECT_EQ(*found.text, page);
}

TEST_F(PreviewSiteTest, WrongPathsGiveClearErrors) {
  std::string error;
  EXPECT_FALSE(MakePreviewSite(out_ / "gone.htm", {}, error));
  EXPECT_NE(error.find("gone.htm"), std::string::npos);
  Write(out_ / "notes.txt", "text");
  EXPECT_FALSE(MakePreviewSite(out_ / "notes.txt", {}, error));
  EXPECT_NE(error.find("neither a page"), std::string::npos);
  Write(out_ / "fake.swf", "CWS compressed or anything else");
  EXPECT_FALSE(MakePreviewSite(out_ / "fake.swf", {}, error));
  EXPECT_NE(error.find("fake.swf"), std::string::npos);
}

TEST_F(PreviewSiteTest, NothingOutsideTheFolderIsReachable) {
  PreviewSite site = Site(out_ / "Talk.htm");
  EXPECT_EQ(LookUpPreviewPath(site, "/Talk.htm").status, PreviewStatus::kFile);
  EXPECT_EQ(LookUpPreviewPath(site, "/Talk.htm").file, fs::canonical(out_ / "Talk.htm").string());

  const std::string outsideName = fs::path(outside_.path()).filename().string();
  for (const std::string& path :
       {"/../" + outsideName + "/secret.txt", std::string("/ruffle/../../etc/passwd"), std::string("/./Talk.htm"),
        std::string("/.."), std::string("Talk.htm"), std::string(""), std::string("/Talk.htm\0x", 10)}) {
    EXPECT_EQ(LookUpPreviewPath(site, path).status, PreviewStatus::kForbidden) << path;
  }
  // Links are followed only while they stay inside.
  fs::create_symlink(outside_ / "secret.txt", out_ / "link.txt");
  fs::create_directory_symlink(outside_.path(), out_ / "away");
  fs::create_symlink(out_ / "Talk.htm", out_ / "same.htm");
  EXPECT_EQ(LookUpPreviewPath(site, "/link.txt").status, PreviewStatus::kForbidden);
  EXPECT_EQ(LookUpPreviewPath(site, "/away/secret.txt").status, PreviewStatus::kForbidden);
  EXPECT_EQ(LookUpPreviewPath(site, "/same.htm").status, PreviewStatus::kFile);
  // Folders, the player's copy in progress and missing files are simply not there.
  fs::create_directories(out_ / ".ruffle.new.abc123");
  Write(out_ / ".ruffle.new.abc123/ruffle.js", "// half a copy");
  for (const char* path :
       {"/ruffle", "/ruffle/", "/nothing.htm", "/Talk.htm/x", "/.ruffle.new.abc123/ruffle.js", "/a\\..\\b"}) {
    EXPECT_EQ(LookUpPreviewPath(site, path).status, PreviewStatus::kNotFound) << path;
  }
  // Every name the program writes is served: dot names, backslashes.
  Write(out_ / "a\\b.htm", "<HTML>backslash</HTML>");
  for (const char* path : {"/.hidden", "/a\\b.htm"}) {
    EXPECT_EQ(LookUpPreviewPath(site, path).status, PreviewStatus::kFile) << path;
  }
}

TEST_F(PreviewSiteTest, ThePlayerOfTheProgramStandsInForAMissingOne) {
  PreviewSite site = Site(out_ / "Talk.htm");
  EXPECT_EQ(LookUpPreviewPath(site, "/ruffle/ruffle.js").file, fs::canonical(out_ / "ruffle/ruffle.js").string());
  fs::remove_all(out_ / "ruffle");
  EXPECT_EQ(LookUpPreviewPath(site, "/ruffle/ruffle.js").file, fs::canonical(player_ / "ruffle.js").string());
  EXPECT_EQ(LookUpPreviewPath(site, "/ruffle/../Talk.htm").status, PreviewStatus::kForbidden);
  EXPECT_EQ(LookUpPreviewPath(site, "/ruffle/VERSION").status, PreviewStatus::kFile);
  // So does it for a player folder that is a link out of the served folder.
  Write(outside_ / "ruffle/ruffle.js", "// someone else's");
  fs::create_directory_symlink(outside_ / "ruffle", out_ / "ruffle");
  EXPECT_EQ(LookUpPreviewPath(site, "/ruffle/ruffle.js").file, fs::canonical(player_ / "ruffle.js").string());
}

// Pages that load a shared player from a path on the site get the program's
// player there; other addresses are not the preview's to serve.
TEST_F(PreviewSiteTest, ThePlayerOfTheProgramStandsInForASharedOne) {
  auto page = [](const std::string& base) {
    return "<HTML>\r\n<HEAD>\r\n<script>\r\n    window.RufflePlayer.config = {\"publicPath\": \"" + base +
           "\", \"autoplay\": \"on\"};\r\n</script>\r\n</HEAD>\r\n</HTML>\r\n";
  };
  Write(out_ / "Shared.htm", page("/shared/ruffle/"));
  Write(out_ / "Cdn.htm", page("https://cdn.example.org/ruffle/"));
  Write(out_ / "Host.htm", page("//cdn.example.org/ruffle/"));
  Write(out_ / "Up.htm", page("/../etc/"));
  Write(out_ / "Relative.htm", page("../player/"));
  PreviewSite site = Site(out_ / "Talk.htm");
  EXPECT_EQ(site.sharedPlayerPaths, std::set<std::string>{"/shared/ruffle"});
  EXPECT_EQ(Site(out_.path()).sharedPlayerPaths, std::set<std::string>{"/shared/ruffle"});

  const std::string installed = fs::canonical(player_ / "ruffle.js").string();
  EXPECT_EQ(LookUpPreviewPath(site, "/shared/ruffle/ruffle.js").file, installed);
  EXPECT_EQ(LookUpPreviewPath(site, "/shared//ruffle/VERSION").status, PreviewStatus::kFile);
  for (const char* path : {"/shared/ruffle", "/shared/ruffle/", "/shared/ruffle.js", "/shared/ruffle/nothing.js"}) {
    EXPECT_EQ(LookUpPreviewPath(site, path).status, PreviewStatus::kNotFound) << path;
  }
  EXPECT_EQ(LookUpPreviewPath(site, "/shared/ruffle/../../Talk.htm").status, PreviewStatus::kForbidden);
  // A folder that holds the player itself serves its own.
  Write(out_ / "shared/ruffle/ruffle.js", "// the site's own");
  EXPECT_EQ(LookUpPreviewPath(site, "/shared/ruffle/ruffle.js").file,
            fs::canonical(out_ / "shared/ruffle/ruffle.js").string());
  // Without a player of the program's there is nothing to stand in.
  std::string error;
  EXPECT_TRUE(
      MakePreviewSite(out_ / "Talk.htm", ReadWebPlayerBundle(outside_.path()), error)->sharedPlayerPaths.empty());
}

TEST(PreviewNames, ContentTypesAndAddresses) {
  EXPECT_EQ(PreviewContentType("core.ruffle.0123.wasm"), "application/wasm");
  EXPECT_EQ(PreviewContentType("/x/Talk.SWF"), "application/x-shockwave-flash");
  EXPECT_EQ(PreviewContentType("Talk.htm"), "text/html; charset=utf-8");
  EXPECT_EQ(PreviewContentType("Talk-html5.html"), "text/html; charset=utf-8");
  EXPECT_EQ(PreviewContentType("ruffle.js"), "text/javascript; charset=utf-8");
  EXPECT_EQ(PreviewContentType("LICENSE_MIT"), "application/octet-stream");
  EXPECT_EQ(PreviewContentType("a.d/noext"), "application/octet-stream");

  EXPECT_EQ(EncodeUrlPath("/Talk_1-a.b~.htm"), "/Talk_1-a.b~.htm");
  EXPECT_EQ(EncodeUrlPath("/Step #3?.htm"), "/Step%20%233%3F.htm");
  EXPECT_EQ(EncodeUrlPath("/演示.htm"), "/%E6%BC%94%E7%A4%BA.htm");
  EXPECT_EQ(EncodeUrlPath("100%"), "100%25");
}

}  // namespace
}  // namespace orv
