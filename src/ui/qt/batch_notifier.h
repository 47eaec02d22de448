// The notifier in use while the desktop converts a list. It keeps each
// entry's first problem for the entry's status and the summary. With boxes
// (BatchErrors 0) every problem is still shown as it happens, in one box
// with the reason that follows it and the presentation it belongs to;
// without (BatchErrors 1) nothing is shown during the batch.
#pragma once

#include <optional>
#include <string>

#include "base/notifier.h"

namespace orv {

class BatchNotifier final : public Notifier {
 public:
  BatchNotifier(Notifier& shown, bool showBoxes) : shown_(shown), showBoxes_(showBoxes) {}
  ~BatchNotifier() override { Flush(); }
  BatchNotifier(const BatchNotifier&) = delete;
  BatchNotifier& operator=(const BatchNotifier&) = delete;

  // The entry whose problems come next; its first problem is forgotten.
  void BeginEntry(const std::string& source);
  // Shows a report that is still waiting for its reason.
  void Flush();

  // The entry's first problem as the user reads it, and what lies behind it.
  const std::string& firstProblem() const { return first_; }
  const std::string& firstDetails() const { return firstDetails_; }

  void Report(std::string_view text) override;
  void Explain(std::string_view reason) override;
  void ReportWithDetails(std::string_view text, std::string_view details) override;
  bool Ask(std::string_view text) override;

 private:
  // The text with a line naming the presentation when it does not already.
  std::string NamingTheDeck(std::string_view text) const;

  Notifier& shown_;
  bool showBoxes_;
  std::string source_;
  // A report shown once its reason is known (the engine says the reason
  // right after the report).
  std::optional<std::string> held_;
  std::string first_;
  std::string firstDetails_;
  bool lastIsFirst_ = false;
};

}  // namespace orv
