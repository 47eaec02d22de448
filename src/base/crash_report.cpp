#include "base/crash_report.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>
#include <unwind.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace orv {

std::string CrashReportPath(std::string_view programPath) {
  std::size_t nameStart = programPath.find_last_of('/');
  nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
  std::size_t dot = programPath.find_last_of('.');
  if (dot != std::string_view::npos && dot >= nameStart && programPath.size() - dot - 1 >= 3) {
    return std::string(programPath.substr(0, dot + 1)) + "RPT";
  }
  return std::string(programPath) + ".RPT";
}

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kPathSize = 4096;

// Everything the handler needs is prepared beforehand: it must not allocate.
char g_reportPath[kPathSize];
struct sigaction g_previous[NSIG];
bool g_installed = false;

class ReportWriter {
 public:
  explicit ReportWriter(int fd) : fd_(fd) {}
  __attribute__((format(printf, 2, 3))) void Line(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n <= 0) return;
    std::size_t length = static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n) : sizeof buffer - 1;
    std::size_t done = 0;
    while (done < length) {
      ssize_t written = ::write(fd_, buffer + done, length - done);
      if (written <= 0) return;
      done += static_cast<std::size_t>(written);
    }
  }

 private:
  int fd_;
};

// The Windows-style code and name of a fault, so that reports read alike on
// every system; signals without such a code give the signal number and the
// system's description of it.
struct FaultName {
  std::uint32_t code;
  const char* name;
};

FaultName NameFault(int sig, int siCode) {
  switch (sig) {
    case SIGSEGV:
      return {0xC0000005u, "ACCESS_VIOLATION"};
    case SIGBUS:
      return siCode == BUS_ADRALN ? FaultName{0x80000002u, "DATATYPE_MISALIGNMENT"}
                                  : FaultName{0xC0000006u, "IN_PAGE_ERROR"};
    case SIGILL:
      return siCode == ILL_PRVOPC || siCode == ILL_PRVREG ? FaultName{0xC0000096u, "PRIV_INSTRUCTION"}
                                                          : FaultName{0xC000001Du, "ILLEGAL_INSTRUCTION"};
    case SIGFPE:
      switch (siCode) {
        case FPE_INTDIV:
          return {0xC0000094u, "INT_DIVIDE_BY_ZERO"};
        case FPE_INTOVF:
          return {0xC0000095u, "INT_OVERFLOW"};
        case FPE_FLTDIV:
          return {0xC000008Eu, "FLT_DIVIDE_BY_ZERO"};
        case FPE_FLTOVF:
          return {0xC0000091u, "FLT_OVERFLOW"};
        case FPE_FLTUND:
          return {0xC0000093u, "FLT_UNDERFLOW"};
        case FPE_FLTRES:
          return {0xC000008Fu, "FLT_INEXACT_RESULT"};
        case FPE_FLTINV:
          return {0xC0000090u, "FLT_INVALID_OPERATION"};
        case FPE_FLTSUB:
          return {0xC000008Cu, "ARRAY_BOUNDS_EXCEEDED"};
        default:
          return {0xC0000090u, "FLT_INVALID_OPERATION"};
      }
    default:
      return {static_cast<std::uint32_t>(sig), sigdescr_np(sig) ? sigdescr_np(sig) : ""};
  }
}

// The section (counted from 1) and the offset in it of an address, read from
// the ELF section headers of the module that holds it. Reads the file with
// plain system calls; every header read is bounds-checked.
struct LogicalAddress {
  unsigned section = 0;
  std::uintptr_t offset = 0;
  const char* module = "";
};

bool ReadAt(int fd, std::uint64_t offset, void* out, std::size_t size) {
  ssize_t got = ::pread(fd, out, size, static_cast<off_t>(offset));
  return got == static_cast<ssize_t>(size);
}

LogicalAddress FindLogicalAddress(std::uintptr_t address) {
  LogicalAddress result;
  Dl_info info{};
  if (address == 0 || dladdr(reinterpret_cast<void*>(address), &info) == 0 || info.dli_fname == nullptr) {
    return result;
  }
  const char* module = info.dli_fname;
  if (module[0] == '\0') module = "/proc/self/exe";
  int fd = ::open(module, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return result;
  Elf64_Ehdr header{};
  if (ReadAt(fd, 0, &header, sizeof header) && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
      header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_shentsize == sizeof(Elf64_Shdr)) {
    // Shared objects and position-independent programs have section
    // addresses relative to their load base; fixed programs absolute ones.
    std::uintptr_t base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    std::uintptr_t relative = header.e_type == ET_EXEC ? address : address - base;
    for (unsigned i = 1; i < header.e_shnum && i < 4096; ++i) {
      Elf64_Shdr section{};
      if (!ReadAt(fd, header.e_shoff + std::uint64_t{i} * sizeof section, &section, sizeof section)) break;
      if ((section.sh_flags & SHF_ALLOC) == 0 || section.sh_addr == 0) continue;
      if (relative >= section.sh_addr && relative - section.sh_addr < section.sh_size) {
        result.section = i;
        result.offset = relative - section.sh_addr;
        result.module = info.dli_fname;
        break;
      }
    }
  }
  ::close(fd);
  return result;
}

struct StackFrames {
  std::uintptr_t ip[64];
  std::uintptr_t cfa[64];
  int count = 0;
};

_Unwind_Reason_Code CollectFrame(struct _Unwind_Context* context, void* data) {
  auto* frames = static_cast<StackFrames*>(data);
  if (frames->count >= 64) return _URC_END_OF_STACK;
  frames->ip[frames->count] = _Unwind_GetIP(context);
  frames->cfa[frames->count] = _Unwind_GetCFA(context);
  ++frames->count;
  return _URC_NO_REASON;
}

void WriteCallStack(ReportWriter& out, std::uintptr_t faultIp) {
  StackFrames frames;
  _Unwind_Backtrace(CollectFrame, &frames);
  // The frames of the handler itself come first; the walk reported from the
  // faulting instruction starts where it appears.
  int first = 0;
  for (int i = 0; i < frames.count; ++i) {
    if (frames.ip[i] == faultIp || frames.ip[i] == faultIp + 1) {
      first = i;
      break;
    }
  }
  out.Line("\nCall stack:\n");
  out.Line("Address           Frame\n");
  for (int i = first; i < frames.count; ++i) {
    std::uintptr_t ip = frames.ip[i];
    if (ip == 0) break;
    out.Line("%016lX  %016lX  ", static_cast<unsigned long>(ip), static_cast<unsigned long>(frames.cfa[i]));
    Dl_info info{};
    // Return addresses point after the call; the symbol is looked up for the call itself.
    std::uintptr_t lookup = (i == first) ? ip : ip - 1;
    if (dladdr(reinterpret_cast<void*>(lookup), &info) != 0 && info.dli_sname != nullptr) {
      out.Line("%s+%lX\n", info.dli_sname,
               static_cast<unsigned long>(ip - reinterpret_cast<std::uintptr_t>(info.dli_saddr)));
    } else {
      LogicalAddress logical = FindLogicalAddress(lookup);
      out.Line("%04X:%016lX %s\n", logical.section, static_cast<unsigned long>(logical.offset), logical.module);
    }
    if (frames.cfa[i] == 0) break;
  }
  out.Line("\n");
}

void WriteReport(int fd, int sig, const siginfo_t* info, const ucontext_t* context) {
  ReportWriter out(fd);
  FaultName fault = NameFault(sig, info != nullptr ? info->si_code : 0);
  const greg_t* r = context->uc_mcontext.gregs;
  auto reg = [r](int index) { return static_cast<unsigned long long>(r[index]); };
  std::uintptr_t ip = static_cast<std::uintptr_t>(r[REG_RIP]);
  LogicalAddress where = FindLogicalAddress(ip);

  out.Line("//=====================================================\n");
  out.Line("Exception code: %08X %s\n", fault.code, fault.name);
  out.Line("Fault address:  %016lX %02X:%016lX %s\n", static_cast<unsigned long>(ip), where.section,
           static_cast<unsigned long>(where.offset), where.module);
  out.Line("\nRegisters:\n");
  out.Line("RAX:%016llX\nRBX:%016llX\nRCX:%016llX\nRDX:%016llX\nRSI:%016llX\nRDI:%016llX\n", reg(REG_RAX), reg(REG_RBX),
           reg(REG_RCX), reg(REG_RDX), reg(REG_RSI), reg(REG_RDI));
  out.Line("R8:%016llX\nR9:%016llX\nR10:%016llX\nR11:%016llX\nR12:%016llX\nR13:%016llX\nR14:%016llX\nR15:%016llX\n",
           reg(REG_R8), reg(REG_R9), reg(REG_R10), reg(REG_R11), reg(REG_R12), reg(REG_R13), reg(REG_R14),
           reg(REG_R15));
  // CSGSFS packs cs, gs, fs and (on newer kernels) ss, 16 bits each.
  unsigned long long segments = reg(REG_CSGSFS);
  unsigned cs = segments & 0xFFFF, gs = (segments >> 16) & 0xFFFF, fs = (segments >> 32) & 0xFFFF,
           ss = (segments >> 48) & 0xFFFF;
  out.Line("CS:RIP:%04X:%016llX\n", cs, reg(REG_RIP));
  out.Line("SS:RSP:%04X:%016llX  RBP:%016llX\n", ss, reg(REG_RSP), reg(REG_RBP));
  out.Line("DS:%04X  ES:%04X  FS:%04X  GS:%04X\n", 0u, 0u, fs, gs);
  out.Line("Flags:%08llX\n", reg(REG_EFL));
  WriteCallStack(out, ip);
}

void OnFatalSignal(int sig, siginfo_t* info, void* rawContext) {
  int fd = ::open(g_reportPath, O_WRONLY | O_CREAT | O_APPEND | O_SYNC | O_CLOEXEC, 0644);
  if (fd >= 0) {
    WriteReport(fd, sig, info, static_cast<const ucontext_t*>(rawContext));
    ::close(fd);
  }
  // Hand the signal on: a previous handler is called directly, otherwise the
  // previous disposition is restored and the signal raised again (a fault
  // repeats when the instruction is retried on return).
  const struct sigaction& previous = g_previous[sig];
  if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
    previous.sa_sigaction(sig, info, rawContext);
    return;
  }
  if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN && previous.sa_handler != nullptr) {
    previous.sa_handler(sig);
    return;
  }
  ::sigaction(sig, &previous, nullptr);
  ::raise(sig);
}

}  // namespace

bool InstallCrashReporter() {
  if (g_installed) return true;
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return false;
  std::string report = CrashReportPath(program.string());
  if (report.size() >= kPathSize) return false;
  std::memcpy(g_reportPath, report.c_str(), report.size() + 1);

  // The alternate stack lets a stack overflow still be reported.
  static char alternateStack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  if (::sigaltstack(&stack, nullptr) != 0) return false;

  // The unwinder loads its tables on first use; doing that now keeps the
  // handler from needing it later.
  StackFrames warmUp;
  _Unwind_Backtrace(CollectFrame, &warmUp);

  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int sig : kSignals) {
    if (::sigaction(sig, &action, &g_previous[sig]) != 0) return false;
  }
  g_installed = true;
  return true;
}

}  // namespace orv
