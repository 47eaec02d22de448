// The crash reporter: when the process dies of a fatal signal (SIGSEGV,
// SIGBUS, SIGFPE, SIGILL, SIGABRT), a plain-text report with the fault, the
// registers and the call stack is appended to a file beside the program, and
// the signal then goes on to the disposition that was installed before.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// The report file for a program path: its extension replaced by "RPT" when
// the text after the last "." of the file name holds at least three
// characters, otherwise the path with ".RPT" appended, so that the report
// never lands in the program file itself.
std::string CrashReportPath(std::string_view programPath);

// Installs the handlers on an alternate stack; the report goes to
// CrashReportPath of the running program. Safe to call more than once.
bool InstallCrashReporter();

}  // namespace orv
