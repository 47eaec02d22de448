#include "base/progress.h"

#include <cstdio>

namespace orv {

Progress::Progress(std::string title) : title_(std::move(title)), caption_(title_) {}

bool Progress::BeginProgress() {
  alive_ = OnBegin();
  if (!alive_) return false;
  ownerDisabled_ = OnDisableOwner();
  OnReady();
  return true;
}

void Progress::SetStatusText(std::string_view text) {
  if (!alive_) return;
  status_ = std::string(text);
  OnStatus(status_);
}

void Progress::SetRange(std::int32_t lower, std::int32_t upper, std::int32_t step) {
  if (!alive_) return;
  lower_ = lower;
  upper_ = upper;
  step_ = step;
}

std::int32_t Progress::Percent(std::int32_t position, std::int32_t lower, std::int32_t upper) {
  if (upper <= lower) return 0;
  double p = (static_cast<double>(position) - lower) * 100.0 / (static_cast<double>(upper) - lower) + 0.5;
  return static_cast<std::int32_t>(p);
}

std::string Progress::FormatCaption(std::string_view title, std::int32_t percent) {
  return std::string(title) + " [" + std::to_string(percent) + "%]";
}

std::int32_t Progress::SetPos(std::int32_t position) {
  if (!alive_) return position_;
  std::int32_t previous = position_;
  position_ = position;
  std::int32_t percent = Percent(position, lower_, upper_);
  if (percent != lastPercent_) {
    lastPercent_ = percent;
    caption_ = FormatCaption(title_, percent);
    OnCaption(caption_);
  }
  OnBar(position_);
  return previous;
}

std::int32_t Progress::StepIt() { return SetPos(position_ + step_); }

void Progress::PumpMessages(bool escCancels) {
  if (cancelled_) return;
  OnPump(escCancels);
}

void Progress::SetStage(ProgressStage stage, std::int32_t done, std::int32_t total) {
  if (!alive_) return;
  stage_ = stage;
  stageDone_ = done;
  stageTotal_ = total;
  OnStage();
}

void Progress::SetBatchPlace(std::int32_t index, std::int32_t count) {
  batchIndex_ = index;
  batchCount_ = count;
  if (alive_) OnStage();
}

void Progress::RequestCancel() {
  if (cancelled_) return;
  cancelled_ = true;
  // A view that left its owner usable stays, hidden, and shows itself again
  // at the next position; one that holds the owner disabled goes away.
  if (ownerDisabled_) alive_ = false;
  OnCancelled();
}

}  // namespace orv
