// `orvanta-cli serve` as a platform uses it: real HTTP against the real
// program, its workers and their LibreOffices.
#include <gtest/gtest.h>
#include <httplib.h>

#include "support/needs.h"
#include "support/unzip.h"

#include <sys/stat.h>

#include <atomic>
#include <future>
#include <nlohmann/json.hpp>

#include "convert/cli_runner.h"

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
// temporary folders; SIGTERM and a wait when the test is done with it.
class Service {
 public:
  Service(std::vector<std::string> args, rlim_t fileSizeLimit = 0) {
    std::vector<std::string> env = CliEnvironment(config_.path(), tmp_.path());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    args.insert(args.begin(), {ORVANTA_CLI, "--language", "zh", "serve", "--listen", "127.0.0.1:0"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
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
  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  std::string config() const { return config_.path(); }
  std::string tmp() const { return tmp_.path(); }
  std::vector<pid_t> Workers() const { return ChildrenOf(pid_); }

  httplib::Result Post(const fs::path& file, const std::vector<std::pair<std::string, std::string>>& fields = {},
                       const httplib::Headers& headers = {}) const {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(300);
    httplib::MultipartFormDataItems items;
    if (!file.empty()) items.push_back({"file", test::ReadFile(file), file.filename().string(), ""});
    for (const auto& [name, value] : fields) items.push_back({name, value, "", ""});
    return client.Post("/v1/convert", headers, items);
  }
  httplib::Result Get(const std::string& path) const {
    httplib::Client client("127.0.0.1", port_);
    return client.Get(path);
  }

 private:
  test::ScratchFolder config_, tmp_;
  pid_t pid_ = -1;
  int port_ = 0;
  bool ended_ = false;
};

std::string ErrorCode(const httplib::Result& reply) {
  const auto json = nlohmann::json::parse(reply->body, nullptr, false);
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
  Service service({"--workers", "2"});
  ASSERT_GT(service.port(), 0);
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  auto reply = service.Post(deck, {{"Width", "320"}, {"Height", "240"}, {"GenHTML5", "1"}, {"GenScorm", "1"}});
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->status, 200) << reply->body;
  EXPECT_EQ(reply->get_header_value("Content-Type"), "application/zip");
  const auto files = test::Unzip(reply->body);

  test::ScratchFolder out;
  CliRun convert = RunCli({"--output-dir", out.path(), "--width", "320", "--height", "240", "--scorm", deck.string()},
                          service.config(), CliOptions{});
  ASSERT_EQ(convert.status, 0) << convert.err;
  std::set<std::string> written;
  for (const std::string& name : test::FileNames(out.path())) {
    if (name == "ruffle") continue;
    written.insert(name);
    const std::string answered = files.count(name) ? files.at(name) : "(missing)";
    if (name.ends_with("-scorm.zip")) {
      // The package's files carry the time they were packed; what they hold is the same.
      EXPECT_EQ(test::Unzip(answered), test::UnzipFile(out / name)) << name;
      EXPECT_EQ(test::Unzip(answered).size(), 2u);
      continue;
    }
    EXPECT_EQ(answered, test::ReadFile(out / name)) << name;
  }
  EXPECT_EQ(files.size(), written.size() + 1) << "more than the outputs and report.json";
  const auto report = nlohmann::json::parse(files.at("report.json"));
  EXPECT_EQ(report["source"], "basic_test_ppt_file.ppt");
  EXPECT_EQ(report["status"], "converted");

  // Split movies named after titles, from a path-like upload name.
  httplib::MultipartFormDataItems items = {{"file", test::ReadFile(deck), "../../etc/课件.ppt", ""},
                                           {"SplitPPT", "1", "", ""}};
  httplib::Client client("127.0.0.1", service.port());
  auto split = client.Post("/v1/convert", items);
  ASSERT_TRUE(split);
  ASSERT_EQ(split->status, 200) << split->body;
  for (const auto& [name, bytes] : test::Unzip(split->body)) {
    EXPECT_TRUE(name.find('/') == std::string::npos && name.find("..") == std::string::npos) << name;
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
           Case{"no file", {}, {{"Width", "320"}}, 400, "bad-form"},
           Case{"not a presentation's name", "notes.txt", {}, 400, "bad-form"},
       }) {
    auto answer = service.Post(c.file, c.fields);
    ASSERT_TRUE(answer) << c.what;
    EXPECT_EQ(answer->status, c.status) << c.what << ": " << answer->body;
    EXPECT_EQ(ErrorCode(answer), c.code) << c.what;
    EXPECT_EQ(answer->body.find(service.tmp()), std::string::npos) << "the request's folder leaks: " << answer->body;
  }
  httplib::Client plain("127.0.0.1", service.port());
  EXPECT_EQ(plain.Post("/v1/convert", "x", "text/plain")->status, 400);
  EXPECT_EQ(ErrorCode(service.Post("notes.txt")), "bad-form");  // not a presentation's name

  auto health = service.Get("/health");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  const auto state = nlohmann::json::parse(health->body);
  EXPECT_EQ(state["status"], "ok");
  EXPECT_EQ(state["workers"], 2);
  EXPECT_NE(state["office"].get<std::string>().find("LibreOffice"), std::string::npos);
  const std::string metrics = service.Get("/metrics")->body;
  for (const char* line :
       {"orvanta_requests_total{outcome=\"converted\"} 2", "orvanta_requests_total{outcome=\"not-converted\"} 1",
        "orvanta_requests_total{outcome=\"bad-value\"} 3", "orvanta_request_seconds_count 10", "orvanta_workers 2",
        "orvanta_queue_length 0"}) {
    EXPECT_NE(metrics.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << metrics;
  }
  const auto workers = service.Workers();
  EXPECT_EQ(service.Stop(), 0);
  for (pid_t worker : workers) EXPECT_TRUE(OfficeGone(worker)) << "LibreOffice of worker " << worker << " lives on";
  EXPECT_EQ(test::FileNames(service.tmp()), std::vector<std::string>{}) << "left in the temporary folder";
}

// Workers are replaced every 3 presentations meanwhile: nothing is lost.
TEST_F(Serve, FourClientsAtOnceEachGetTheirOwnAnswer) {
  Service service({"--workers", "2", "--restart-after", "3"});
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
        if (!reply || reply->status != status) {
          wrong.push_back(file.filename().string() + ": " + (reply ? std::to_string(reply->status) : "no answer"));
          continue;
        }
        if (status != 200) continue;
        // Its own movie: the width asked for, in its report.
        const auto files = test::Unzip(reply->body);
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
  const std::string metrics = service.Get("/metrics")->body;
  EXPECT_NE(metrics.find("orvanta_request_seconds_count 20\n"), std::string::npos);
  EXPECT_NE(metrics.find("orvanta_office_restarts_total 6\n"), std::string::npos) << metrics;
  const auto workers = service.Workers();
  EXPECT_EQ(service.Stop(), 0);
  for (pid_t worker : workers) EXPECT_TRUE(OfficeGone(worker));
}

// A worker held (SIGSTOP) in the middle of a request: with no queue the next
// request gets 429; SIGTERM then answers a queued one 503, lets the held one
// finish once it goes on, and ends with nothing left.
TEST_F(Serve, TheQueueLimitAndSigtermDuringAConversion) {
  Service service({"--workers", "1", "--queue", "1"});
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  ASSERT_EQ(service.Post(deck)->status, 200);  // warm
  const std::vector<pid_t> workers = service.Workers();
  ASSERT_EQ(workers.size(), 1u);
  ::kill(workers[0], SIGSTOP);
  auto held = std::async(std::launch::async, [&] { return service.Post(deck); });
  auto queued = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return service.Post(deck);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(900));
  auto refused = service.Post(deck);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 429);
  EXPECT_EQ(refused->get_header_value("Retry-After"), "5");

  ::kill(service.pid(), SIGTERM);
  auto queuedReply = queued.get();
  ASSERT_TRUE(queuedReply);
  EXPECT_EQ(queuedReply->status, 503);
  EXPECT_EQ(ErrorCode(queuedReply), "shutting-down");
  ::kill(workers[0], SIGCONT);
  auto heldReply = held.get();
  ASSERT_TRUE(heldReply);
  EXPECT_EQ(heldReply->status, 200) << "the running conversion was not let finish";
  EXPECT_EQ(service.Wait(), 0);
  EXPECT_TRUE(OfficeGone(workers[0]));
  EXPECT_EQ(test::FileNames(service.tmp()), std::vector<std::string>{});
}

// A worker killed in the middle of a request costs that request (500) and no
// other; a LibreOffice held past the time limit gives 504.
TEST_F(Serve, ALostWorkerAndAHungLibreOffice) {
  // Long enough for a fresh LibreOffice's start and a conversion while the
  // other tests of a parallel run load both cores (8 s was not, once).
  Service service({"--workers", "1", "--time-limit", "20"});
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  ASSERT_EQ(service.Post(deck)->status, 200);
  const pid_t worker = service.Workers().at(0);
  ::kill(worker, SIGSTOP);
  auto lost = std::async(std::launch::async, [&] { return service.Post(deck); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ::kill(worker, SIGKILL);
  auto lostReply = lost.get();
  ASSERT_TRUE(lostReply);
  EXPECT_EQ(lostReply->status, 500);
  EXPECT_EQ(ErrorCode(lostReply), "worker-died");
  EXPECT_EQ(service.Post(deck)->status, 200) << "the next request after a lost worker";

  // Its LibreOffice killed in the middle of a request: 500, and the next converts.
  const auto offices = [&service] {
    return ProcessesWhoseCommandHas("orvanta-office-" + std::to_string(service.Workers().at(0)) + "-");
  };
  for (pid_t office : offices()) ::kill(office, SIGSTOP);
  auto killed = std::async(std::launch::async, [&] { return service.Post(deck); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (pid_t office : offices()) ::kill(office, SIGKILL);
  auto killedReply = killed.get();
  ASSERT_TRUE(killedReply);
  EXPECT_EQ(killedReply->status, 500) << killedReply->body;
  EXPECT_EQ(service.Post(deck)->status, 200) << "the next request after a killed LibreOffice";

  const pid_t fresh = service.Workers().at(0);
  for (pid_t office : ProcessesWhoseCommandHas("orvanta-office-" + std::to_string(fresh) + "-")) {
    ::kill(office, SIGSTOP);
  }
  auto hung = service.Post(deck);
  ASSERT_TRUE(hung);
  EXPECT_EQ(hung->status, 504) << hung->body;
  EXPECT_EQ(service.Post(deck)->status, 200) << "the next request after a hung LibreOffice";
  EXPECT_NE(service.Get("/metrics")->body.find("orvanta_office_restarts_total 1\n"), std::string::npos);
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
  const fs::path deck = Corpus("basic_test_ppt_file.ppt");
  EXPECT_EQ(guarded.Post(deck)->status, 401);
  EXPECT_EQ(guarded.Post(deck, {}, {{"Authorization", "Bearer s3cret-tokem"}})->status, 401);
  EXPECT_EQ(guarded.Post(deck, {}, {{"Authorization", "Bearer s3cret-token"}})->status, 200);
  EXPECT_EQ(guarded.Get("/health")->status, 200) << "health needs no token";
  auto large = guarded.Post(Corpus("bug56240.ppt"), {}, {{"Authorization", "Bearer s3cret-token"}});
  ASSERT_TRUE(large);
  EXPECT_EQ(large->status, 413);
  EXPECT_EQ(guarded.Stop(), 0);

  // LibreOffice cannot write its profile: it never starts.
  Service starved({"--workers", "1"}, 64 * 1024);
  for (int k = 0; k < 100 && starved.Get("/health")->status == 200; ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(starved.Get("/health")->status, 503);
  auto refused = starved.Post(deck);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  EXPECT_EQ(ErrorCode(refused), "office-unavailable");
  EXPECT_EQ(starved.Stop(), 0);
}

}  // namespace
}  // namespace orv
