// Crashes on purpose in the way its argument names, with the crash reporter
// installed, so that the tests can read the report it leaves.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/crash_report.h"

extern "C" __attribute__((noinline)) int ProbeWriteThroughNull(volatile int* target) {
  *target = 42;
  return *target;
}

extern "C" __attribute__((noinline)) int ProbeDivide(int numerator, int denominator) {
  volatile int divisor = denominator;
  return numerator / divisor;
}

int main(int argc, char** argv) {
  if (!orv::InstallCrashReporter()) {
    std::fputs("crash reporter not installed\n", stderr);
    return 3;
  }
  const char* how = argc > 1 ? argv[1] : "segv";
  if (std::strcmp(how, "segv") == 0) return ProbeWriteThroughNull(nullptr);
  if (std::strcmp(how, "fpe") == 0) return ProbeDivide(1, 0);
  if (std::strcmp(how, "abort") == 0) std::abort();
  return 0;
}
