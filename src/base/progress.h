// The progress seam: status text, a bar with a percentage caption, and the
// `cancelled` flag that every long step reads after PumpMessages. The
// arithmetic lives here; the views (Qt window, terminal bar, test recorder)
// override the hooks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// What an entry's road is doing, for views that say more than the status
// text: the status text keeps its fixed wording, the stage tells the step.
enum class ProgressStage {
  kNone,
  kStartingOffice,   // LibreOffice is being started or reached
  kOpening,          // the presentation is being opened
  kExportingSlides,  // slide `done` of `total` is being exported
  kWritingMovie,     // the movie is being written from the exported slides
  kWritingPages,     // the web pages and the autorun file
};

class Progress {
 public:
  explicit Progress(std::string title = "进度    ");
  virtual ~Progress() = default;
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Shows the view (again, when a cancel removed it) and disables its owner;
  // false when the view cannot be made.
  bool BeginProgress();
  void SetStatusText(std::string_view text);
  void SetRange(std::int32_t lower, std::int32_t upper, std::int32_t step);
  // Returns the previous position.
  std::int32_t SetPos(std::int32_t position);
  std::int32_t StepIt();
  // Lets the view handle pending input; Esc cancels when escCancels is true.
  void PumpMessages(bool escCancels);
  // The cancel request (the Cancel button, Esc, Ctrl-C). The view is hidden;
  // it is removed only when it had disabled its owner.
  void RequestCancel();
  // The step under way; `done` and `total` count slides where they apply.
  void SetStage(ProgressStage stage, std::int32_t done = 0, std::int32_t total = 0);
  // This view's entry is number `index` (from 1) of the `count` in its batch.
  void SetBatchPlace(std::int32_t index, std::int32_t count);

  bool cancelled() const { return cancelled_; }
  std::int32_t position() const { return position_; }
  std::int32_t lastPercent() const { return lastPercent_; }
  std::int32_t lower() const { return lower_; }
  std::int32_t upper() const { return upper_; }
  const std::string& title() const { return title_; }
  const std::string& statusText() const { return status_; }
  // The caption text: the bare title until a percentage has been written.
  const std::string& caption() const { return caption_; }
  // False once a cancel removed the view: the operations then do nothing.
  bool alive() const { return alive_; }
  // BeginProgress disabled a window on the view's behalf.
  bool ownerDisabled() const { return ownerDisabled_; }
  ProgressStage stage() const { return stage_; }
  std::int32_t stageDone() const { return stageDone_; }
  std::int32_t stageTotal() const { return stageTotal_; }
  std::int32_t batchIndex() const { return batchIndex_; }
  std::int32_t batchCount() const { return batchCount_; }

  // "%s [%d%%]" with the title and the percentage.
  static std::string FormatCaption(std::string_view title, std::int32_t percent);
  // (position - lower) x 100.0 / (upper - lower) + 0.5 truncated; 0 for an empty range.
  static std::int32_t Percent(std::int32_t position, std::int32_t lower, std::int32_t upper);

 protected:
  // View hooks; the defaults do nothing.
  virtual bool OnBegin() { return true; }
  // Disables the window that must not take commands while the view lives;
  // true when one is disabled (also when it already was, by this view).
  virtual bool OnDisableOwner() { return false; }
  // The view is up and its owner disabled; a window waits here until it is
  // on the screen, painted and given the keyboard.
  virtual void OnReady() {}
  virtual void OnStatus(const std::string& /*text*/) {}
  virtual void OnCaption(const std::string& /*caption*/) {}
  virtual void OnBar(std::int32_t /*position*/) {}
  // Dispatches pending input; calls RequestCancel() for Esc when escCancels.
  virtual void OnPump(bool /*escCancels*/) {}
  // A cancel: hide the view. alive() tells whether it is also removed.
  virtual void OnCancelled() {}
  // The stage or the batch place changed.
  virtual void OnStage() {}

 private:
  std::string title_;
  std::string caption_;
  std::string status_;
  bool cancelled_ = false;
  bool ownerDisabled_ = false;
  bool alive_ = true;
  std::int32_t position_ = 0;
  std::int32_t lastPercent_ = 0;
  std::int32_t step_ = 1;
  std::int32_t upper_ = 100;
  std::int32_t lower_ = 0;
  ProgressStage stage_ = ProgressStage::kNone;
  std::int32_t stageDone_ = 0;
  std::int32_t stageTotal_ = 0;
  std::int32_t batchIndex_ = 0;
  std::int32_t batchCount_ = 0;
};

}  // namespace orv
