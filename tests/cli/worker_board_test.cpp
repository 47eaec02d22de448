#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "pool/worker_board.h"

namespace orv::pool {
namespace {

// What a stream got, read back from an in-memory file.
class Captured {
 public:
  Captured() : file_(::open_memstream(&data_, &size_)) {}
  ~Captured() {
    std::fclose(file_);
    std::free(data_);
  }
  std::FILE* file() { return file_; }
  std::string text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

// Without a terminal every line names its file, and percentages come every
// ten percent, as a serial run prints them.
TEST(WorkerBoard, PlainLinesNameTheirFile) {
  Captured out, err;
  {
    WorkerBoard board(2, err.file(), false);
    board.Start(0, "a.ppt");
    board.Start(1, "b.ppt");
    board.Status(0, "正载入文件：  /x/a.ppt");
    board.Percent(1, 0);
    board.Percent(1, 5);
    board.Percent(1, 10);
    board.Percent(1, 19);
    board.Percent(1, 100);
    board.Cancelled(0);
    board.Print(out.file(), "/x/b.ppt: movie /o/b.swf");
  }
  EXPECT_EQ(err.text(), "a.ppt: 正载入文件：  /x/a.ppt\nb.ppt: 0%\nb.ppt: 10%\nb.ppt: 100%\na.ppt: cancelled\n");
  EXPECT_EQ(out.text(), "/x/b.ppt: movie /o/b.swf\n");
}

// On a terminal the bars stay below the printed lines: each line first
// erases the bars, and they are drawn again after it.
TEST(WorkerBoard, TerminalKeepsOneBarPerWorkerBelowTheLines) {
  Captured out, err;
  {
    WorkerBoard board(2, err.file(), true);
    board.Start(0, "a.ppt");
    board.Percent(0, 50);
    board.Print(err.file(), "a line");
  }
  const std::string text = err.text();
  const std::string bars =
      "[##########----------]  50%  a.ppt\n"
      "[                    ]\n";
  const std::string erase = "\033[2F\033[J";
  EXPECT_NE(text.find(bars + erase + "a line\n" + bars + erase), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with(erase)) << "the bars are gone at the end";
}

}  // namespace
}  // namespace orv::pool
