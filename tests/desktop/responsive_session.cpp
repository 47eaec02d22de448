// The desktop program as a user meets it (run under xvfb-run): openbox as the
// window manager, the program started as a process, presentations added and
// converted by clicks and keys typed through xdotool. The large corpus deck
// is converted first at 2048 x 1536, then a small one. Rounds:
//   start:   Options and About open over the main window; Esc is typed 0.5 s
//            after LibreOffice's process appears;
//   export:  Esc is typed once the first slide picture is written;
//   screens: no cancel; screenshots at 0.3, 1 and 3 s after Convert, and an
//            expose of the main window repainted while LibreOffice loads.
// Then, on the same display, a teacher's batches: in the start round the
// options with an unwritable settings folder and a damaged settings file at
// the next start; in the export round presentations added and converted by
// Tab and Enter, four decks (one damaged) with problems collected and with a
// box each, Stop during the second deck, and closing the main window during a
// batch (No, then Yes); in the screens round two lecture1.ppt of two folders.
// After an Esc the large deck is cancelled within half a second, its
// LibreOffice ended and nothing of it left; the small deck converts. Every
// round prints the longest time the program took to answer a window
// manager's ping.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QImage>

#include "screen_checks.h"
#include "support/files.h"
#include "support/needs.h"
#include "x_probe.h"

namespace fs = std::filesystem;
using orv::test::Check;
using orv::test::Clock;
using orv::test::MillisecondsSince;
using orv::test::XProbe;
using orv::test::XWindow;

namespace {

constexpr char kLargeDeck[] = "23884_defense_FINAL_OOimport_edit";
constexpr char kSmallDeck[] = "basic_test_ppt_file";
constexpr char kProgressTitle[] = "进度";

pid_t Spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

bool Run(const std::vector<std::string>& args) {
  int status = 0;
  pid_t pid = Spawn(args);
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Looks every few milliseconds until `done` holds; false after `ms`.
bool WaitFor(const std::function<bool()>& done, int ms) {
  const Clock::time_point start = Clock::now();
  while (!done()) {
    if (MillisecondsSince(start) > ms) return false;
    usleep(5000);
  }
  return true;
}

// "<pid> (<name>) <state> <ppid> <pgrp> ..." of /proc/<pid>/stat.
struct ProcessStat {
  std::string name;
  char state = '?';
  long parent = 0;
  long group = 0;
  unsigned long long cpuTicks = 0;  // user and system time
};

ProcessStat StatOf(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/stat");
  std::string line;
  std::getline(in, line);
  ProcessStat stat;
  const std::size_t open = line.find('(');
  const std::size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos) return stat;
  stat.name = line.substr(open + 1, close - open - 1);
  unsigned long long user = 0;
  unsigned long long system = 0;
  std::sscanf(line.c_str() + close + 1, " %c %ld %ld %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &stat.state,
              &stat.parent, &stat.group, &user, &system);
  stat.cpuTicks = user + system;
  return stat;
}

// Every process running now, with its pid.
std::vector<std::pair<pid_t, ProcessStat>> Processes() {
  std::vector<std::pair<pid_t, ProcessStat>> processes;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    processes.emplace_back(static_cast<pid_t>(std::stol(pid)), StatOf(pid));
  }
  return processes;
}

// The LibreOffice that `parent` started (it leads its own process group).
pid_t OfficeChildOf(pid_t parent) {
  for (const auto& [pid, stat] : Processes()) {
    if (stat.parent == parent && stat.state != 'Z' &&
        (stat.name.find("soffice") != std::string::npos || stat.name.find("oosplash") != std::string::npos)) {
      return pid;
    }
  }
  return 0;
}

bool GroupGone(pid_t group) { return kill(-group, 0) != 0; }

// The processor time the group's processes have used so far.
unsigned long long GroupCpuTicks(pid_t group) {
  unsigned long long ticks = 0;
  for (const auto& [pid, stat] : Processes()) {
    if (stat.group == group) ticks += stat.cpuTicks;
  }
  return ticks;
}

// Gone, or left running without work: a LibreOffice that was between two
// calls when the cancel came is kept for the next presentation.
bool GroupGoneOrIdle(pid_t group) {
  if (GroupGone(group)) return true;
  const unsigned long long before = GroupCpuTicks(group);
  usleep(1000000);
  return GroupGone(group) || GroupCpuTicks(group) == before;
}

// What is left of a group that should be gone, for the failure's account.
void PrintGroup(pid_t group) {
  for (const auto& [pid, stat] : Processes()) {
    if (stat.group == group) {
      std::printf("left in group %d: %d (%s) state %c, parent %ld\n", static_cast<int>(group), static_cast<int>(pid),
                  stat.name.c_str(), stat.state, stat.parent);
    }
  }
}

bool HasSlidePicture(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".bmp" || extension == ".png" || extension == ".jpg") return true;
  }
  return false;
}

std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path().string());
  }
  return found;
}

// Centred over `owner`, give or take an eighth of its size.
bool CentredOver(const QRect& window, const QRect& owner) {
  const QPoint offset = window.center() - owner.center();
  return std::abs(offset.x()) <= owner.width() / 8 && std::abs(offset.y()) <= owner.height() / 8;
}

// The share of dark pixels (text, the bar's frame) in a picture of a window.
double DarkShare(const QImage& picture) {
  if (picture.isNull()) return 0.0;
  long dark = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if (qGray(picture.pixel(x, y)) < 110) ++dark;
    }
  }
  return static_cast<double>(dark) / (static_cast<double>(picture.width()) * picture.height());
}

class Session {
 public:
  Session(std::string mode, std::string artifacts, std::string program, std::string xdotool)
      : mode_(std::move(mode)),
        artifacts_(std::move(artifacts)),
        program_(std::move(program)),
        xdotool_(std::move(xdotool)) {}

  // `damaged`: the settings file is not JSON, and a box says so at start.
  void Start(const std::string& scratch, bool damaged = false) {
    out_ = scratch + "/out";
    temp_ = scratch + "/tmp";
    scratch_ = scratch;
    for (const std::string& folder : {out_, temp_, scratch + "/config/Velloran", scratch + "/docs"}) {
      fs::create_directories(folder);
    }
    // Chinese, whatever the machine's locale: the checks read Chinese captions.
    Store(damaged ? "" : R"("Width": 2048, "Height": 1536)");
    if (damaged) std::ofstream(scratch + "/config/Velloran/Orvanta.json") << "{\"Width\": 20";
    pid_ = Spawn({program_}, {{"HOME", scratch},
                              {"XDG_CONFIG_HOME", scratch + "/config"},
                              {"XDG_DOCUMENTS_DIR", scratch + "/docs"},
                              {"TMPDIR", temp_},
                              {"QT_QPA_PLATFORM", "xcb"}});
    Check(WaitFor([&] { return (main_ = x_.FindWindow(pid_, "Orvanta")) != 0 && x_.Viewable(main_); }, 30000),
          "the program shows its main window");
    if (damaged) {
      XWindow box = 0;
      Check(WaitFor([&] { return (box = Box()) != 0; }, 10000), "a damaged settings file is said in a box at start");
      Check(fs::exists(scratch + "/config/Velloran/Orvanta.json.corrupt"), "the damaged file is kept aside");
      Screenshot(x_.Geometry(box), "session_damaged_settings.png");
      Run({xdotool_, "key", "Return"});
    }
    // The window manager places the window and hands it the keyboard; the
    // clicks go where it has settled.
    Check(WaitFor([&] { return x_.ActiveWindow() == main_; }, 10000), "the main window has the keyboard");
    QRect settled;
    WaitFor(
        [&] {
          const QRect now = x_.Geometry(main_);
          const bool same = now == settled;
          settled = now;
          if (!same) usleep(200000);
          return same;
        },
        5000);
  }

  // The middle of the button whose top left corner is at (x, y).
  void ClickButton(int x, int y, int width, int height, bool afterDialog = true) {
    Click(x + width / 2, y + height / 2, afterDialog);
  }

  // Options and About open over the main window and belong to it, also after
  // the user has clicked elsewhere on the screen first.
  void CheckDialogsOverMainWindow() {
    const struct {
      int x, y, width, height;
      const char* title;
    } dialogs[] = {{119, 284, 80, 30, "选项"}, {18, 349, 40, 40, "关于"}};
    for (const auto& dialog : dialogs) {
      Run({xdotool_, "mousemove", "5", "5", "click", "1"});
      ClickButton(dialog.x, dialog.y, dialog.width, dialog.height, false);
      XWindow window = 0;
      const bool shown = WaitFor([&] { return (window = x_.FindWindow(pid_, dialog.title)) != 0; }, 10000);
      WaitFor([&] { return x_.ActiveWindow() == window; }, 5000);
      std::printf("%s at %d,%d over the main window at %d,%d\n", dialog.title, x_.Geometry(window).x(),
                  x_.Geometry(window).y(), x_.Geometry(main_).x(), x_.Geometry(main_).y());
      Check(shown && x_.TransientFor(window) == main_, "the dialog belongs to the main window");
      Check(shown && CentredOver(x_.Geometry(window), x_.Geometry(main_)),
            "the dialog opens centred over the main window");
      Run({xdotool_, "key", "Escape"});
      Check(WaitFor([&] { return x_.FindWindow(pid_, dialog.title) == 0; }, 10000), "Esc closes the dialog");
    }
  }

  // Add, then the path typed into the file dialog, as a user does; by Tab and
  // Enter from the list, or a click.
  void AddPresentation(const std::string& path, bool keyboard = false) {
    if (keyboard) {
      Run({xdotool_, "key", "Tab", "Return"});
    } else {
      ClickButton(21, 164, 80, 30);
    }
    XWindow dialog = 0;
    const bool shown =
        WaitFor([&] { return (dialog = x_.FindWindow(pid_, "选择")) != 0 && x_.ActiveWindow() == dialog; }, 15000);
    Check(shown, "the file dialog opens with the keyboard");
    Check(shown && x_.TransientFor(dialog) == main_, "the file dialog belongs to the main window");
    Run({xdotool_, "type", "--delay", "20", path});
    Run({xdotool_, "key", "Return"});
    Check(WaitFor([&] { return x_.FindWindow(pid_, "选择") == 0; }, 15000), "the file dialog closes");
  }

  // By a click, or by Tab and Enter from the Add button (Add, Remove, Convert).
  void Convert(bool keyboard = false) {
    orv::test::PingWatch ping(main_);
    if (keyboard) {
      WaitFor([&] { return x_.ActiveWindow() == main_; }, 10000);  // back from the file dialog
      Run({xdotool_, "key", "Tab", "Tab", "Return"});
    } else {
      ClickButton(39, 232, 80, 80);
    }
    const Clock::time_point convert = Clock::now();
    const std::string working = temp_ + "/" + kLargeDeck + "_zzz_";
    std::vector<double> shots = {300, 1000, 3000};
    if (mode_ != "screens") shots.clear();
    pid_t office = 0;
    Clock::time_point officeSeen;
    bool exposed = false;
    bool escTyped = false;
    XWindow progress = 0;
    // Until the large deck's progress window goes (cancelled or done).
    const bool ended = WaitFor(
        [&] {
          if (progress == 0) {
            progress = x_.FindWindow(pid_, kProgressTitle);
            if (progress != 0) CheckProgressWindow(progress);
          }
          if (!shots.empty() && MillisecondsSince(convert) >= shots.front()) {
            Screenshot(shots.front(), progress);
            shots.erase(shots.begin());
          }
          if (office == 0 && (office = NoteOffice()) != 0) officeSeen = Clock::now();
          if (mode_ == "screens" && office != 0 && !exposed && MillisecondsSince(officeSeen) > 1000) {
            exposed = true;
            CheckExposeWhileLoading(working);
          }
          if (!escTyped && office != 0 && progress != 0 &&
              ((mode_ == "start" && MillisecondsSince(officeSeen) >= 500) ||
               (mode_ == "export" && HasSlidePicture(working)))) {
            escTyped = true;
            TypeEscAndCheckCancel(progress, office, working);
            return true;
          }
          if (progress == 0) return MillisecondsSince(convert) > 30000;  // Convert never started
          return !x_.Viewable(progress) && shots.empty();
        },
        300000);
    Check(ended && progress != 0, "the large deck's progress window came and went");
    auto smallDeckDone = [&] {
      NoteOffice();
      return fs::exists(out_ + "/" + kSmallDeck + ".swf") && x_.FindWindow(pid_, kProgressTitle) == 0;
    };
    const bool finished = progress != 0 && WaitFor(smallDeckDone, 300000);
    Check(finished, "the small deck converts after it");
    std::printf(
        "longest wait for the program's answer to a ping during the batch: %.0f ms, from %.1f s after Convert (%d "
        "pings answered)\n",
        ping.longestMs(), ping.longestAtMs() / 1000.0, ping.answered());
    if (mode_ != "screens") {
      Check(FilesStartingWith(out_, kLargeDeck).empty(), "no movie nor page of the cancelled deck");
      Check(!fs::exists(working), "the cancelled deck's working folder is gone");
    }
  }

  // The close button; the program ends and takes its LibreOffice with it.
  void Close() {
    ClickButton(549, 13, 22, 22);
    Ended();
    Check(FilesStartingWith(temp_, "orvanta-office-").empty(), "no LibreOffice profile left");
  }

  // Options, then OK with the settings folder immutable: one message over the
  // sheet, which stays open.
  void UnwritableSettings() {
    const std::string folder = scratch_ + "/config/Velloran";
    Check(Run({"/usr/bin/chattr", "+i", folder}), "the settings folder is made unwritable (chattr, as root)");
    WaitFor([&] { return x_.ActiveWindow() == main_; }, 10000);
    Run({xdotool_, "key", "alt+p"});
    XWindow sheet = 0;
    WaitFor([&] { return (sheet = x_.FindWindow(pid_, "选项")) != 0 && x_.ActiveWindow() == sheet; }, 10000);
    Run({xdotool_, "key", "Return"});
    XWindow box = 0;
    Check(sheet != 0 && WaitFor([&] { return (box = Box(sheet)) != 0; }, 10000), "OK says the settings were not saved");
    Screenshot(x_.Geometry(box), "session_settings_not_saved.png");
    Run({xdotool_, "key", "Return"});
    Check(WaitFor([&] { return !x_.Viewable(box); }, 5000) && x_.Viewable(sheet), "the options stay open");
    Run({xdotool_, "key", "Escape"});
    Run({"/usr/bin/chattr", "-i", folder});
  }

  // Four decks, the second from the top damaged, converted bottom first.
  void TeacherBatches(const std::string& corpus) {
    const std::vector<std::string> names = {kSmallDeck, "Password_Protected-hello", "slide_master",
                                            "incorrect_slide_order"};
    std::vector<std::string> decks;
    for (const std::string& name : names) decks.push_back(corpus + "/" + name + ".ppt");
    OpenList(decks);
    const auto converted = [&](const std::string& name, fs::file_time_type since) {
      std::error_code ec;
      return fs::last_write_time(out_ + "/" + name + ".swf", ec) > since && !ec;
    };
    const auto allButTheDamaged = [&](fs::file_time_type since) {
      return
          [&, since] { return converted(names[0], since) && converted(names[2], since) && converted(names[3], since); };
    };
    for (const int collect : {1, 0}) {
      Store(R"("BatchErrors": )" + std::to_string(collect));
      const int before = boxes_;
      Check(Batch(allButTheDamaged(fs::file_time_type::clock::now())), "the batch converts the three good decks");
      Check(boxes_ - before == 1 - collect,
            collect ? "no box with the problems collected" : "one box for the damaged deck");
      if (collect) Screenshot(x_.Geometry(main_), "session_statuses.png");
    }
    // Stop (Alt+S in the progress window) during the second deck: nothing after it converts.
    auto since = fs::file_time_type::clock::now();
    bool stopped = false;
    Batch(
        allButTheDamaged(since),
        [&](int nth, XWindow progress) {
          if (nth != 2) return;
          // The deck must still be converting when the key arrives: a small one
          // can end first under load, and the key is lost on the disabled main
          // window. Its LibreOffice waits until the Stop has been taken.
          const pid_t office = NoteOffice();
          if (office != 0) kill(-office, SIGSTOP);
          WaitFor([&] { return x_.ActiveWindow() == progress; }, 10000);
          stopped = Run({xdotool_, "key", "alt+s"});
          WaitFor([&] { return !x_.Viewable(progress); }, 2000);
          if (office != 0) kill(-office, SIGCONT);
        },
        [&] { return stopped && x_.FindWindow(pid_, kProgressTitle) == 0; });
    Check(converted(names[3], since), "the deck before the Stop converted");
    // Nothing can say that no deck comes any more: a while without one must do.
    Check(!WaitFor([&] { return x_.FindWindow(pid_, kProgressTitle) != 0; }, 3000), "no deck starts after Stop");
    Check(!converted(names[0], since), "Stop leaves the decks after it unconverted");
    for (pid_t group : groups_) Check(WaitFor([&] { return GroupGoneOrIdle(group); }, 15000), "no LibreOffice at work");

    // Closing the main window during a batch asks: No keeps both windows, Yes stops and closes.
    since = fs::file_time_type::clock::now();
    Batch([] { return false; },
          [&](int nth, XWindow progress) {
            if (nth != 1) return;
            for (const char* answer : {"Escape", "Return"}) {
              x_.RequestClose(main_);
              XWindow box = 0;
              Check(WaitFor([&] { return (box = Box()) != 0; }, 10000), "closing during a batch asks first");
              Run({xdotool_, "key", answer});
              WaitFor([&] { return !x_.Viewable(box); }, 5000);
              if (answer[0] == 'E') Check(x_.Viewable(main_) && x_.Viewable(progress), "No keeps both windows");
            }
          },
          [&] { return StatOf(std::to_string(pid_)).state == 'Z'; });
    Check(!converted(names[0], since), "Yes stopped the batch");
    Ended();
  }

  // Two lecture1.ppt of two courses: the question, then each choice.
  void SameNames(const std::string& corpus) {
    std::vector<std::string> lectures;
    for (const char* course : {"courseA", "courseB"}) {
      fs::create_directories(scratch_ + "/" + course);
      lectures.push_back(scratch_ + "/" + course + "/lecture1.ppt");
      fs::copy_file(corpus + "/" + kSmallDeck + ".ppt", lectures.back());
    }
    OpenList(lectures);
    Store("");
    // Keep the folder tree: both convert, each in its course's folder (courseA,
    // the top entry, last); skip the later one: the first converts.
    for (const auto& [choice, movie] :
         {std::pair{"alt+k", "courseA/lecture1.swf"}, std::pair{"alt+s", "lecture1.swf"}}) {
      const int before = boxes_;
      const bool done = Batch([&] { return fs::exists(out_ + "/" + movie); }, {}, {}, choice);
      Check(done && boxes_ == before + 1, "the same names are asked about once, and the choice is kept");
    }
    Check(fs::exists(out_ + "/courseB/lecture1.swf"), "the folder tree is kept below the output folder");
  }

 private:
  // Rewrites the settings file with the session's values and `extra` ones.
  void Store(const std::string& extra) {
    std::ofstream(scratch_ + "/config/Velloran/Orvanta.json")
        << "{\"OpenDest\": 0, \"WebPlayer\": 0, \"Language\": \"zh\", \"OutputDir\": \"" << out_ << "\""
        << (extra.empty() ? "" : ", " + extra) << "}\n";
  }

  // A box of the program over `owner` (a message or a question).
  XWindow Box(XWindow owner = 0) {
    for (XWindow w : x_.WindowsOf(pid_)) {
      if (x_.TransientFor(w) == (owner != 0 ? owner : main_) && x_.Title(w) == "Orvanta" && x_.Viewable(w)) return w;
    }
    return 0;
  }

  // The list replaced by a scheme file opened with Ctrl+O (not saving the old one).
  void OpenList(const std::vector<std::string>& paths) {
    const std::string scheme = scratch_ + "/list.p2s";
    std::ofstream out(scheme, std::ios::binary);
    out << "P2S" << static_cast<char>(paths.size());
    for (const std::string& path : paths) {
      const std::uint32_t length = static_cast<std::uint32_t>(path.size());
      out.write(reinterpret_cast<const char*>(&length), 4) << path;
    }
    out.close();
    Run({xdotool_, "key", "ctrl+o"});
    XWindow dialog = 0;
    WaitFor(
        [&] {
          if (XWindow box = Box()) Run({xdotool_, "key", "Escape"}), WaitFor([&] { return !x_.Viewable(box); }, 5000);
          return (dialog = x_.FindWindow(pid_, "请选择")) != 0 && x_.ActiveWindow() == dialog;
        },
        15000);
    Run({xdotool_, "type", "--delay", "20", scheme});
    Run({xdotool_, "key", "Return"});
    Check(WaitFor([&] { return x_.FindWindow(pid_, "请选择") == 0; }, 15000), "the list opens");
  }

  // Alt+C, then the batch until `done`: the n-th progress window seen goes to
  // `onProgress`, each box is counted and answered with `answer`.
  bool Batch(const std::function<bool()>& done, const std::function<void(int, XWindow)>& onProgress = {},
             const std::function<bool()>& ended = {}, const char* answer = "Return") {
    XWindow last = 0;
    int seen = 0;
    // Under load the main window can take the keyboard back from a dialog
    // after the key was typed: Alt+C again while no deck has started.
    const auto started = [&] { return seen > 0 || x_.FindWindow(pid_, kProgressTitle) != 0 || Box() != 0; };
    for (int tries = 0; tries < 3 && !started(); ++tries) {
      if (!WaitFor([&] { return x_.ActiveWindow() == main_; }, 10000)) {
        Run({xdotool_, "windowactivate", "--sync", std::to_string(main_)});
      }
      Run({xdotool_, "key", "alt+c"});
      if (WaitFor(started, 20000)) break;
    }
    return WaitFor(
        [&] {
          if (XWindow box = Box()) {
            ++boxes_;
            Run({xdotool_, "key", answer});
            WaitFor([&] { return !x_.Viewable(box); }, 5000);
          }
          const XWindow progress = x_.FindWindow(pid_, kProgressTitle);
          NoteOffice();
          if (progress != 0 && progress != last && onProgress) onProgress(++seen, last = progress);
          return ended ? ended() : progress == 0 && done();
        },
        300000);
  }

  void Screenshot(const QRect& area, const char* name) {
    const QString path = QString::fromStdString(artifacts_ + "/" + name);
    if (x_.Grab(area).save(path)) std::printf("saved %s\n", qPrintable(path));
  }

  // The program has ended by itself, and its LibreOffice with it.
  void Ended() {
    int status = 0;
    const bool ended = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 30000);
    Check(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0, "the program ends");
    if (!ended) kill(pid_, SIGKILL);
    for (pid_t group : groups_) Check(WaitFor([&] { return GroupGone(group); }, 10000), "no LibreOffice left");
  }

  // The program's LibreOffice of the moment, remembered for the end.
  pid_t NoteOffice() {
    const pid_t office = OfficeChildOf(pid_);
    if (office != 0 && std::find(groups_.begin(), groups_.end(), office) == groups_.end()) groups_.push_back(office);
    return office;
  }

  // A click into the main window once it has the keyboard back (a dialog
  // that closes hands it back a moment later): the pointer is moved there
  // first, and the button is pressed once the window has seen it come.
  void Click(int x, int y, bool afterDialog = true) {
    if (afterDialog) WaitFor([&] { return x_.ActiveWindow() == main_; }, 10000);
    const QRect main = x_.Geometry(main_);
    Run({xdotool_, "mousemove", std::to_string(main.x() + x), std::to_string(main.y() + y)});
    usleep(300000);
    Run({xdotool_, "click", "1"});
  }

  void CheckProgressWindow(XWindow progress) {
    WaitFor([&] { return x_.Viewable(progress); }, 5000);
    const QRect area = x_.Geometry(progress);
    Check(x_.TransientFor(progress) == main_, "the progress window is a transient of the main window");
    Check(CentredOver(area, x_.Geometry(main_)), "the progress window opens centred over the main window");
    Check(WaitFor([&] { return x_.ActiveWindow() == progress; }, 1000), "the progress window has the keyboard");
  }

  void Screenshot(double ms, XWindow progress) {
    const QImage screen = x_.GrabScreen();
    const QString path = QString::fromStdString(artifacts_) + QStringLiteral("/responsive_%1s.png").arg(ms / 1000.0);
    if (screen.save(path)) std::printf("saved %s\n", qPrintable(path));
    const QRect area = progress != 0 ? x_.Geometry(progress) : QRect();
    const bool shown = progress != 0 && x_.Viewable(progress) && CentredOver(area, x_.Geometry(main_));
    // Text and the bar's frame are dark; an empty, unpainted window is not.
    const double dark = shown ? DarkShare(screen.copy(area)) : 0.0;
    std::printf("%.1f s: progress window %s, %.1f %% dark\n", ms / 1000.0, shown ? "over the main window" : "absent",
                dark * 100.0);
    Check(shown && dark > 0.01, "the screenshot shows the progress window painted over the main window");
  }

  void CheckExposeWhileLoading(const std::string& working) {
    // A strip of the main window's top, clear of the progress window.
    const double ms = x_.ExposeRepaintMs(main_, QRect(240, 30, 120, 24), 5000);
    std::printf("expose of the main window repainted after %.1f ms%s\n", ms,
                HasSlidePicture(working) ? "" : " (LibreOffice still loading)");
    Check(ms >= 0 && ms <= 200, "the main window repaints an expose within 200 ms while LibreOffice works");
  }

  void TypeEscAndCheckCancel(XWindow progress, pid_t office, const std::string& working) {
    const pid_t group = office;  // LibreOffice leads its own process group
    const char* moment = HasSlidePicture(working) ? "during the export" : "at the start";
    const Clock::time_point typed = Clock::now();
    Run({xdotool_, "key", "Escape"});
    const bool hidden = WaitFor([&] { return !x_.Viewable(progress); }, 10000);
    const double ms = MillisecondsSince(typed);
    std::printf("Esc (%s) honoured after %.0f ms\n", moment, ms);
    Check(hidden && ms <= 500, "Esc cancels within half a second");
    // The call in flight, if any, is cut short by ending its LibreOffice.
    const bool stopped = WaitFor([&] { return GroupGoneOrIdle(group); }, 15000);
    if (!stopped) PrintGroup(group);
    Check(stopped, "the cancel ends that deck's LibreOffice or leaves it idle");
  }

  std::string mode_, artifacts_, program_, xdotool_;
  std::string out_, temp_, scratch_;
  int boxes_ = 0;
  XProbe x_;
  pid_t pid_ = 0;
  XWindow main_ = 0;
  std::vector<pid_t> groups_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: desktop_responsive start|export|screens ARTIFACTS ORVANTA XDOTOOL OPENBOX SHARED\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string corpus = std::string(argv[6]) + "/corpus/ppt";
  if (!fs::exists(corpus + "/" + kLargeDeck + ".ppt")) {
    std::fprintf(stderr, "*** SKIPPED: missing the corpus at %s\n", corpus.c_str());
    return orv::test::InCi() ? EXIT_FAILURE : EXIT_SUCCESS;
  }
  fs::create_directories(argv[2]);
  orv::test::ScratchFolder scratch;

  const pid_t windowManager = Spawn({argv[5], "--sm-disable"});
  XProbe x;
  Check(x.valid() && WaitFor([&] { return x.WindowManagerRunning(); }, 15000), "openbox manages the screen");

  Session session(mode, argv[2], argv[3], argv[4]);
  session.Start(scratch.path());
  if (mode == "start") session.CheckDialogsOverMainWindow();
  const bool keyboard = mode == "export";
  session.AddPresentation(corpus + "/" + kSmallDeck + ".ppt", keyboard);
  session.AddPresentation(corpus + "/" + kLargeDeck + ".ppt");  // the bottom entry converts first
  session.Convert(keyboard);
  if (mode == "start") {
    session.UnwritableSettings();
    session.Close();
    session.Start(scratch.path(), /*damaged=*/true);
    session.Close();
  } else if (mode == "export") {
    session.TeacherBatches(corpus);  // ends with the program closed during a batch
  } else {
    session.SameNames(corpus);
    session.Close();
  }

  kill(windowManager, SIGTERM);
  waitpid(windowManager, nullptr, 0);
  return orv::test::ScreenFailures() == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
