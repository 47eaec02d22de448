// Where the system's fixed message texts go: a dialog in the desktop program,
// "Orvanta: <text>" on standard error in the command line, a recorder in tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv {

class Notifier {
 public:
  virtual ~Notifier() = default;
  // A report: OK button, exclamation icon, captioned "Orvanta".
  virtual void Report(std::string_view text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Ask(std::string_view text) = 0;
  // What lies behind the report just made or about to be made (a codec's
  // error text, LibreOffice's own error, a path and the system's reason).
  // The fixed messages stay as they are; only those who ask see this.
  virtual void Explain(std::string_view /*reason*/) {}
  // A report whose plain first words come with the technical account behind
  // them (LibreOffice's own words): a dialog shows the account as its
  // details. By default the report, then the account as its reason.
  virtual void ReportWithDetails(std::string_view text, std::string_view details) {
    Report(text);
    Explain(details);
  }
};

// The notifier in use. Without one installed, reports go to standard error.
// Notify and Ask translate a fixed message into the program's language
// (base/language.h) before the notifier sees it.
Notifier& CurrentNotifier();
void Notify(std::string_view text);
bool Ask(std::string_view text);
void Explain(std::string_view reason);
void NotifyWithDetails(std::string_view text, std::string_view details);

// Installs a notifier for the lifetime of the object.
class ScopedNotifier {
 public:
  explicit ScopedNotifier(Notifier& notifier);
  ~ScopedNotifier();
  ScopedNotifier(const ScopedNotifier&) = delete;
  ScopedNotifier& operator=(const ScopedNotifier&) = delete;

 private:
  Notifier* previous_;
};

// Prints "Orvanta: <text>" on standard error; questions are answered No.
// Verbose, it also prints each reason as "Orvanta:   because: <reason>".
class StderrNotifier final : public Notifier {
 public:
  explicit StderrNotifier(bool verbose = false) : verbose_(verbose) {}
  void Report(std::string_view text) override;
  bool Ask(std::string_view text) override;
  void Explain(std::string_view reason) override;

 private:
  bool verbose_;
};

// Keeps every text, for tests; questions get the answer set in `answer`.
class RecordingNotifier final : public Notifier {
 public:
  void Report(std::string_view text) override { reports.emplace_back(text); }
  bool Ask(std::string_view text) override {
    questions.emplace_back(text);
    return answer;
  }
  void Explain(std::string_view reason) override { reasons.emplace_back(reason); }
  std::vector<std::string> reports;
  std::vector<std::string> questions;
  std::vector<std::string> reasons;
  bool answer = false;
};

// printf-style "%s" / "%d" substitution for the message templates, which
// are fixed texts with at most a couple of inserts. Only %s, %d and %% are
// understood; inserts are taken in order. The template is translated first.
std::string FormatMessage(std::string_view pattern, std::string_view insert);
std::string FormatMessage(std::string_view pattern, long long number);

}  // namespace orv
