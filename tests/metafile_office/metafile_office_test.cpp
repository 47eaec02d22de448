// LibreOffice converts the help and end slides to PNG; the pictures it makes
// show the same layout our player draws.
#include <cairo.h>
#include <gtest/gtest.h>

#include "support/files.h"
#include "support/needs.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/resources.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

struct Rgb {
  int r, g, b;
};

class Png {
 public:
  explicit Png(const fs::path& path) : surface_(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Png() { cairo_surface_destroy(surface_); }
  Png(const Png&) = delete;
  Png& operator=(const Png&) = delete;

  bool ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface_); }
  int height() const { return cairo_image_surface_get_height(surface_); }
  Rgb Pixel(int x, int y) const {
    cairo_surface_flush(surface_);
    const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface_) +
                                                             y * cairo_image_surface_get_stride(surface_));
    const std::uint32_t p = row[x];
    return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
  }
  // The export puts the picture on a page; the frame is where it lies.
  void SetFrame(int left, int top, int right, int bottom) {
    left_ = left, top_ = top, right_ = right, bottom_ = bottom;
  }
  // The smallest rectangle holding every black pixel.
  bool FindBlackFrame() {
    int left = width(), top = height(), right = -1, bottom = -1;
    for (int y = 0; y < height(); ++y) {
      for (int x = 0; x < width(); ++x) {
        const Rgb p = Pixel(x, y);
        if (p.r + p.g + p.b < 30) {
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
        }
      }
    }
    SetFrame(left, top, right + 1, bottom + 1);
    return right > left && bottom > top;
  }
  int frameLeft() const { return left_; }
  int frameTop() const { return top_; }
  int frameWidth() const { return right_ - left_; }
  int frameHeight() const { return bottom_ - top_; }
  // The pixel at a share of the frame's width and height.
  Rgb At(double fx, double fy) const {
    return Pixel(left_ + static_cast<int>(fx * (frameWidth() - 1)), top_ + static_cast<int>(fy * (frameHeight() - 1)));
  }
  // Pixels inside a share-rectangle of the frame that differ from `background`.
  int Ink(double left, double top, double right, double bottom, Rgb background) const {
    int count = 0;
    for (double fy = top; fy < bottom; fy += 1.0 / frameHeight()) {
      for (double fx = left; fx < right; fx += 1.0 / frameWidth()) {
        const Rgb p = At(fx, fy);
        count += std::abs(p.r - background.r) + std::abs(p.g - background.g) + std::abs(p.b - background.b) > 90;
      }
    }
    return count;
  }

 private:
  cairo_surface_t* surface_;
  int left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
};

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

class MetafileOffice : public ::testing::Test {
 protected:
  void SetUp() override {
    ORVANTA_NEEDS(std::system("command -v soffice >/dev/null 2>&1") == 0, "LibreOffice (soffice)");
    for (const auto& [id, name] : {std::pair{215, "slide_hlp"}, std::pair{214, "slide_end"}}) {
      const auto bytes = Resources().Find(id, "BIN");
      ASSERT_TRUE(bytes.has_value());
      std::ofstream(folder_ / (std::string(name) + ".wmf"), std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
    }
    const std::string command = "cd '" + folder_.string() + "' && timeout 300 soffice -env:UserInstallation=file://" +
                                folder_.string() + "/profile --headless --convert-to png --outdir '" +
                                folder_.string() + "/png' slide_hlp.wmf slide_end.wmf >soffice.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "see " << folder_ / "soffice.log";
    // Keep the pictures beside our own renderings to look at.
    const fs::path artifacts = fs::path(ORVANTA_BINARY_DIR) / "tests" / "artifacts";
    fs::create_directories(artifacts);
    for (const char* name : {"slide_hlp", "slide_end"}) {
      const fs::path png = folder_ / "png" / (std::string(name) + ".png");
      if (fs::exists(png)) {
        fs::copy_file(png, artifacts / (std::string("office_") + name + ".png"), fs::copy_options::overwrite_existing);
      }
    }
  }
  test::ScratchFolder scratch_;
  fs::path folder_ = scratch_.path();
};

TEST_F(MetafileOffice, LibreOfficeDrawsBothSlidesWithTheirLayout) {
  // The end slide is black all over: its black area is where both pictures lie.
  Png end(folder_ / "png" / "slide_end.png");
  ASSERT_TRUE(end.ok());
  ASSERT_TRUE(end.FindBlackFrame());
  EXPECT_NEAR(static_cast<double>(end.frameWidth()) / end.frameHeight(), 4.0 / 3.0, 0.05);
  EXPECT_GT(end.frameWidth(), 300);
  EXPECT_TRUE(Near(end.At(0.5, 0.5), {0, 0, 0}, 8));
  EXPECT_GT(end.Ink(0.4, 0.0, 0.6, 0.08, {0, 0, 0}), 10);  // the caption
  EXPECT_EQ(end.Ink(0.02, 0.15, 0.98, 0.98, {0, 0, 0}), 0);
  EXPECT_EQ(end.Ink(0.02, 0.02, 0.3, 0.1, {0, 0, 0}), 0);

  Png help(folder_ / "png" / "slide_hlp.png");
  ASSERT_TRUE(help.ok());
  ASSERT_EQ(help.width(), end.width());
  ASSERT_EQ(help.height(), end.height());
  help.SetFrame(end.frameLeft(), end.frameTop(), end.frameLeft() + end.frameWidth(),
                end.frameTop() + end.frameHeight());
  EXPECT_TRUE(Near(help.At(0.07, 0.45), {210, 180, 140}, 12));  // tan area, left
  EXPECT_TRUE(Near(help.At(0.93, 0.45), {62, 116, 186}, 12));   // blue area, right
  // White between them, where the player's back zone (the left third) ends.
  EXPECT_TRUE(Near(help.At(1.0 / 3, 0.45), {255, 255, 255}, 8));
  EXPECT_TRUE(Near(help.At(0.29, 0.45), {210, 180, 140}, 12));  // tan up to near the third
  EXPECT_TRUE(Near(help.At(0.38, 0.45), {62, 116, 186}, 12));   // blue from just after it
  EXPECT_TRUE(Near(help.At(0.01, 0.01), {255, 255, 255}, 8));
  EXPECT_GT(help.Ink(0.1, 0.04, 0.9, 0.1, {255, 255, 255}), 50);   // heading
  EXPECT_GT(help.Ink(0.2, 0.6, 0.41, 0.96, {255, 255, 255}), 50);  // Chinese labels
  EXPECT_GT(help.Ink(0.48, 0.6, 0.8, 0.96, {255, 255, 255}), 50);  // keys
}

}  // namespace
}  // namespace orv
