#include "ui/qt/batch_notifier.h"

#include "base/messages.h"
#include "pipeline/output_names.h"

namespace orv {

void BatchNotifier::BeginEntry(const std::string& source) {
  Flush();
  source_ = source;
  first_.clear();
  firstDetails_.clear();
  lastIsFirst_ = false;
}

void BatchNotifier::Flush() {
  if (!held_) return;
  shown_.Report(*held_);
  held_.reset();
}

std::string BatchNotifier::NamingTheDeck(std::string_view text) const {
  std::string named(text);
  if (source_.empty() || named.find(OutputStem(source_)) != std::string::npos) return named;
  return named + "\n" + FormatMessage(msg::kPresentationNamed, SourceFileName(source_));
}

void BatchNotifier::Report(std::string_view text) {
  Flush();
  lastIsFirst_ = first_.empty();
  if (lastIsFirst_) first_ = NamingTheDeck(text);
  if (showBoxes_) held_ = NamingTheDeck(text);
}

void BatchNotifier::Explain(std::string_view reason) {
  if (lastIsFirst_ && firstDetails_.empty()) firstDetails_ = std::string(reason);
  lastIsFirst_ = false;
  if (!held_) {
    shown_.Explain(reason);
    return;
  }
  // The system's reason is plain enough to be read with the report; the
  // file it names is left out when the report names it already.
  std::string_view plain = reason;
  if (const std::size_t colon = plain.find(": ");
      colon != std::string_view::npos && colon > 0 && held_->find(plain.substr(0, colon)) != std::string::npos) {
    plain.remove_prefix(colon + 2);
  }
  *held_ += "\n\n" + std::string(plain);
  Flush();
}

void BatchNotifier::ReportWithDetails(std::string_view text, std::string_view details) {
  Flush();
  if (first_.empty()) {
    first_ = NamingTheDeck(text);
    firstDetails_ = std::string(details);
  }
  lastIsFirst_ = false;
  if (showBoxes_) shown_.ReportWithDetails(NamingTheDeck(text), details);
}

bool BatchNotifier::Ask(std::string_view text) {
  Flush();
  return shown_.Ask(text);
}

}  // namespace orv
