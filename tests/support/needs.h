// Tests that need something of the machine (LibreOffice, the corpus beside the
// checkout, a built program). Where CI=true it must be there: its
// absence fails the test and names it. Elsewhere the test is skipped, loudly.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace orv::test {

inline bool InCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

}  // namespace orv::test

// Use inside a test body: returns from it.
#define ORVANTA_NEEDS(present, what)                                                   \
  do {                                                                                 \
    if (!(present)) {                                                                  \
      if (::orv::test::InCi()) {                                                       \
        FAIL() << "missing: " << (what) << " (CI=true: a missing piece is a failure)"; \
      }                                                                                \
      std::fprintf(stderr, "\n*** SKIPPED: missing %s\n", std::string(what).c_str());  \
      GTEST_SKIP() << "missing: " << (what);                                           \
    }                                                                                  \
  } while (0)

// For a piece a test can do without (one file of several): where CI=true its
// absence fails the test (and the test goes on); elsewhere it is said loudly
// and recorded on the test, which goes on without it.
#define ORVANTA_WANTS(present, what)                                                          \
  do {                                                                                        \
    if (!(present)) {                                                                         \
      if (::orv::test::InCi()) {                                                              \
        ADD_FAILURE() << "missing: " << (what) << " (CI=true: a missing piece is a failure)"; \
      } else {                                                                                \
        std::fprintf(stderr, "\n*** CASE SKIPPED: missing %s\n", std::string(what).c_str());  \
        ::testing::Test::RecordProperty("case_skipped", std::string(what));                   \
      }                                                                                       \
    }                                                                                         \
  } while (0)
