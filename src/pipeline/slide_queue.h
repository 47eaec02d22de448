// The slides of one presentation as the LibreOffices that share it take
// them: each takes the next slide nobody has taken, so that one that comes
// late (still starting or opening the file) takes fewer, or none, and nobody
// waits for it.
#pragma once

#include <atomic>
#include <future>

namespace orv {

// The fewest slides worth sharing. A slide takes about 0.05 s to export at
// 640 x 480, and a LibreOffice that already runs opens a deck in 0.2 to
// 0.6 s (bench/office_floor.py on the corpus decks of bench/run_convert.sh,
// 2 cores); below about a dozen slides the others' open costs more processor
// time than their share saves.
inline constexpr int kMinimumSharedSlides = 12;

class SlideQueue {
 public:
  SlideQueue() : count_(given_.get_future().share()) {}

  // From the first LibreOffice once it knows the slides: `count` of them to
  // share, or 0 when it exports them alone. Once only.
  void Open(int count) { given_.set_value(count); }
  // Waits for Open; the count it gave.
  int WaitForCount() const { return count_.get(); }

  // The next slide to export (from 1), or 0 when every one has been taken.
  int Take(int count) {
    const int slide = next_.fetch_add(1);
    return slide <= count ? slide : 0;
  }
  void Exported() { exported_.fetch_add(1); }
  int exported() const { return exported_.load(); }

 private:
  std::promise<int> given_;
  std::shared_future<int> count_;
  std::atomic<int> next_{1};
  std::atomic<int> exported_{0};
};

}  // namespace orv
