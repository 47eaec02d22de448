// orvanta-cli preview: serves an output folder on the loopback interface so
// that its pages play through the bundled web player, which browsers refuse
// to start from a file.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "help_text.h"
#include "http/http_engine.h"
#include "http/preview_server.h"
#include "http/preview_site.h"

extern char** environ;

namespace orv::cli {
namespace {

constexpr HelpText kPreviewUsage = {
    // English
    "Usage: orvanta-cli preview [OPTIONS] PATH\n"
    "\n"
    "Serves the folder of PATH, read only, on 127.0.0.1 and opens its page in the\n"
    "browser, where the movie plays through the Flash player emulator that comes\n"
    "with Orvanta. PATH is a page (.htm), a movie (.swf; a movie without a page\n"
    "gets one made on the fly) or an output folder. Runs until Ctrl-C.\n"
    "\n"
    "Options:\n"
    "  --port N       listen on port N (default: a free port)\n"
    "  --no-browser   only print the address\n",
    // Chinese
    "用法：orvanta-cli preview [OPTIONS] PATH\n"
    "\n"
    "以只读方式在 127.0.0.1 上提供 PATH 所在的文件夹，并在浏览器中打开其中的\n"
    "网页，影片通过 Orvanta 随附的 Flash 播放器模拟器播放。PATH 可以是网页\n"
    "（.htm）、影片（.swf；没有网页的影片会即时为它生成一个）或输出目录。\n"
    "一直运行到按下 Ctrl-C。\n"
    "\n"
    "选项：\n"
    "  --port N       在端口 N 上监听（默认：一个空闲端口）\n"
    "  --no-browser   只显示地址\n",
};

struct PreviewOptions {
  std::string path;
  int port = 0;
  bool openBrowser = true;
  bool help = false;
};

bool ParsePreviewOptions(const std::vector<std::string>& args, PreviewOptions& options, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--no-browser") {
      options.openBrowser = false;
    } else if (arg == "--port" || arg.starts_with("--port=")) {
      std::string value;
      if (arg == "--port") {
        if (i + 1 >= args.size()) {
          error = "--port needs a value";
          return false;
        }
        value = args[++i];
      } else {
        value = arg.substr(7);
      }
      char* end = nullptr;
      const long port = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || port < 1 || port > 65535) {
        error = "--port: a port is a number from 1 to 65535";
        return false;
      }
      options.port = static_cast<int>(port);
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      error = "unknown option " + arg;
      return false;
    } else if (options.path.empty()) {
      options.path = arg;
    } else {
      error = "only one PATH can be previewed";
      return false;
    }
  }
  if (!options.help && options.path.empty()) {
    error = "no PATH given";
    return false;
  }
  return true;
}

// Hands the address to the desktop's handler, quietly: when it cannot open
// a browser (none installed, no desktop), a hint of ours says what to do
// instead of its own noise. The server does not wait for it.
void OpenInBrowser(const std::string& url) {
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = "xdg-open";
  std::vector<char*> argv{program.data(), const_cast<char*>(url.c_str()), nullptr};
  pid_t child = 0;
  const bool started = posix_spawnp(&child, program.c_str(), &files, &attributes, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attributes);
  std::thread([started, child, url] {
    int status = 0;
    if (started && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
    std::fprintf(stderr, "Orvanta: no browser could be opened here; open %s in a browser\n", url.c_str());
  }).detach();
}

// Ctrl-C and SIGTERM are taken by one waiting thread, which stops the
// server; every other thread keeps them blocked.
sigset_t BlockStopSignals() {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  return stopSignals;
}

// Serves until a stop signal arrives.
void ServeUntilStopped(http::HttpEngine& engine, const sigset_t& stopSignals) {
  engine.Start();
  int signal = 0;
  sigwait(&stopSignals, &signal);
  engine.Stop(std::chrono::seconds(1));
}

}  // namespace

int RunPreviewCommand(const std::vector<std::string>& args) {
  PreviewOptions options;
  std::string error;
  if (!ParsePreviewOptions(args, options, error)) {
    std::fprintf(stderr, "Orvanta: %s\n%s", error.c_str(), HelpHint("preview").c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(InCurrentLanguage(kPreviewUsage), stdout);
    return kExitOk;
  }
  const WebPlayerBundle webPlayer = LocateWebPlayer();
  const auto site = MakePreviewSite(options.path, webPlayer, error);
  if (!site) {
    std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
    return kExitFailed;
  }
  if (!webPlayer.found()) {
    std::fprintf(stderr, "Orvanta: the web player is missing from this installation (%s)\n", webPlayer.folder.c_str());
  }

  const sigset_t stopSignals = BlockStopSignals();

  http::PreviewServer server(*site);
  http::HttpEngine engine(server, http::EngineLimits{});
  if (!engine.Listen("127.0.0.1", options.port, error)) {
    std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
    return kExitFailed;
  }
  const int port = engine.port();

  const std::string url = "http://127.0.0.1:" + std::to_string(port) + site->page;
  std::printf("Serving %s at %s\n", site->root.c_str(), url.c_str());
  std::fflush(stdout);
  if (options.openBrowser) OpenInBrowser(url);
  ServeUntilStopped(engine, stopSignals);
  return kExitOk;
}

}  // namespace orv::cli
