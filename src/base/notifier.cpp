#include "base/notifier.h"

#include <cstdio>
#include <string>

#include "base/language.h"

namespace orv {
namespace {

StderrNotifier g_default;
Notifier* g_current = &g_default;

template <typename Insert>
std::string Substitute(std::string_view pattern, char conversion, const Insert& insert) {
  std::string out;
  out.reserve(pattern.size() + 32);
  bool used = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      char next = pattern[i + 1];
      if (next == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (!used && next == conversion) {
        out += insert;
        used = true;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace

Notifier& CurrentNotifier() { return *g_current; }
// A fixed message comes in Chinese and goes out in the program's language;
// a text made by FormatMessage is already translated and passes unchanged.
void Notify(std::string_view text) { g_current->Report(Translate(text)); }
bool Ask(std::string_view text) { return g_current->Ask(Translate(text)); }
void Explain(std::string_view reason) { g_current->Explain(reason); }
void NotifyWithDetails(std::string_view text, std::string_view details) {
  g_current->ReportWithDetails(Translate(text), details);
}

ScopedNotifier::ScopedNotifier(Notifier& notifier) : previous_(g_current) { g_current = &notifier; }
ScopedNotifier::~ScopedNotifier() { g_current = previous_; }

void StderrNotifier::Report(std::string_view text) {
  std::fprintf(stderr, "Orvanta: %.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

void StderrNotifier::Explain(std::string_view reason) {
  if (!verbose_ || reason.empty()) return;
  std::fprintf(stderr, "Orvanta:   because: %.*s\n", static_cast<int>(reason.size()), reason.data());
  std::fflush(stderr);
}

bool StderrNotifier::Ask(std::string_view text) {
  Report(text);
  return false;
}

// The pattern is translated before the insert goes in, so that "%s" and
// "%d" keep their places.
std::string FormatMessage(std::string_view pattern, std::string_view insert) {
  return Substitute(Translate(pattern), 's', std::string(insert));
}

std::string FormatMessage(std::string_view pattern, long long number) {
  return Substitute(Translate(pattern), 'd', std::to_string(number));
}

}  // namespace orv
