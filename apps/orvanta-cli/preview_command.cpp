// orvanta-cli preview: serves an output folder on the loopback interface so
// that its pages play through the bundled web player, which browsers refuse
// to start from a file.
#include <fcntl.h>
#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "help_text.h"
#include "http/file_response.h"
#include "http/loopback_guard.h"
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

void Serve(const PreviewSite& site, const httplib::Request& request, httplib::Response& response) {
  const PreviewLookup found = LookUpPreviewPath(site, request.path);
  response.set_header("Cache-Control", "no-store");
  switch (found.status) {
    case PreviewStatus::kGenerated:
      response.set_content(*found.text, "text/html; charset=utf-8");
      return;
    case PreviewStatus::kFile:
      if (!http::SendFile(request, response, found.file, PreviewContentType(found.file))) response.status = 404;
      return;
    case PreviewStatus::kForbidden:
      response.status = 403;
      return;
    case PreviewStatus::kNotFound:
      response.status = 404;
      return;
  }
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
    std::fprintf(stderr, "orvanta-cli preview: no browser could be opened here; open %s in a browser\n", url.c_str());
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

// GET and HEAD are served from the site, to the loopback names only; every
// other method is refused.
void RouteRequests(httplib::Server& server, const PreviewSite& site) {
  http::AnswerOnlyOwnLoopbackHost(server);
  // The library's default shares the port with any other listener
  // (SO_REUSEPORT); a port in use must be refused instead.
  server.set_socket_options([](socket_t socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  auto serve = [&site](const httplib::Request& request, httplib::Response& response) {
    Serve(site, request, response);
  };
  auto refuse = [](const httplib::Request&, httplib::Response& response) {
    response.status = 405;
    response.set_header("Allow", "GET, HEAD");
  };
  server.Get(".*", serve);  // HEAD requests are answered by the GET handler without a body
  server.Post(".*", refuse);
  server.Put(".*", refuse);
  server.Patch(".*", refuse);
  server.Delete(".*", refuse);
  server.Options(".*", refuse);
}

// The port bound on the loopback interface (any free one for 0); 0 or less
// when it cannot be had.
int BindLoopback(httplib::Server& server, int port) {
  if (port == 0) return server.bind_to_any_port("127.0.0.1");
  return server.bind_to_port("127.0.0.1", port) ? port : -1;
}

// Serves until a stop signal arrives or the server ends on its own.
bool ServeUntilStopped(httplib::Server& server, const sigset_t& stopSignals) {
  std::atomic<bool> signalled{false};
  std::thread waiter([&server, &stopSignals, &signalled] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    signalled = true;
    server.stop();
  });
  const bool listened = server.listen_after_bind();
  // Wakes the waiter when the server ended on its own.
  if (!signalled) pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  return listened;
}

}  // namespace

int RunPreviewCommand(const std::vector<std::string>& args) {
  PreviewOptions options;
  std::string error;
  if (!ParsePreviewOptions(args, options, error)) {
    std::fprintf(stderr, "orvanta-cli preview: %s\n%s", error.c_str(), HelpHint("preview").c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(InCurrentLanguage(kPreviewUsage), stdout);
    return kExitOk;
  }
  const WebPlayerBundle webPlayer = LocateWebPlayer();
  const auto site = MakePreviewSite(options.path, webPlayer, error);
  if (!site) {
    std::fprintf(stderr, "orvanta-cli preview: %s\n", error.c_str());
    return kExitFailed;
  }
  if (!webPlayer.found()) {
    std::fprintf(stderr, "orvanta-cli preview: the web player is missing from this installation (%s)\n",
                 webPlayer.folder.c_str());
  }

  const sigset_t stopSignals = BlockStopSignals();

  httplib::Server server;
  RouteRequests(server, *site);
  const int port = BindLoopback(server, options.port);
  if (port <= 0) {
    std::fprintf(stderr, "orvanta-cli preview: cannot listen on 127.0.0.1 port %d: it is taken or not allowed\n",
                 options.port);
    return kExitFailed;
  }

  const std::string url = "http://127.0.0.1:" + std::to_string(port) + site->page;
  std::printf("Serving %s at %s\n", site->root.c_str(), url.c_str());
  std::fflush(stdout);
  if (options.openBrowser) OpenInBrowser(url);
  return ServeUntilStopped(server, stopSignals) ? kExitOk : kExitFailed;
}

}  // namespace orv::cli
