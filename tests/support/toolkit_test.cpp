// The toolkit's own promises: a scratch folder is private and goes away, a
// folder that cannot be made stops the test, the BMP builder writes the
// bytes the format states, and with CI=true nothing missing passes quietly.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/files.h"
#include "support/needs.h"
#include "support/pictures.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (previous_) {
      ::setenv(name_, previous_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

TEST(ScratchFolder, IsFreshAndGoesAwayWithItsContent) {
  std::string path;
  {
    test::ScratchFolder a, b;
    path = a.path();
    EXPECT_NE(a.path(), b.path());
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_TRUE(a.Names().empty());
    const std::string file = a.Write("deep/er/note.txt", "text");
    EXPECT_EQ(file, a / "deep/er/note.txt");
    EXPECT_EQ(test::ReadFile(file), "text");
    // A test that leaves the folder read-only does not keep it alive.
    ::chmod(path.c_str(), 0500);
  }
  EXPECT_FALSE(fs::exists(path));
}

TEST(ScratchFolder, AFolderThatCannotBeMadeStopsTheTest) {
  test::ScratchFolder outer;
  ScopedEnv tmp("TMPDIR", outer / "missing");
  EXPECT_THROW(test::ScratchFolder(), std::runtime_error);
}

TEST(Files, ReadsBackWhatWasWrittenAndNothingForAMissingFile) {
  test::ScratchFolder folder;
  const test::ByteVector bytes = {0x00, 0xff, 0x0a, 0x0d};
  test::WriteFile(folder / "b.bin", bytes);
  EXPECT_EQ(test::ReadFileBytes(folder / "b.bin"), bytes);
  EXPECT_EQ(test::ReadFile(folder / "absent"), "");
  folder.Write("z", "");
  folder.Write("a", "");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a", "b.bin", "z"}));
}

TEST(Pictures, SolidBmpHasTheHeaderAndPaddedRowsOfTheFormat) {
  // 2x1 red: rows padded to 8 bytes, blue-green-red order.
  const test::ByteVector expected = {'B', 'M', 62,  0, 0,    0,    0, 0, 0,    0,    54, 0, 0, 0,  // file header
                                     40,  0,   0,   0, 2,    0,    0, 0, 1,    0,    0,  0, 1, 0,
                                     24,  0,   0,   0, 0,    0,  // size, width, height, planes, bits, BI_RGB
                                     8,   0,   0,   0, 0xc4, 0x0e, 0, 0, 0xc4, 0x0e, 0,  0, 0, 0,
                                     0,   0,   0,   0, 0,    0,  // image size, 3780 ppm
                                     0,   0,   255, 0, 0,    255,  0, 0};
  EXPECT_EQ(test::SolidBmp(2, 1, 255, 0, 0), expected);
}

void NeedMissing() { ORVANTA_NEEDS(false, "the thing"); }
void WantMissing() { ORVANTA_WANTS(false, "a part"); }

TEST(Needs, WithCiAMissingPieceFailsAndIsNamed) {
  ScopedEnv ci("CI", "true");
  EXPECT_FATAL_FAILURE(NeedMissing(), "missing: the thing");
  EXPECT_NONFATAL_FAILURE(WantMissing(), "missing: a part");
}

TEST(Needs, ElsewhereAMissingPartLetsTheTestGoOn) {
  ScopedEnv ci("CI", "");
  WantMissing();
  ORVANTA_NEEDS(true, "what is there");
  SUCCEED();
}

}  // namespace
}  // namespace orv
