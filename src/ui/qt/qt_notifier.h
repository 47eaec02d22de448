// The desktop program's notifier: modal message boxes captioned "Orvanta",
// OK with the exclamation icon for reports, Yes and No with the information
// icon for questions.
#pragma once

#include "base/notifier.h"

namespace orv {

class QtNotifier final : public Notifier {
 public:
  void Report(std::string_view text) override;
  bool Ask(std::string_view text) override;
};

}  // namespace orv
