#include "http/http_engine.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <boost/asio.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <cerrno>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "http/request_id.h"

namespace orv::http {
namespace {

namespace net = boost::asio;
namespace bhttp = boost::beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;
using boost::system::error_code;

constexpr std::size_t kPieceBytes = 64 * 1024;
// After an answer that leaves part of a request unread, what the client
// still sends is read and dropped for this long, so that the answer is not
// lost to a reset.
constexpr auto kLinger = std::chrono::seconds(2);

std::chrono::milliseconds AtRate(std::uint64_t bytes, std::uint64_t perSecond) {
  return std::chrono::milliseconds(perSecond == 0 ? 0 : bytes * 1000 / perSecond);
}

bool SameLetters(std::string_view a, std::string_view b) {
  RequestHead probe;
  probe.headers.push_back({std::string(a), {}});
  return probe.Find(b) != nullptr;
}

// A header value goes out on one line, whatever it holds.
std::string OneLine(std::string_view value) {
  std::string line(value);
  for (char& c : line) c = (c == '\r' || c == '\n') ? ' ' : c;
  return line;
}

}  // namespace

// What answers and connections share with the engine: its threads and
// counts. An exchange's Reply may come after the engine has stopped; it then
// finds `alive` false and drops the answer.
struct EngineCore : std::enable_shared_from_this<EngineCore> {
  EngineCore(Site& s, EngineLimits l) : site(s), limits(l), acceptor(io) {}

  struct Ticker {
    Ticker(net::io_context& io, std::chrono::milliseconds p, std::function<void()> t)
        : timer(io), period(p), task(std::move(t)) {}
    net::steady_timer timer;
    std::chrono::milliseconds period;
    std::function<void()> task;
  };

  Site& site;
  EngineLimits limits;
  std::function<void(const AccessEntry&)> log;
  // Before the threads and sockets: connections that end with them still count down here.
  std::mutex mutex;
  std::condition_variable settled;
  bool alive = true;
  std::size_t open = 0;
  std::size_t owed = 0;  // exchanges finished and not yet answered or abandoned
  std::map<std::string, std::size_t> perClient;

  net::io_context io;
  tcp::acceptor acceptor;
  std::vector<std::unique_ptr<Ticker>> tickers;
  std::vector<std::thread> threads;

  void Accept();
  void Tick(Ticker& ticker) {
    ticker.timer.expires_after(ticker.period);
    ticker.timer.async_wait([this, &ticker](error_code ec) {
      if (ec) return;
      ticker.task();
      Tick(ticker);
    });
  }
  bool Admit(const std::string& client);
  void Leave(const std::string& client);
  void Owe(int delta) {
    std::lock_guard lock(mutex);
    owed = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(owed) + delta);
    if (owed == 0) settled.notify_all();
  }
};

namespace {

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(EngineCore& engine, tcp::socket socket, std::string client)
      : engine_(engine), socket_(std::move(socket)), timer_(socket_.get_executor()), client_(std::move(client)) {
    error_code ec;
    localPort_ = socket_.local_endpoint(ec).port();
  }
  ~Session() { engine_.Leave(client_); }

  void Run() {
    connected_ = Clock::now();
    WaitForRequest();
  }

 private:
  enum class Phase { kHead, kBody, kWaiting, kWriting, kDone };

  void Arm(Clock::time_point deadline) {
    timer_.expires_at(deadline);
    timer_.async_wait([self = shared_from_this(), armed = ++armed_](error_code ec) {
      if (!ec && armed == self->armed_) self->OnDeadline();
    });
  }
  void Disarm() {
    ++armed_;
    timer_.cancel();
  }

  void OnDeadline() {
    if (phase_ == Phase::kBody && exchange_) {
      exchange_->Abandon();
      exchange_.reset();
      Log(408, "body-timeout");
    }
    Close();
  }

  void Close() {
    phase_ = Phase::kDone;
    Disarm();
    error_code ec;
    socket_.shutdown(tcp::socket::shutdown_both, ec);
    socket_.close(ec);
  }

  // The head of the first request is due `headerSeconds` after the
  // connection; a kept-alive connection waits `idleSeconds` for the first
  // byte of the next one, whose head is then due as the first one's.
  void WaitForRequest() {
    phase_ = Phase::kHead;
    const auto header = std::chrono::seconds(engine_.limits.headerSeconds);
    if (first_ || buffer_.size() > 0) {
      Arm((first_ ? connected_ : Clock::now()) + header);
      ReadHead();
      return;
    }
    Arm(Clock::now() + std::chrono::seconds(engine_.limits.idleSeconds));
    socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this(), header](error_code ec) {
      if (ec || self->phase_ != Phase::kHead) return self->Close();
      self->Arm(Clock::now() + header);
      self->ReadHead();
    });
  }

  void ReadHead() {
    head_ = RequestHead{};
    parser_.emplace();
    parser_->header_limit(engine_.limits.headerBytes);
    // Counted here, against the exchange's own limit. (Boost 1.74 takes "no
    // limit" for a limit of 0 with a Content-Length, so the largest is set.)
    parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
    bhttp::async_read_header(socket_, buffer_, *parser_,
                             [self = shared_from_this()](error_code ec, std::size_t) { self->OnHead(ec); });
  }

  void OnHead(error_code ec) {
    if (phase_ != Phase::kHead) return;
    if (ec == bhttp::error::header_limit) return Refuse(431, "the request's head is too large");
    if (ec == bhttp::error::end_of_stream || ec == net::error::operation_aborted || ec == net::error::eof ||
        ec == net::error::connection_reset) {
      return Close();
    }
    if (ec) return Refuse(400, "the request is not HTTP/1.1: " + ec.message());
    Disarm();
    first_ = false;
    started_ = Clock::now();
    const auto& message = parser_->get();
    head_ = RequestHead{};
    head_.method = std::string(message.method_string());
    head_.target = std::string(message.target());
    head_.path = DecodeTargetPath(head_.target);
    for (const auto& field : message) {
      head_.headers.push_back({std::string(field.name_string()), std::string(field.value())});
    }
    if (const auto length = parser_->content_length()) head_.contentLength = *length;
    head_.chunked = parser_->chunked();
    head_.client = client_;
    head_.localPort = localPort_;
    const std::string* id = head_.Find("X-Request-Id");
    head_.requestId = id != nullptr && IsSaneRequestId(*id) ? *id : NewRequestId();
    keepAlive_ = parser_->keep_alive();
    received_ = 0;
    bytesOut_ = 0;
    if (head_.Count("Host") > 1) return Refuse(400, "the request has more than one Host header");

    std::optional<Answer> answer;
    exchange_ = engine_.site.Open(head_, answer);
    if (answer || !exchange_) {
      exchange_.reset();
      if (!answer) answer = TextAnswer(500, "text/plain; charset=utf-8", "no answer\n");
      return Send(std::move(*answer), head_.HasBody());
    }
    limit_ = exchange_->BodyLimit();
    if (head_.contentLength && *head_.contentLength > limit_) {
      Answer tooLarge = exchange_->TooLarge();
      exchange_.reset();
      return Send(std::move(tooLarge), true);
    }
    const std::string* expect = head_.Find("Expect");
    if (expect != nullptr && SameLetters(*expect, "100-continue") && !parser_->is_done()) {
      static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
      net::async_write(socket_, net::buffer(kContinue.data(), kContinue.size()),
                       [self = shared_from_this()](error_code error, std::size_t) {
                         if (error) return self->Gone();
                         self->ReadBody();
                       });
      return;
    }
    ReadBody();
  }

  // The body in pieces, each handed on as it arrives. Its deadline grows
  // with its size: known from Content-Length, or as far as it has come.
  void ReadBody() {
    phase_ = Phase::kBody;
    if (parser_->is_done()) return Finish();
    if (received_ == 0) bodyStarted_ = Clock::now();
    const std::uint64_t expected = head_.contentLength.value_or(received_ + kPieceBytes);
    Arm(bodyStarted_ + std::chrono::seconds(engine_.limits.headerSeconds) +
        AtRate(expected, engine_.limits.bodyBytesPerSecond));
    auto& body = parser_->get().body();
    body.data = piece_.data();
    body.size = piece_.size();
    // Whatever has arrived, however little: a body is counted as it comes.
    bhttp::async_read_some(socket_, buffer_, *parser_,
                           [self = shared_from_this()](error_code ec, std::size_t) { self->OnBodyPiece(ec); });
  }

  void OnBodyPiece(error_code ec) {
    if (phase_ != Phase::kBody) return;
    if (ec && ec != bhttp::error::need_buffer) {
      if (ec == net::error::operation_aborted) return;
      if (ec == bhttp::error::bad_chunk || ec == bhttp::error::bad_chunk_extension) {
        exchange_->Abandon();
        exchange_.reset();
        return Refuse(400, "the request's chunked body is damaged");
      }
      return Gone();
    }
    const std::size_t got = piece_.size() - parser_->get().body().size;
    received_ += got;
    if (received_ > limit_) {
      Answer tooLarge = exchange_->TooLarge();
      exchange_.reset();
      return Send(std::move(tooLarge), true);
    }
    Answer refusal;
    if (got > 0 && !exchange_->Take(std::string_view(piece_.data(), got), refusal)) {
      exchange_.reset();
      return Send(std::move(refusal), true);
    }
    ReadBody();
  }

  // The whole request is in: the exchange answers when it can, and
  // meanwhile a client that leaves abandons it.
  void Finish() {
    Disarm();
    phase_ = Phase::kWaiting;
    engine_.Owe(1);
    owing_ = true;
    std::weak_ptr<Session> weak = shared_from_this();
    std::weak_ptr<EngineCore> engine = engine_.weak_from_this();
    auto executor = socket_.get_executor();
    exchange_->Finish([weak, engine, executor](Answer answer) {
      const auto keep = engine.lock();
      if (!keep) return;
      std::lock_guard lock(keep->mutex);
      if (!keep->alive) return;
      auto shared = std::make_shared<Answer>(std::move(answer));
      net::post(executor, [weak, shared] {
        if (auto self = weak.lock()) self->OnReply(std::move(*shared));
      });
    });
    if (phase_ == Phase::kWaiting) WatchForLeave();
  }

  void WatchForLeave() {
    socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this()](error_code ec) {
      if (ec || self->phase_ != Phase::kWaiting) return;
      char byte;
      const ssize_t n = ::recv(self->socket_.native_handle(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
      if (n > 0) return;  // the next request, pipelined: read after the answer
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) return self->WatchForLeave();
      self->Gone();
    });
  }

  // The client left (or broke off) before its answer.
  void Gone() {
    if (exchange_ && (phase_ == Phase::kBody || phase_ == Phase::kWaiting)) {
      exchange_->Abandon();
      Log(0, "client-left");
    }
    exchange_.reset();
    Settle();
    Close();
  }

  void Settle() {
    if (owing_) engine_.Owe(-1);
    owing_ = false;
  }

  void OnReply(Answer answer) {
    if (phase_ != Phase::kWaiting) return;
    error_code ec;
    socket_.cancel(ec);  // the watch
    exchange_.reset();
    Send(std::move(answer), false);
  }

  // A request too damaged to route: answered, logged as "-", and the
  // connection closed.
  void Refuse(int status, std::string_view why) {
    if (head_.method.empty()) {
      head_.method = head_.path = "-";
      head_.requestId = NewRequestId();
      started_ = Clock::now();
    }
    Answer answer = TextAnswer(status, "text/plain; charset=utf-8", std::string(why) + "\n");
    answer.errorCode = "bad-request";
    Send(std::move(answer), true);
  }

  void Send(Answer answer, bool unreadBody) {
    phase_ = Phase::kWriting;
    answer_ = std::move(answer);
    closeAfter_ = answer_.close || unreadBody || !keepAlive_;
    const bool head = head_.method == "HEAD";
    const bool bodiless = answer_.status == 204 || answer_.status == 304;
    std::string text =
        "HTTP/1.1 " + std::to_string(answer_.status) + " " + std::string(StatusReason(answer_.status)) + "\r\n";
    if (!answer_.contentType.empty()) text += "Content-Type: " + OneLine(answer_.contentType) + "\r\n";
    for (const Header& header : answer_.headers) text += header.name + ": " + OneLine(header.value) + "\r\n";
    if (!head_.requestId.empty()) text += "X-Request-Id: " + head_.requestId + "\r\n";
    if (!bodiless) text += "Content-Length: " + std::to_string(answer_.BodySize()) + "\r\n";
    if (closeAfter_) text += "Connection: close\r\n";
    text += "\r\n";
    headText_ = std::move(text);
    toSend_ = head || bodiless ? 0 : answer_.BodySize();
    Arm(Clock::now() + std::chrono::seconds(engine_.limits.idleSeconds) +
        AtRate(headText_.size() + toSend_, engine_.limits.bodyBytesPerSecond));
    std::array<net::const_buffer, 2> buffers = {
        net::buffer(headText_),
        net::buffer(answer_.body.data(), answer_.file || toSend_ == 0 ? 0 : answer_.body.size())};
    net::async_write(socket_, buffers, [self = shared_from_this()](error_code ec, std::size_t n) {
      self->bytesOut_ += n;
      if (ec) return self->EndAnswer(false);
      if (self->answer_.file && self->toSend_ > 0) return self->SendFilePiece(0);
      self->EndAnswer(true);
    });
  }

  void SendFilePiece(std::uint64_t sent) {
    if (sent >= toSend_) return EndAnswer(true);
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(piece_.size(), toSend_ - sent));
    ssize_t got = 0;
    do {
      got = ::pread(answer_.file.get(), piece_.data(), wanted, static_cast<off_t>(answer_.fileOffset + sent));
    } while (got < 0 && errno == EINTR);
    // A file that shrank meanwhile ends the answer; the client sees it short.
    if (got <= 0) return EndAnswer(false);
    net::async_write(socket_, net::buffer(piece_.data(), static_cast<std::size_t>(got)),
                     [self = shared_from_this(), sent](error_code ec, std::size_t n) {
                       self->bytesOut_ += n;
                       if (ec) return self->EndAnswer(false);
                       self->SendFilePiece(sent + n);
                     });
  }

  void EndAnswer(bool whole) {
    Disarm();
    Log(answer_.status, answer_.errorCode, answer_.slides);
    answer_ = Answer{};
    Settle();
    if (!whole) return Close();
    if (closeAfter_) return Linger();
    WaitForRequest();
  }

  // The answer has gone; what the client still sends is dropped for a
  // moment before the connection closes, so that the answer is not lost to
  // a reset.
  void Linger() {
    phase_ = Phase::kDone;
    error_code ec;
    socket_.shutdown(tcp::socket::shutdown_send, ec);
    timer_.expires_after(kLinger);
    timer_.async_wait([self = shared_from_this()](error_code) {
      error_code ignored;
      self->socket_.close(ignored);
    });
    Drain();
  }
  void Drain() {
    socket_.async_read_some(net::buffer(piece_), [self = shared_from_this()](error_code ec, std::size_t) {
      if (!ec) return self->Drain();
      error_code ignored;
      self->timer_.cancel();
      self->socket_.close(ignored);
    });
  }

  void Log(int status, const std::string& errorCode, int slides = -1) {
    if (!engine_.log || head_.method.empty()) return;
    AccessEntry entry;
    entry.requestId = head_.requestId;
    entry.client = client_;
    entry.method = head_.method;
    entry.path = head_.path;
    entry.status = status;
    entry.bytesIn = received_;
    entry.bytesOut = bytesOut_;
    entry.seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    entry.slides = slides;
    entry.errorCode = errorCode;
    engine_.log(entry);
  }

  EngineCore& engine_;
  tcp::socket socket_;
  net::steady_timer timer_;
  std::uint64_t armed_ = 0;
  std::string client_;
  int localPort_ = 0;
  Phase phase_ = Phase::kHead;
  bool first_ = true;
  bool keepAlive_ = false;
  bool closeAfter_ = false;
  bool owing_ = false;
  Clock::time_point connected_, started_, bodyStarted_;
  boost::beast::flat_buffer buffer_;
  std::optional<bhttp::request_parser<bhttp::buffer_body>> parser_;
  RequestHead head_;
  std::unique_ptr<Exchange> exchange_;
  std::uint64_t limit_ = 0;
  std::uint64_t received_ = 0;
  std::uint64_t bytesOut_ = 0;
  std::uint64_t toSend_ = 0;
  Answer answer_;
  std::string headText_;
  std::array<char, kPieceBytes> piece_{};
};

}  // namespace

bool EngineCore::Admit(const std::string& client) {
  std::lock_guard lock(mutex);
  std::size_t& fromClient = perClient[client];
  if (open >= limits.connections || fromClient >= limits.clientConnections) {
    if (fromClient == 0) perClient.erase(client);
    return false;
  }
  ++open;
  ++fromClient;
  return true;
}

void EngineCore::Leave(const std::string& client) {
  std::lock_guard lock(mutex);
  --open;
  auto it = perClient.find(client);
  if (it != perClient.end() && --it->second == 0) perClient.erase(it);
}

void EngineCore::Accept() {
  acceptor.async_accept(net::make_strand(io), [this](error_code ec, tcp::socket socket) {
    if (ec == net::error::operation_aborted || !acceptor.is_open()) return;
    if (ec) {
      // Out of descriptors, most likely: a moment's pause instead of a spin.
      auto pause = std::make_shared<net::steady_timer>(io, std::chrono::milliseconds(100));
      pause->async_wait([this, pause](error_code) { Accept(); });
      return;
    }
    error_code ignored;
    const std::string client = socket.remote_endpoint(ignored).address().to_string();
    if (!Admit(client)) {
      static const std::string kBusy = [] {
        const std::string body = "{\"error\":\"busy\",\"message\":\"too many connections at once\"}\n";
        return "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nRetry-After: 5\r\n"
               "Content-Length: " +
               std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
      }();
      socket.non_blocking(true, ignored);
      socket.write_some(net::buffer(kBusy.data(), kBusy.size()), ignored);
      socket.shutdown(tcp::socket::shutdown_both, ignored);
      socket.close(ignored);
    } else {
      std::make_shared<Session>(*this, std::move(socket), client)->Run();
    }
    Accept();
  });
}

HttpEngine::HttpEngine(Site& site, EngineLimits limits) : impl_(std::make_shared<EngineCore>(site, limits)) {}

HttpEngine::~HttpEngine() { Stop(std::chrono::milliseconds(0)); }

bool HttpEngine::Listen(const std::string& host, int port, std::string& error) {
  error_code ec;
  const auto address = net::ip::make_address(host == "localhost" ? "127.0.0.1" : host, ec);
  if (ec) {
    error = "cannot listen on " + host + ": not an address";
    return false;
  }
  const tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
  auto& acceptor = impl_->acceptor;
  acceptor.open(endpoint.protocol(), ec);
  if (!ec) acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec && address.is_v6()) acceptor.set_option(net::ip::v6_only(true), ec);
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
  if (ec) {
    error_code ignored;
    acceptor.close(ignored);
    error = "cannot listen on " + host + " port " + std::to_string(port) + ": it is taken or not allowed";
    return false;
  }
  return true;
}

int HttpEngine::port() const {
  error_code ec;
  return impl_->acceptor.local_endpoint(ec).port();
}

void HttpEngine::OnAccess(std::function<void(const AccessEntry&)> log) { impl_->log = std::move(log); }

void HttpEngine::Every(std::chrono::milliseconds period, std::function<void()> task) {
  impl_->tickers.push_back(std::make_unique<EngineCore::Ticker>(impl_->io, period, std::move(task)));
  impl_->Tick(*impl_->tickers.back());
}

void HttpEngine::Start() {
  impl_->Accept();
  for (std::size_t k = 0; k < std::max<std::size_t>(impl_->limits.threads, 1); ++k) {
    impl_->threads.emplace_back([impl = impl_.get()] { impl->io.run(); });
  }
}

void HttpEngine::StopAccepting() {
  net::post(impl_->io, [impl = impl_.get()] {
    error_code ignored;
    impl->acceptor.close(ignored);
  });
}

void HttpEngine::Stop(std::chrono::milliseconds wait) {
  EngineCore& impl = *impl_;
  if (impl.threads.empty()) return;
  StopAccepting();
  {
    std::unique_lock lock(impl.mutex);
    impl.settled.wait_for(lock, wait, [&impl] { return impl.owed == 0; });
    impl.alive = false;
  }
  impl.io.stop();
  for (std::thread& thread : impl.threads) thread.join();
  impl.threads.clear();
}

}  // namespace orv::http
