// A presentation's slide pictures become one movie, or one per slide, with
// real BMP pictures going through slide preparation.
#include <gtest/gtest.h>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/exported_slides_fixture.h"
#include "movie/movie_test_support.h"
#include "movie/player_config.h"
#include "pipeline/write_movies.h"
#include "support/swf_reader.h"

namespace orv {
namespace {

class ConvertMoviesTest : public test::ExportedSlidesFixture {
 protected:
  ConvertMoviesTest() : ExportedSlidesFixture(40) {}
  std::vector<std::string> Outputs() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  int SlideCount(const std::string& name) const {
    const auto bytes = test::ReadFileBytes(out_ + "/" + name);
    const test::SwfMovie movie = test::ReadSwf(bytes);
    EXPECT_TRUE(movie.ok()) << name;
    int count = 0;
    for (const auto& tag : movie.tags) {
      if (tag.code != test::swf_tag::kDefineBitsJpeg2) continue;
      ++count;
      // The JPEG stream follows the empty table block and starts with SOI.
      EXPECT_EQ(test::Slice(bytes, tag.bodyOffset + 2, 6), test::Hex("ff d9 ff d8 ff d8"));
    }
    return count;
  }
};

TEST_F(ConvertMoviesTest, OneMovieHoldsEverySlide) {
  AddSlides(3);
  settings_.UseTitle = 0;
  ASSERT_EQ(Convert(progress_), 1);
  EXPECT_TRUE(notes_.reports.empty()) << notes_.reports.front();
  ASSERT_EQ(Outputs(), std::vector<std::string>{"Talk.swf"});
  EXPECT_EQ(SlideCount("Talk.swf"), 3);
}

TEST_F(ConvertMoviesTest, ThreeRealSlidesAt640x480AddUpToTheDocumentedLayout) {
  settings_.Width = 640;
  settings_.Height = 480;
  settings_.UseTitle = 0;
  for (int k = 1; k <= 3; ++k) test::WriteSolidBmp(work_ + "/Slide" + std::to_string(k) + ".BMP", 640, 480, 90, 90, 90);
  slides_.delays = {2, 2, 2};
  ASSERT_EQ(Convert(progress_), 1);
  const auto bytes = test::ReadFileBytes(out_ + "/Talk.swf");
  const test::SwfMovie movie = test::ReadSwf(bytes);
  ASSERT_TRUE(movie.ok());

  ConversionSettings copy = settings_;
  const std::size_t L = BuildPlayerConfig(copy, slides_).size();
  std::size_t expected = 78 + L + test::StandInPlayer().size() + 3 * 44 + 28 + 2 * 9 + 43;
  for (const auto& tag : movie.tags) {
    if (tag.code == test::swf_tag::kDefineBitsJpeg2) expected += 6 + tag.length;  // 12 + J
    if (tag.code == test::swf_tag::kDefineShape) {
      EXPECT_EQ(tag.length, 38u);
    }
  }
  EXPECT_EQ(bytes.size(), expected);
  EXPECT_EQ(test::Le32(bytes, 4), bytes.size());
  EXPECT_EQ(test::Slice(bytes, 8, 9), test::Hex("78 00 06 40 00 00 12 c0 00"));
}

TEST_F(ConvertMoviesTest, SplitModeNamesMoviesByNumberOrTitle) {
  AddSlides(3);
  settings_.SplitPPT = 1;
  settings_.UseTitle = 0;
  ASSERT_EQ(Convert(progress_), 1);
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"Talk_1.swf", "Talk_2.swf", "Talk_3.swf"}));
  for (const auto& name : Outputs()) EXPECT_EQ(SlideCount(name), 1);

  // Fewer titles than pictures: the slides without one keep the numbered name.
  std::filesystem::remove_all(out_);
  std::filesystem::create_directories(out_);
  settings_.UseTitle = 1;
  slides_.paths.clear();
  slides_.titles = {"Intro"};
  ASSERT_EQ(Convert(progress_), 1);
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"Intro.swf", "Talk_2.swf", "Talk_3.swf"}));
}

TEST_F(ConvertMoviesTest, NoSlidesCancelAndBadPictures) {
  // No pictures: the presentation is empty.
  EXPECT_EQ(Convert(progress_), 0);
  EXPECT_EQ(notes_.reports, std::vector<std::string>{FormatMessage(msg::kPresentationEmpty, "/docs/Talk.ppt")});

  // Cancel during slide 2: nothing written, and the presentation ends.
  AddSlides(3);
  slides_.paths.clear();
  test::CancellingProgress cancelling(2);
  EXPECT_EQ(Convert(cancelling), 0);
  EXPECT_TRUE(Outputs().empty());

  // A picture that cannot be loaded abandons the movie but not the run.
  test::WriteFile(work_ + "/Slide2.BMP", "not a picture");
  slides_.paths.clear();
  notes_.reports.clear();
  EXPECT_EQ(Convert(progress_), 1);
  EXPECT_EQ(notes_.reports.size(), 1u);
  EXPECT_TRUE(Outputs().empty());
}

}  // namespace
}  // namespace orv
