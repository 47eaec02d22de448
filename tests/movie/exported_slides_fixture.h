// A presentation as the export leaves it: grey slide pictures in a working
// folder, settings for 64 x 48 movies written to an output folder, and the
// resource table and notifier that the conversion reports to.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/notifier.h"
#include "base/progress.h"
#include "movie/conversion_settings.h"
#include "movie/movie_test_support.h"
#include "pipeline/output_plan.h"
#include "pipeline/working_folder.h"
#include "pipeline/write_movies.h"
#include "support/files.h"
#include "support/pictures.h"

namespace orv::test {

class ExportedSlidesFixture : public ::testing::Test {
 protected:
  // Slide k gets the shade k x `shadeStep`.
  explicit ExportedSlidesFixture(int shadeStep) : tableScope_(table_), notesScope_(notes_), shadeStep_(shadeStep) {
    work_ = scratch_ / "Talk_zzz_";
    out_ = scratch_ / "out";
    std::filesystem::create_directories(work_);
    std::filesystem::create_directories(out_);
    settings_.Width = 64;
    settings_.Height = 48;
    settings_.OutputFolder = out_;
    settings_.TempFolder = scratch_.path() + "/";
  }

  void AddSlides(int count) {
    for (int k = 1; k <= count; ++k) {
      const auto shade = static_cast<std::uint8_t>(shadeStep_ * k);
      WriteSolidBmp(work_ + "/Slide" + std::to_string(k) + ".BMP", 64, 48, shade, shade, shade);
    }
  }
  // The road from the working folder's pictures to the movies: collected,
  // planned into the output folder, written.
  int Convert(Progress& progress) {
    if (!CollectSlideImages(work_, settings_, slides_, "bmp")) return 0;
    const OutputPlacement placement = placement_.root.empty() ? OutputPlacement::In(out_) : placement_;
    plan_ = OutputPlan::Make("/docs/Talk.ppt", settings_, placement, false, slides_.titles, slides_.paths.size());
    return WriteSlideMovies("/docs/Talk.ppt", settings_, slides_, progress, "bmp", plan_);
  }
  int Convert() { return Convert(progress_); }

  OverlayResources table_;
  ScopedResourceTable tableScope_;
  RecordingNotifier notes_;
  ScopedNotifier notesScope_;
  ScratchFolder scratch_;
  std::string work_, out_;
  ConversionSettings settings_;
  OutputPlacement placement_;  // empty root: everything in out_
  SlideList slides_;
  OutputPlan plan_;
  Progress progress_;

 private:
  int shadeStep_;
};

}  // namespace orv::test
