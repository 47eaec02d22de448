// `orvanta-cli serve` as a platform uses it: real HTTP against the real
// program, its workers and their LibreOffices.
#include <gtest/gtest.h>

#include "support/http_client.h"
#include "support/needs.h"
#include "support/raw_socket.h"
#include "support/unzip.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <atomic>
#include <future>
#include <nlohmann/json.hpp>

#include "base/unique_fd.h"
#include "convert/cli_runner.h"
#include "http/http_engine.h"

namespace orv {
namespace {

fs::path Corpus(const std::string& name) { return fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / name; }

// The processes whose parent is `parent`.
std::vector<pid_t> ChildrenOf(pid_t parent) {
  std::vector<pid_t> children;
  for (pid_t pid : ProcessesWhoseCommandHas("")) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const auto close = text.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(text.substr(close + 2));
    std::string state;
    pid_t ppid = 0;
    fields >> state >> ppid;
    if (ppid == parent) children.push_back(pid);
  }
  return children;
}

// A running service on a free loopback port, with its own settings and
// temporary folders and its log in a file; SIGTERM and a wait when the test
// is done with it.
class Service {
 public:
  Service(std::vector<std::string> args, rlim_t fileSizeLimit = 0) {
    // As systemd starts it: no locale, a short PATH. Uploads named in Chinese
    // must convert all the same.
    std::vector<std::string> env = {"HOME=" + config_.path(), "XDG_CONFIG_HOME=" + config_.path(),
                                    "TMPDIR=" + tmp_.path(), "PATH=/usr/bin:/bin"};
    for (const char* kept : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
      if (const char* value = std::getenv(kept)) env.push_back(std::string(kept) + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    args.insert(args.begin(), {ORVANTA_CLI, "--language", "zh", "serve", "--listen", "127.0.0.1:0"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string log = logFolder_.path() + "/serve.log";
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      const int err = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(err, STDERR_FILENO);
      if (fileSizeLimit > 0) {
        rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while (text.find('\n') == std::string::npos && (n = ::read(out[0], buffer, sizeof buffer)) > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    const auto colon = text.find("127.0.0.1:");
    if (colon != std::string::npos) port_ = std::atoi(text.c_str() + colon + 10);
  }
  ~Service() {
    if (pid_ > 0 && !ended_) Stop();
  }
  int Stop() {
    ::kill(pid_, SIGTERM);
    return Wait();
  }
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    ended_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Waits for /health/ready: a worker's LibreOffice has converted.
  bool Ready() const {
    for (int k = 0; k < 1200; ++k) {
      if (Get("/health/ready").status == 200) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  std::string config() const { return config_.path(); }
  std::string tmp() const { return tmp_.path(); }
  std::vector<pid_t> Workers() const { return ChildrenOf(pid_); }
  // The log's lines so far, each parsed as JSON (a line that is not stays
  // a string).
  std::vector<nlohmann::json> Log() const {
    std::vector<nlohmann::json> lines;
    std::istringstream text(test::ReadFile(logFolder_.path() + "/serve.log"));
    for (std::string line; std::getline(text, line);) {
      const auto json = nlohmann::json::parse(line, nullptr, false);
      lines.push_back(json.is_discarded() ? nlohmann::json(line) : json);
    }
    return lines;
  }

  test::HttpReply Post(const fs::path& file, const std::vector<std::pair<std::string, std::string>>& fields = {},
                       const std::vector<std::string>& headers = {}, const std::string& path = "/v1/convert") const {
    std::vector<test::FormField> form;
    if (!file.empty()) form.push_back({"file", test::ReadFile(file), file.filename().string()});
    for (const auto& [name, value] : fields) form.push_back({name, value, ""});
    return test::HttpClient(port_).PostForm(path, form, headers);
  }
  test::HttpReply Get(const std::string& path) const { return test::HttpClient(port_).Get(path); }
  std::string Metric(const std::string& name) const {
    const std::string text = Get("/metrics").body;
    const std::size_t at = text.find("\n" + name + " ");
    return at == std::string::npos ? "(none)"
                                   : text.substr(at + name.size() + 2, text.find('\n', at + 1) - at - name.size() - 2);
  }

 private:
  test::ScratchFolder config_, tmp_, logFolder_;
  pid_t pid_ = -1;
  int port_ = 0;
  bool ended_ = false;
};

// Waits (bounded) until `holds`; false when it never did.
bool WaitFor(const std::function<bool()>& holds, std::chrono::seconds limit = std::chrono::seconds(120)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!holds()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::string ErrorCode(const test::HttpReply& reply) {
  const auto json = nlohmann::json::parse(reply.body, nullptr, false);
  return json.is_object() && json.contains("error") ? json["error"].get<std::string>() : "(no JSON error)";
}

bool OfficeGone(pid_t worker) {
  return ProcessesWhoseCommandHas("orvanta-office-" + std::to_string(worker) + "-").empty();
}

class Serve : public ::testing::Test {
 protected:
  void SetUp() override {
    ORVANTA_NEEDS(OfficeAvailable(), "LibreOffice (soffice)");
    ORVANTA_NEEDS(fs::exists(Corpus("basic_test_ppt_file.ppt")), Corpus("basic_test_ppt_file.ppt").string());
  }
};

TEST_F(Serve, AnswersAreWhatConvertWritesAndErrorsSayWhy) {
  Service service({"--workers", "2", "--time-limit", "120"});
  ASSERT_GT(service.port(), 0);
  ASSERT_TRUE(service.Ready());
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  auto reply = service.Post(deck, {{"Width", "320"}, {"Height", "240"}, {"GenHTML5", "1"}, {"GenScorm", "1"}},
                            {"X-Request-Id: client-trace-1"});
  ASSERT_EQ(reply.status, 200) << reply.body;
  EXPECT_EQ(reply.Header("Content-Type"), "application/zip");
  EXPECT_EQ(reply.Header("X-Request-Id"), "client-trace-1");
  const auto files = test::Unzip(reply.body);

  test::ScratchFolder out;
  CliRun convert = RunCli({"--output-dir", out.path(), "--width", "320", "--height", "240", "--scorm", deck.string()},
                          service.config(), CliOptions{});
  ASSERT_EQ(convert.status, 0) << convert.err;
  std::set<std::string> written;
  for (const std::string& name : test::FileNames(out.path())) {
    if (name == "ruffle") continue;
    written.insert(name);
    const std::string answered = files.count(name) ? files.at(name) : "(missing)";
    if (name == "index.html") {  // the same list, under no folder's name
      EXPECT_NE(answered.find("<img src=\"basic_test_ppt_file-thumb.jpg\""), std::string::npos) << answered;
      continue;
    }
    if (name.ends_with("-scorm.zip")) {
      // The package's files carry the time they were packed; what they hold is the same.
      EXPECT_EQ(test::Unzip(answered), test::UnzipFile(out / name)) << name;
      EXPECT_EQ(test::Unzip(answered).size(), 2u);
      continue;
    }
    // The service's pages name the program, not its path on the server.
    std::string wrote = test::ReadFile(out / name);
    const std::string here = fs::canonical(ORVANTA_CLI).string() + " preview ";
    for (std::size_t at = wrote.find(here); at != std::string::npos; at = wrote.find(here, at)) {
      wrote.replace(at, here.size(), "orvanta-cli preview ");
    }
    EXPECT_EQ(answered, wrote) << name;
    EXPECT_EQ(answered.find(here), std::string::npos) << name << " names the server's path";
  }
  EXPECT_EQ(files.size(), written.size() + 1) << "more than the outputs and report.json";
  const auto report = nlohmann::json::parse(files.at("report.json"));
  EXPECT_EQ(report["source"], "basic_test_ppt_file.ppt");
  EXPECT_EQ(report["status"], "converted");

  // Split movies named after titles, from a path-like upload name, and a
  // name that is not UTF-8, repaired before anything uses it.
  for (const std::string& name : {std::string("../../etc/课件.ppt"), std::string("bad\xff\xfe name.ppt")}) {
    auto split = test::HttpClient(service.port())
                     .PostForm("/v1/convert", {{"file", test::ReadFile(deck), name}, {"SplitPPT", "1", ""}});
    ASSERT_EQ(split.status, 200) << name << ": " << split.body;
    for (const auto& [entry, bytes] : test::Unzip(split.body)) {
      EXPECT_TRUE(entry.find('/') == std::string::npos && entry.find("..") == std::string::npos) << entry;
      EXPECT_EQ(entry.find('\xff'), std::string::npos) << entry;
    }
  }

  struct Case {
    const char* what;
    fs::path file;
    std::vector<std::pair<std::string, std::string>> fields;
    int status;
    const char* code;
  };
  for (const Case& c : {
           Case{"a damaged deck", Corpus("Password_Protected-hello.ppt"), {}, 422, "not-converted"},
           Case{"an unknown field", deck, {{"Colour", "1"}}, 400, "bad-value"},
           Case{"a value out of range", deck, {{"Width", "9999"}}, 400, "bad-value"},
           Case{"the service's own value", deck, {{"OutputDir", "/etc"}}, 400, "bad-value"},
           Case{"a lesson without its HTML5 version", deck, {{"GenScorm", "1"}, {"GenHTML5", "0"}}, 400, "bad-value"},
           Case{"more time than the service gives", deck, {{"TimeLimit", "121"}}, 400, "bad-value"},
           Case{"an unknown language", deck, {{"Language", "fr"}}, 400, "bad-value"},
           Case{"a script for the player", deck, {{"WebPlayerUrl", "javascript:alert%281%29"}}, 400, "bad-value"},
           Case{"a callback without a job", deck, {{"callback", "http://127.0.0.1/"}}, 400, "bad-value"},
           Case{"no file", {}, {{"Width", "320"}}, 400, "bad-form"},
           Case{"not a presentation's name", "notes.txt", {}, 400, "bad-form"},
       }) {
    auto answer = service.Post(c.file, c.fields);
    EXPECT_EQ(answer.status, c.status) << c.what << ": " << answer.body;
    EXPECT_EQ(ErrorCode(answer), c.code) << c.what;
    EXPECT_EQ(answer.body.find(service.tmp()), std::string::npos) << "the request's folder leaks: " << answer.body;
  }
  // A shared player asked for by the request: the page loads it from there.
  const auto shared =
      service.Post(deck, {{"TimeLimit", "60"}, {"Language", "en"}, {"WebPlayerUrl", "https://cdn.example.org/ruffle"}});
  ASSERT_EQ(shared.status, 200) << shared.body;
  const auto sharedFiles = test::Unzip(shared.body);
  ASSERT_TRUE(sharedFiles.count("basic_test_ppt_file.htm"));
  EXPECT_NE(sharedFiles.at("basic_test_ppt_file.htm").find("https://cdn.example.org/ruffle/"), std::string::npos);
  const test::HttpClient plain(service.port());
  const auto misnamed = plain.PostForm("/v1/convert", {{"upload", test::ReadFile(deck), "talk.ppt"}});
  EXPECT_EQ(misnamed.status, 400);
  EXPECT_NE(misnamed.body.find(R"(send the presentation in the form field \"file\")"), std::string::npos)
      << misnamed.body;
  EXPECT_EQ(plain.Post("/v1/convert", "x", "text/plain").status, 400);
  const auto wrongMethod = plain.Get("/v1/convert");
  EXPECT_EQ(wrongMethod.status, 405);
  EXPECT_EQ(wrongMethod.Header("Allow"), "POST");
  EXPECT_EQ(plain.Get("/nothing").status, 404);

  for (const char* path : {"/health", "/health/ready", "/health/live"}) {
    const auto health = service.Get(path);
    EXPECT_EQ(health.status, 200) << path;
    const auto state = nlohmann::json::parse(health.body);
    EXPECT_EQ(state["workers"], 2) << path;
    EXPECT_NE(state["office"].get<std::string>().find("LibreOffice"), std::string::npos);
  }
  EXPECT_EQ(nlohmann::json::parse(service.Get("/health").body)["status"], "ok");
  const std::string metrics = service.Get("/metrics").body;
  for (const char* line :
       {"orvanta_requests_total{outcome=\"converted\"} 4", "orvanta_requests_total{outcome=\"not-converted\"} 1",
        "orvanta_requests_total{outcome=\"bad-value\"} 8", "orvanta_request_seconds_count 17", "orvanta_workers 2",
        "orvanta_workers_ready 2", "orvanta_queue_length 0"}) {
    EXPECT_NE(metrics.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << metrics;
  }
  const auto workers = service.Workers();
  EXPECT_EQ(service.Stop(), 0);
  for (pid_t worker : workers) EXPECT_TRUE(OfficeGone(worker)) << "LibreOffice of worker " << worker << " lives on";
  EXPECT_EQ(test::FileNames(service.tmp()), std::vector<std::string>{}) << "left in the temporary folder";

  // The log: every line JSON; one access line per request, with its id.
  std::map<std::string, std::size_t> events;
  bool traced = false;
  for (const nlohmann::json& line : service.Log()) {
    ASSERT_TRUE(line.is_object()) << line;
    events[line.value("event", "")]++;
    if (line["event"] == "access" && line["request_id"] == "client-trace-1") {
      traced = line["status"] == 200 && line["slides"] == 2 && line["bytes_in"].get<int>() > 10000 &&
               line["path"] == "/v1/convert" && line["method"] == "POST";
    }
  }
  EXPECT_TRUE(traced) << "no access line for the traced request";
  EXPECT_GE(events["access"], 19u);
  EXPECT_EQ(events["worker"], 2u) << "two workers started";
  EXPECT_EQ(events["error"], 1u) << "the damaged deck";
}

// Workers are replaced every 3 presentations meanwhile: nothing is lost.
TEST_F(Serve, FourClientsAtOnceEachGetTheirOwnAnswer) {
  Service service({"--workers", "2", "--restart-after", "3"});
  ASSERT_TRUE(service.Ready());
  const std::vector<std::pair<fs::path, int>> mix = {{Corpus("basic_test_ppt_file.ppt"), 200},
                                                     {Corpus("Password_Protected-hello.ppt"), 422},
                                                     {Corpus("slide_master.ppt"), 200},
                                                     {Corpus("54880_chinese.ppt"), 200},
                                                     {Corpus("incorrect_slide_order.ppt"), 200}};
  std::vector<std::future<std::vector<std::string>>> clients;
  for (int c = 0; c < 4; ++c) {
    clients.push_back(std::async(std::launch::async, [&service, &mix, c] {
      std::vector<std::string> wrong;
      for (int r = 0; r < 5; ++r) {
        const auto& [file, status] = mix[static_cast<std::size_t>(c + r) % mix.size()];
        auto reply = service.Post(file, {{"Width", std::to_string(320 + 16 * c)}});
        if (reply.status != status) {
          wrong.push_back(file.filename().string() + ": " + std::to_string(reply.status));
          continue;
        }
        if (status != 200) continue;
        // Its own movie: the width asked for, in its report.
        const auto files = test::Unzip(reply.body);
        const auto report = nlohmann::json::parse(files.at("report.json"));
        if (report["source"] != file.filename().string()) wrong.push_back("someone else's answer");
        const std::string page = files.at(file.stem().string() + ".htm");
        if (page.find("WIDTH=\"" + std::to_string(320 + 16 * c) + "\"") == std::string::npos) {
          wrong.push_back(file.filename().string() + ": another request's width");
        }
      }
      return wrong;
    }));
  }
  for (auto& client : clients) EXPECT_EQ(client.get(), std::vector<std::string>{});
  EXPECT_EQ(service.Metric("orvanta_request_seconds_count"), "20");
  EXPECT_EQ(service.Metric("orvanta_office_restarts_total"), "6");
  const auto workers = service.Workers();
  EXPECT_EQ(service.Stop(), 0);
  for (pid_t worker : workers) EXPECT_TRUE(OfficeGone(worker));
}

// A worker held (SIGSTOP) in the middle of a request: with no queue the next
// request gets 429; SIGTERM then answers a queued one 503, lets the held one
// finish once it goes on, and ends with nothing left.
TEST_F(Serve, TheQueueLimitAndSigtermDuringAConversion) {
  Service service({"--workers", "1", "--queue", "1"});
  ASSERT_TRUE(service.Ready());
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  ASSERT_EQ(service.Post(deck).status, 200);
  const std::vector<pid_t> workers = service.Workers();
  ASSERT_EQ(workers.size(), 1u);
  ::kill(workers[0], SIGSTOP);
  auto held = std::async(std::launch::async, [&] { return service.Post(deck); });
  ASSERT_TRUE(WaitFor([&] { return service.Metric("orvanta_workers_busy") == "1"; }));
  auto queued = std::async(std::launch::async, [&] { return service.Post(deck); });
  ASSERT_TRUE(WaitFor([&] { return service.Metric("orvanta_queue_length") == "1"; }));
  auto refused = service.Post(deck);
  EXPECT_EQ(refused.status, 429);
  EXPECT_EQ(refused.Header("Retry-After"), "5");

  ::kill(service.pid(), SIGTERM);
  auto queuedReply = queued.get();
  EXPECT_EQ(queuedReply.status, 503);
  EXPECT_EQ(ErrorCode(queuedReply), "shutting-down");
  ::kill(workers[0], SIGCONT);
  EXPECT_EQ(held.get().status, 200) << "the running conversion was not let finish";
  EXPECT_EQ(service.Wait(), 0);
  EXPECT_TRUE(OfficeGone(workers[0]));
  EXPECT_EQ(test::FileNames(service.tmp()), std::vector<std::string>{});
}

// A worker killed in the middle of a request costs that request (500) and no
// other; so does its LibreOffice; a LibreOffice held past the time limit
// gives 504, and the next deck converts: the fresh LibreOffice started
// before it was handed out, never inside its time.
TEST_F(Serve, ALostWorkerAKilledLibreOfficeAndAHungOne) {
  Service service({"--workers", "1", "--time-limit", "20"});
  ASSERT_TRUE(service.Ready());
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  ASSERT_EQ(service.Post(deck).status, 200);
  const pid_t worker = service.Workers().at(0);
  ::kill(worker, SIGSTOP);
  auto lost = std::async(std::launch::async, [&] { return service.Post(deck); });
  ASSERT_TRUE(WaitFor([&] { return service.Metric("orvanta_workers_busy") == "1"; }));
  ::kill(worker, SIGKILL);
  auto lostReply = lost.get();
  EXPECT_EQ(lostReply.status, 500);
  EXPECT_EQ(ErrorCode(lostReply), "worker-died");
  EXPECT_EQ(lostReply.Header("Retry-After"), "5");
  EXPECT_EQ(service.Post(deck).status, 200) << "the next request after a lost worker";

  const auto offices = [&service] {
    return ProcessesWhoseCommandHas("orvanta-office-" + std::to_string(service.Workers().at(0)) + "-");
  };
  for (pid_t office : offices()) ::kill(office, SIGSTOP);
  auto killed = std::async(std::launch::async, [&] { return service.Post(deck); });
  ASSERT_TRUE(WaitFor([&] { return service.Metric("orvanta_workers_busy") == "1"; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (pid_t office : offices()) ::kill(office, SIGKILL);
  auto killedReply = killed.get();
  EXPECT_EQ(killedReply.status, 500) << killedReply.body;
  EXPECT_EQ(ErrorCode(killedReply), "office-died");
  EXPECT_EQ(service.Post(deck).status, 200) << "the next request after a killed LibreOffice";

  for (pid_t office : offices()) ::kill(office, SIGSTOP);
  auto hung = service.Post(deck, {{"TimeLimit", "3"}});
  EXPECT_EQ(hung.status, 504) << hung.body;
  EXPECT_LT(hung.seconds, 10) << "the request's own time limit";
  for (int k = 0; k < 3; ++k) EXPECT_EQ(service.Post(deck, {{"TimeLimit", "8"}}).status, 200) << "after a 504";
  EXPECT_EQ(service.Metric("orvanta_office_restarts_total"), "3") << "the lost worker and two LibreOffices";
  EXPECT_EQ(service.Stop(), 0);
}

TEST_F(Serve, TokensUploadLimitsAndLibreOfficeThatCannotStart) {
  test::ScratchFolder secrets;
  const std::string token = secrets.Write("token", "s3cret-token\n");
  ::chmod(token.c_str(), 0644);
  auto serveStatus = [](std::vector<std::string> args) {
    std::string command = std::string(ORVANTA_CLI) + " serve";
    for (const auto& arg : args) command += " '" + arg + "'";
    return WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str()));
  };
  EXPECT_EQ(serveStatus({"--listen", "0.0.0.0:0"}), 2) << "beyond loopback without a token";
  EXPECT_EQ(serveStatus({"--listen", "0.0.0.0:0", "--token-file", token}), 2) << "a token others can read";
  ::chmod(token.c_str(), 0600);

  Service guarded({"--workers", "1", "--token-file", token, "--max-upload", "1"});
  ASSERT_TRUE(guarded.Ready());
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  EXPECT_EQ(guarded.Post(deck).status, 401);
  EXPECT_EQ(guarded.Post(deck, {}, {"Authorization: Bearer s3cret-tokem"}).status, 401);
  EXPECT_EQ(guarded.Post(deck, {}, {"Authorization: Bearer s3cret-token"}).status, 200);
  EXPECT_EQ(guarded.Post(deck, {}, {"Authorization: bearer s3cret-token"}).status, 200) << "the scheme in any case";
  EXPECT_EQ(guarded.Get("/health").status, 200) << "health needs no token";
  const auto large = guarded.Post(Corpus("bug56240.ppt"), {}, {"Authorization: Bearer s3cret-token"});
  EXPECT_EQ(large.status, 413);
  EXPECT_EQ(guarded.Stop(), 0);

  // LibreOffice cannot write its profile: it never starts.
  Service starved({"--workers", "1", "--retry-wait", "30"}, 64 * 1024);
  ASSERT_TRUE(WaitFor([&] { return starved.Get("/health").body.find("cannot be started") != std::string::npos; }));
  EXPECT_EQ(starved.Get("/health/ready").status, 503);
  EXPECT_EQ(starved.Get("/health/live").status, 200);
  auto refused = starved.Post(deck);
  EXPECT_EQ(refused.status, 503);
  EXPECT_EQ(ErrorCode(refused), "office-unavailable");
  EXPECT_EQ(refused.Header("Retry-After"), "30");
  EXPECT_EQ(starved.Stop(), 0);
}

// What /proc says this process has written so far (files, sockets, pipes).
std::uint64_t BytesWritten(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "wchar:") return value;
  }
  return 0;
}

// True once the server has closed the connection, within `waitMs`.
bool ClosedWithin(const UniqueFd& fd, int waitMs) {
  pollfd wait{fd.get(), POLLIN, 0};
  char byte;
  return ::poll(&wait, 1, waitMs) == 1 && ::recv(fd.get(), &byte, 1, 0) == 0;
}

std::string FirstLine(const UniqueFd& fd, int waitMs) {
  pollfd wait{fd.get(), POLLIN, 0};
  char buffer[512] = {};
  if (::poll(&wait, 1, waitMs) <= 0 || ::recv(fd.get(), buffer, sizeof buffer - 1, 0) <= 0) return "(nothing)";
  const std::string text = buffer;
  return text.substr(0, text.find("\r\n"));
}

// 200 clients that send their heads a byte at a time hold no one up: health
// and a conversion answer as they do alone. Uploads past the limit are
// refused as they arrive, chunked or not, and nothing more is written.
TEST_F(Serve, SlowClientsAndOversizedUploadsHoldNoOneUp) {
  Service service({"--workers", "1", "--max-upload", "1", "--client-connections", "300"});
  ASSERT_TRUE(service.Ready());
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  const auto time = [](auto&& call) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(call().status, 200);
    return std::chrono::steady_clock::now() - started;
  };
  const auto usualHealth = time([&] { return service.Get("/health/ready"); });
  const auto usualConversion = time([&] { return service.Post(deck); });
  std::vector<UniqueFd> slow;
  for (int k = 0; k < 200; ++k) {
    slow.push_back(test::ConnectLoopback(service.port()));
    (void)!::send(slow.back().get(), "P", 1, MSG_NOSIGNAL);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LT(time([&] { return service.Get("/health/ready"); }), usualHealth + std::chrono::seconds(1));
  EXPECT_LT(time([&] { return service.Post(deck); }), usualConversion + std::chrono::seconds(1));
  for (const UniqueFd& fd : slow) (void)!::send(fd.get(), "O", 1, MSG_NOSIGNAL);
  EXPECT_TRUE(ClosedWithin(slow.front(), 12000)) << "a slow head is cut off at its deadline";
  slow.clear();

  // Chunked, past the limit: 413, and at most one piece more written.
  const std::uint64_t before = BytesWritten(service.pid());
  std::string big(8 << 20, 'x');
  const auto chunked = test::HttpClient(service.port())
                           .PostForm("/v1/convert", {{"file", big, "big.ppt"}}, {"Transfer-Encoding: chunked"});
  EXPECT_EQ(chunked.status, 413);
  EXPECT_EQ(ErrorCode(chunked), "too-large");
  EXPECT_LT(BytesWritten(service.pid()) - before, (1u << 20) + 256u * 1024) << "written past the limit";

  // A Content-Length past the limit: 413 before any of the body is sent.
  const UniqueFd announced = test::ConnectLoopback(service.port());
  const std::string head = "POST /v1/convert HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(service.port()) +
                           "\r\nContent-Type: multipart/form-data; boundary=x\r\nContent-Length: 50000000\r\n\r\n";
  (void)!::send(announced.get(), head.data(), head.size(), MSG_NOSIGNAL);
  EXPECT_EQ(FirstLine(announced, 2000), "HTTP/1.1 413 Content Too Large");
  for (const auto& folder : fs::directory_iterator(service.tmp())) {
    if (!folder.path().filename().string().starts_with("orvanta-serve-")) continue;
    EXPECT_EQ(test::FileNames(folder.path()), (std::vector<std::string>{".lock", "player"})) << "a request's folder";
  }
  EXPECT_EQ(service.Stop(), 0);
}

// A client that leaves in the middle of its conversion frees its worker
// within 2 s, is counted as cancelled, and the next deck converts.
TEST_F(Serve, AClientThatLeavesCancelsItsConversion) {
  ORVANTA_NEEDS(fs::exists(Corpus("23884_defense_FINAL_OOimport_edit.ppt")), "a large deck");
  Service service({"--workers", "1"});
  ASSERT_TRUE(service.Ready());
  const std::string body = test::ReadFile(Corpus("23884_defense_FINAL_OOimport_edit.ppt"));
  const std::string form =
      "--x\r\nContent-Disposition: form-data; name=\"file\"; filename=\"large.ppt\"\r\n\r\n" + body + "\r\n--x--\r\n";
  {
    const UniqueFd client = test::ConnectLoopback(service.port());
    const std::string head =
        "POST /v1/convert HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(service.port()) +
        "\r\nContent-Type: multipart/form-data; boundary=x\r\nContent-Length: " + std::to_string(form.size()) +
        "\r\n\r\n";
    (void)!::send(client.get(), head.data(), head.size(), MSG_NOSIGNAL);
    (void)!::send(client.get(), form.data(), form.size(), MSG_NOSIGNAL);
    ASSERT_TRUE(WaitFor([&] { return service.Metric("orvanta_workers_busy") == "1"; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  const auto left = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitFor([&] { return service.Metric("orvanta_workers_busy") == "0"; }));
  EXPECT_LT(std::chrono::steady_clock::now() - left, std::chrono::seconds(2)) << "the worker was not freed in time";
  // Counted once its end has been judged, a moment after the worker let go.
  EXPECT_TRUE(WaitFor([&] { return service.Metric("orvanta_requests_total{outcome=\"cancelled\"}") == "1"; },
                      std::chrono::seconds(10)));
  EXPECT_EQ(service.Post(Corpus("basic_test_ppt_file.ppt")).status, 200);
  EXPECT_EQ(service.Stop(), 0);
}

// The callback's receiver: the first delivery answered 500, the next kept.
class CallbackReceiver final : public http::Site {
 public:
  class Receipt final : public http::Exchange {
   public:
    Receipt(CallbackReceiver& receiver, std::string job) : receiver_(receiver), job_(std::move(job)) {}
    std::uint64_t BodyLimit() const override { return 1 << 30; }
    http::Answer TooLarge() override { return http::TextAnswer(413, "text/plain", ""); }
    bool Take(std::string_view piece, http::Answer&) override {
      body_.append(piece);
      return true;
    }
    void Finish(http::Reply reply) override {
      std::lock_guard lock(receiver_.mutex);
      if (++receiver_.attempts == 1) return reply(http::TextAnswer(500, "text/plain", "later\n"));
      receiver_.job = job_;
      receiver_.body = body_;
      reply(http::TextAnswer(200, "text/plain", "thanks\n"));
    }
    void Abandon() override {}

   private:
    CallbackReceiver& receiver_;
    std::string job_, body_;
  };
  std::unique_ptr<http::Exchange> Open(const http::RequestHead& head, std::optional<http::Answer>&) override {
    const std::string* named = head.Find("X-Orvanta-Job");
    return std::make_unique<Receipt>(*this, named != nullptr ? *named : "");
  }
  std::mutex mutex;
  int attempts = 0;
  std::string job, body;
};

TEST_F(Serve, JobsOutliveTheirRequestAndCallBack) {
  CallbackReceiver receiver;
  http::HttpEngine listener(receiver, http::EngineLimits{});
  std::string error;
  ASSERT_TRUE(listener.Listen("127.0.0.1", 0, error)) << error;
  listener.Start();
  Service service({"--workers", "1", "--callback-allow", "127.0.0.1", "--job-keep", "2"});
  ASSERT_TRUE(service.Ready());
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  const std::string callback = "http://127.0.0.1:" + std::to_string(listener.port()) + "/done";
  EXPECT_EQ(ErrorCode(service.Post(deck, {{"callback", "http://example.org/"}}, {}, "/v1/jobs")), "bad-value");

  const auto accepted = service.Post(deck, {{"callback", callback}, {"Width", "320"}}, {}, "/v1/jobs");
  ASSERT_EQ(accepted.status, 202) << accepted.body;
  const std::string id = nlohmann::json::parse(accepted.body)["id"];
  EXPECT_EQ(accepted.Header("Location"), "/v1/jobs/" + id);
  nlohmann::json state;
  EXPECT_TRUE(WaitFor([&] {
    state = nlohmann::json::parse(service.Get("/v1/jobs/" + id).body);
    return state["state"] != "pending";
  }));
  ASSERT_EQ(state["state"], "done") << state;
  const auto result = service.Get("/v1/jobs/" + id + "/result");
  ASSERT_EQ(result.status, 200);
  EXPECT_EQ(nlohmann::json::parse(test::Unzip(result.body).at("report.json"))["status"], "converted");
  EXPECT_TRUE(WaitFor([&] {
    std::lock_guard lock(receiver.mutex);
    return !receiver.body.empty();
  }));
  {
    std::lock_guard lock(receiver.mutex);
    EXPECT_EQ(receiver.attempts, 2) << "a 500 is tried again";
    EXPECT_EQ(receiver.job, id);
    EXPECT_EQ(receiver.body, result.body) << "the callback gets the job's zip";
  }
  // A finished job is kept --job-keep seconds; a pending one can be cancelled.
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
  EXPECT_EQ(service.Get("/v1/jobs/" + id).status, 404);
  const auto second = service.Post(Corpus("23884_defense_FINAL_OOimport_edit.ppt"), {}, {}, "/v1/jobs");
  const std::string other = nlohmann::json::parse(second.body)["id"];
  EXPECT_EQ(test::HttpClient(service.port()).Delete("/v1/jobs/" + other).status, 200);
  EXPECT_EQ(nlohmann::json::parse(service.Get("/v1/jobs/" + other).body)["state"], "cancelled");
  EXPECT_EQ(service.Get("/v1/jobs/" + other + "/result").status, 410);
  EXPECT_EQ(service.Post(deck).status, 200) << "the worker is free again";
  EXPECT_EQ(service.Stop(), 0);
  listener.Stop(std::chrono::seconds(1));
}

// A start removes what earlier runs that died left in the temporary
// folder, and leaves a live one's alone.
TEST_F(Serve, AStartSweepsTheFoldersOfDeadRuns) {
  test::ScratchFolder tmp;
  const fs::path dead = fs::path(tmp.path()) / "orvanta-serve-dead01";
  const fs::path live = fs::path(tmp.path()) / "orvanta-serve-live01";
  test::WriteFile(dead / ".lock", "");
  test::WriteFile(dead / "request-x" / "in" / "deck.ppt", std::string(1 << 20, 'x'));
  test::WriteFile(live / ".lock", "");
  const UniqueFd held(::open((live / ".lock").c_str(), O_RDWR | O_CLOEXEC));
  ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    ::execl(ORVANTA_CLI, ORVANTA_CLI, "serve", "--listen", "127.0.0.1:0", "--workers", "1", nullptr);
    ::_exit(127);
  }
  for (int k = 0; k < 200 && fs::exists(dead); ++k) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ::kill(child, SIGTERM);
  ::waitpid(child, nullptr, 0);
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(live / ".lock"));
}

}  // namespace
}  // namespace orv
