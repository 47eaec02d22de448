// The subcommands of orvanta-cli. Each returns the process exit status:
// 0 success, 1 a file failed or was skipped, 2 bad usage.
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

}  // namespace orv::cli
