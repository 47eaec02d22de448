#include "pool/stop_signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>

namespace orv::pool {
namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_interruptTag{0};  // the entry number a tagged Ctrl-C names
std::atomic<int> g_stopSignal{0};
std::atomic<int> g_stopCount{0};
std::atomic<bool> g_suspend{false};
// Two Ctrl-C within this many seconds stop the whole batch.
constexpr std::int64_t kSecondCtrlCWindowNs = 3'000'000'000;
std::atomic<std::int64_t> g_lastInterruptNs{0};
std::atomic<int> g_interrupts{0};
std::atomic<bool> g_stopBatch{false};
// The serial run's entry at hand, the entry the last Ctrl-C landed on, and
// whether to say that a second one stops the batch.
std::atomic<int> g_entryAtHand{0};
std::atomic<int> g_landedOn{0};
std::atomic<bool> g_hint{false};
constexpr char kSecondCtrlCHint[] = "Orvanta: Ctrl-C again within 3 s stops the whole batch\n";

std::int64_t MonotonicNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);  // async-signal-safe
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

extern "C" void OnInterrupt(int, siginfo_t* info, void*) {
  if (info != nullptr && info->si_code == SI_QUEUE) {
    g_interruptTag.store(info->si_value.sival_int);
  } else {
    const std::int64_t now = MonotonicNs();
    const std::int64_t last = g_lastInterruptNs.exchange(now);
    const bool second = last != 0 && now - last < kSecondCtrlCWindowNs;
    if (second) g_stopBatch.store(true);
    g_landedOn.store(g_entryAtHand.load());
    g_interrupted.store(true);
    g_interrupts.fetch_add(1);
    if (!second && g_hint.load() && g_entryAtHand.load() != 0) {
      // Said now, while the entry winds down, so that whoever presses again knows.
      [[maybe_unused]] const ssize_t said = ::write(STDERR_FILENO, kSecondCtrlCHint, sizeof kSecondCtrlCHint - 1);
    }
  }
}

extern "C" void OnStop(int signal) {
  int none = 0;
  g_stopSignal.compare_exchange_strong(none, signal);
  g_stopCount.fetch_add(1);
}

extern "C" void OnSuspend(int) { g_suspend.store(true); }

}  // namespace

void InstallStopHandlers() {
  struct sigaction interrupt {};
  interrupt.sa_sigaction = OnInterrupt;
  interrupt.sa_flags = SA_SIGINFO | SA_RESTART;
  ::sigemptyset(&interrupt.sa_mask);
  ::sigaction(SIGINT, &interrupt, nullptr);
  struct sigaction stop {};
  stop.sa_handler = OnStop;
  stop.sa_flags = SA_RESTART;
  ::sigemptyset(&stop.sa_mask);
  ::sigaction(SIGTERM, &stop, nullptr);
  ::sigaction(SIGHUP, &stop, nullptr);
}

bool TakeInterrupt() {
  const bool plain = g_interrupted.exchange(false);
  const bool tagged = g_interruptTag.exchange(0) != 0;
  return plain || tagged;
}

void SetEntryAtHand(int entry, bool hint) {
  g_hint.store(hint);
  g_entryAtHand.store(entry);
}

bool TakeInterruptOnEntryAtHand() {
  if (!g_interrupted.exchange(false)) return false;
  const int atHand = g_entryAtHand.load();
  return atHand != 0 && g_landedOn.load() == atHand;
}

bool TakeInterruptFor(int entry) {
  if (g_interrupted.exchange(false)) return true;
  int tag = entry;
  return g_interruptTag.compare_exchange_strong(tag, 0);
}

void PassInterrupt(pid_t worker, int entry) {
  sigval value{};
  value.sival_int = entry;
  ::sigqueue(worker, SIGINT, value);
}

void InstallSuspendHandler() {
  struct sigaction suspend {};
  suspend.sa_handler = OnSuspend;
  suspend.sa_flags = SA_RESTART;
  ::sigemptyset(&suspend.sa_mask);
  ::sigaction(SIGTSTP, &suspend, nullptr);
}

bool TakeSuspend() { return g_suspend.exchange(false); }

int StopSignal() { return g_stopSignal.load(); }

int InterruptCount() { return g_interrupts.load(); }

bool BatchStopRequested() { return g_stopBatch.load(); }

int StopSignalCount() { return g_stopCount.load(); }

void EndBySignal(int signal) {
  std::fflush(nullptr);
  ::signal(signal, SIG_DFL);
  sigset_t only;
  ::sigemptyset(&only);
  ::sigaddset(&only, signal);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signal);
  ::_exit(128 + signal);
}

}  // namespace orv::pool
