// The subcommands of orvanta-cli. Each returns the process exit status:
// 0 success; 1 the run went through its list and some entries failed or
// were cancelled (the report names them); 2 bad usage (it will not mend
// itself); 75 (EX_TEMPFAIL) the run could not go through its list (no
// LibreOffice, no output folder, no report): a retry may succeed. A run
// stopped by two Ctrl-C, SIGTERM or SIGHUP ends by that signal (130, 143, 129).
#pragma once

#include <string>
#include <vector>

namespace orv::cli {

int RunSettingsCommand(const std::vector<std::string>& args);
int RunConvertCommand(const std::vector<std::string>& args);
int RunPreviewCommand(const std::vector<std::string>& args);
int RunServeCommand(const std::vector<std::string>& args);
int RunReportCommand(const std::vector<std::string>& args);

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTempFail = 75;

}  // namespace orv::cli
