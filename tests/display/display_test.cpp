// The desktop host on a real X server (Xvfb), driven by xdotool with real
// pointer and key events, judged by what the probe reports and by screenshots.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop_host.h"
#include "platform/platform.h"
#include "tests/display/probe_pattern.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path PROBE = DISPLAY_PROBE_PATH;
const fs::path SHOTS = SHOT_DIR;
// How long to wait for something that is bound to come: only a failure
// waits this long, and a busy machine with sanitizers needs most of it.
constexpr std::chrono::seconds PATIENCE = 90s;

// Asks `done` every 20 ms until it holds or `timeout` has passed; its last answer.
template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds timeout = PATIENCE) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return done();
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

bool OnPath(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The environment with some variables set (value given) or removed (empty value).
std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (changes.count(entry.substr(0, entry.find('='))) == 0) env.push_back(entry);
  }
  for (const auto& [name, value] : changes)
    if (!value.empty()) env.push_back(name + "=" + value);
  return env;
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            const fs::path& out, const fs::path& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

constexpr int STILL_RUNNING = -2;

// Exit code, -1 for an end by a signal, or STILL_RUNNING after the timeout.
int WaitExit(pid_t pid, std::chrono::milliseconds timeout) {
  int status = 0;
  if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout)) return STILL_RUNNING;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether a child of ours has ended, leaving it to be reaped.
bool Ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Ends a process we started and have not reaped yet.
void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  if (WaitExit(pid, 3s) == STILL_RUNNING) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid = -1;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// An X server of our own on the first free display number from :91.
class Xvfb {
 public:
  ~Xvfb() { Stop(pid_); }
  bool Start(int w, int h, const fs::path& dir) {
    for (int n = 91; n < 160; ++n) {
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
      if (fs::exists(socket) || fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
      pid_ = Spawn({"Xvfb", ":" + std::to_string(n), "-screen", "0",
                    std::to_string(w) + "x" + std::to_string(h) + "x24", "-nolisten", "tcp", "-noreset"},
                   EnvironmentWith({}), "/dev/null", dir / "xvfb.log");
      // Another test may start a server on the same number at the same time:
      // ours is the one whose process id stands in the lock file.
      const fs::path lock = "/tmp/.X" + std::to_string(n) + "-lock";
      bool lost = false, ready = false;
      WaitUntil([&] {
        lost = pid_ <= 0 || waitpid(pid_, nullptr, WNOHANG) == pid_;
        ready = !lost && fs::exists(socket) && std::atoi(ReadFile(lock).c_str()) == pid_;
        return lost || ready;
      });
      if (ready) {
        display = ":" + std::to_string(n);
        return true;
      }
      if (lost) pid_ = -1;  // lost the race for this number
      Stop(pid_);
    }
    return false;
  }
  std::string display;

 private:
  pid_t pid_ = -1;
};

struct Rgb {
  int r, g, b;
};

Rgb Expand565(uint16_t c) {
  const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

struct Shot {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  Rgb At(int x, int y) const {
    const size_t i = (size_t(y) * size_t(width) + size_t(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// Text pixels of a button: inside its frame and focus rectangle.
int DarkPixels(const Shot& shot, const DesktopRect& r) {
  int dark = 0;
  for (int y = r.y + 4; y < r.y + r.h - 4; ++y)
    for (int x = r.x + 6; x < r.x + r.w - 6; ++x) {
      const Rgb c = shot.At(x, y);
      dark += c.r < 80 && c.g < 80 && c.b < 80;
    }
  return dark;
}

class RealDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "import", "convert"})
      if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    dir = fs::temp_directory_path() / ("tolvane-display-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::create_directories(SHOTS);
  }
  void TearDown() override {
    Stop(probe);
    if (!dir.empty()) fs::remove_all(dir);
  }

  // `extra`: more variables for the probe's environment.
  void StartProbe(const std::string& mode, const std::map<std::string, std::string>& extra = {}) {
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" > " << (dir / "url.txt") << "\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    std::map<std::string, std::string> env = {
        {"DISPLAY", x.display}, {"QT_QPA_PLATFORM", "xcb"}, {"ALSOFT_DRIVERS", "null"},
        {"WAYLAND_DISPLAY", ""}, {"XDG_CURRENT_DESKTOP", ""}, {"DESKTOP_SESSION", ""},
        {"QT_XCB_GL_INTEGRATION", ""}, {"PROBE_GO", (dir / "go").string()},
        {"PATH", bin.string() + ":" + (path ? path : "/usr/bin:/bin")}};
    for (const auto& [name, value] : extra) env[name] = value;
    probe = Spawn({PROBE.string(), mode}, EnvironmentWith(env), dir / "out.txt", dir / "err.txt");
    ASSERT_GT(probe, 0);
  }

  // Waits for a line of the probe's output that starts with `prefix`; a
  // probe that has ended writes no more.
  std::string Line(const std::string& prefix) {
    std::string found;
    const auto look = [&] {
      std::istringstream out(ReadFile(dir / "out.txt"));
      for (std::string line; std::getline(out, line);)
        if (line.rfind(prefix, 0) == 0) {
          found = line;
          return true;
        }
      return false;
    };
    WaitUntil([&] { return look() || (probe > 0 && Ended(probe)); });
    if (found.empty()) look();  // what an ended probe wrote last
    if (!found.empty()) return found;
    ADD_FAILURE() << "no line '" << prefix << "' in:\n"
                  << ReadFile(dir / "out.txt") << ReadFile(dir / "err.txt");
    return "";
  }

  DesktopRect RectLine(const std::string& prefix) {
    std::istringstream in(Line(prefix).substr(prefix.size()));
    DesktopRect r;
    in >> r.x >> r.y >> r.w >> r.h;
    return r;
  }

  int ProbeExit() {
    const int code = WaitExit(probe, PATIENCE);
    if (code == STILL_RUNNING) Stop(probe);
    probe = -1;
    return code;
  }

  std::string Run(const std::string& command) {
    const std::string full = "DISPLAY=" + x.display + " " + command + " 2>/dev/null";
    std::string out;
    if (FILE* p = popen(full.c_str(), "r")) {
      char buffer[256];
      while (fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
      pclose(p);
    }
    return out;
  }

  void Click(const DesktopRect& r) {
    Run("xdotool mousemove " + std::to_string(r.x + r.w / 2) + " " + std::to_string(r.y + r.h / 2) +
        " click 1");
  }

  void Focus(const std::string& title) {
    const std::string window = Run("xdotool search --name '^" + title + "$' | head -1");
    ASSERT_FALSE(window.empty()) << "no window " << title;
    Run("xdotool windowfocus --sync " + window);
  }

  // The whole screen, kept as a PNG beside the build for people to look at.
  Shot Screenshot(const std::string& name) {
    const fs::path png = SHOTS / (name + ".png"), ppm = dir / (name + ".ppm");
    Run("import -window root " + png.string());
    Run("convert " + png.string() + " -depth 8 " + ppm.string());
    std::ifstream in(ppm, std::ios::binary);
    Shot s;
    std::string magic;
    int max = 0;
    in >> magic >> s.width >> s.height >> max;
    in.get();
    if (magic != "P6" || max != 255) return Shot{};
    s.rgb.resize(size_t(s.width) * size_t(s.height) * 3);
    in.read(reinterpret_cast<char*>(s.rgb.data()), std::streamsize(s.rgb.size()));
    return s;
  }

  // Takes the screenshot again until `shows` holds of it (the picture may
  // still be on its way) or the patience runs out; the last one taken.
  template <typename Shows>
  Shot ScreenshotShowing(const std::string& name, Shows shows) {
    Shot shot;
    WaitUntil([&] {
      shot = Screenshot(name);
      return shot.width > 0 && shows(shot);
    });
    return shot;
  }

  fs::path dir;
  Xvfb x;
  pid_t probe = -1;
};

TEST_F(RealDisplay, MenuWindowClicksTabsAndKeys) {
  ASSERT_TRUE(x.Start(1024, 768, dir));
  StartProbe("menu");
  Line("ready");
  const DesktopRect window = RectLine("window ");
  EXPECT_EQ(window.w, 350);
  EXPECT_EQ(window.h, 200);
  EXPECT_NEAR(window.x, (1024 - 350) / 2, 1);
  EXPECT_NEAR(window.y, (768 - 200) / 2, 1);
  const DesktopRect start = RectLine("control 2 "), boxButton = RectLine("control 3 "),
                    exit = RectLine("control 5 "),
                    keyButton = RectLine("control 30 "), tab0 = RectLine("tab 0 "),
                    tab1 = RectLine("tab 1 ");

  // The button face and its dark caption are on the screen where the button is.
  const auto face = [&](const Shot& shot) {
    int n = 0;
    for (int y = start.y; y < start.y + start.h; ++y)
      for (int xx = start.x; xx < start.x + start.w; ++xx) n += Near(shot.At(xx, y), {212, 208, 200}, 2);
    return n;
  };
  const Shot game = ScreenshotShowing("menu_game", [&](const Shot& shot) {
    return shot.width == 1024 && face(shot) > start.w * start.h / 2 && DarkPixels(shot, start) > 20;
  });
  ASSERT_EQ(game.width, 1024);
  EXPECT_GT(face(game), start.w * start.h / 2);
  EXPECT_GT(DarkPixels(game, start), 20);

  Click(start);
  Line("control 2 tab 0");
  Click(tab1);
  Line("control 0 tab 1");
  const Shot controls =
      ScreenshotShowing("menu_controls", [&](const Shot& shot) { return DarkPixels(shot, keyButton) > 20; });
  // The new label shows while the program serves no events (the probe holds
  // still until we have looked): "?" has less ink.
  Click(keyButton);
  Line("capturing");
  const int before = DarkPixels(controls, keyButton);
  const Shot capture = ScreenshotShowing("menu_capture", [&](const Shot& shot) {
    const int during = DarkPixels(shot, keyButton);
    return during > 0 && during * 2 < before;
  });
  std::ofstream(dir / "go").put('\n');
  Line("captured");
  const int during = DarkPixels(capture, keyButton);
  EXPECT_GT(during, 0);
  EXPECT_LT(during * 2, before);

  Click(tab0);
  Line("control 0 tab 0");
  Click(boxButton);
  std::string box;
  WaitUntil([&] {
    box = Run("xdotool search --onlyvisible --name '^Error !!!$' | head -1");
    return !box.empty();
  });
  ASSERT_FALSE(box.empty()) << "no message box";
  Screenshot("message_box");
  EXPECT_EQ(ReadFile(dir / "out.txt").find("box closed"), std::string::npos);  // modal: still waiting
  Run("xdotool windowfocus --sync " + box);
  Run("xdotool key Return");
  Line("box closed");
  // The browser gets the URL as it stands (a stand-in xdg-open writes it down).
  Click(RectLine("tab 3 "));
  Line("control 0 tab 3");
  Click(RectLine("control 10 "));
  Line("control 10 tab 3");
  // The stand-in has written all once its line is complete.
  WaitUntil([&] { return ReadFile(dir / "url.txt").ends_with('\n'); });
  EXPECT_EQ(ReadFile(dir / "url.txt"), "https://tolvane.example/highscore?list=1&x=%20\n");
  Click(tab1);
  Line("control 0 tab 1");

  Focus("Probe Menu");
  Run("xdotool keydown Left");
  Line("down 203");
  Run("xdotool keyup Left");
  Line("up 203");
  Run("xdotool keydown Control_R keydown a");
  Line("down 157");
  Line("down 30");
  Run("xdotool keyup a keyup Control_R");
  Line("up 157");

  Click(tab0);
  Line("control 0 tab 0");
  Click(exit);
  Line("exit");
  EXPECT_EQ(ProbeExit(), 0);
}

// The picture fills the screen with its aspect kept: each block's centre shows
// its colour, the borders are black; on an exact multiple every pixel is exact.
// The first fault found, empty when there is none.
std::string PictureFault(const Shot& shot, int w, int h) {
  if (shot.width != w || shot.height != h)
    return "screenshot of " + std::to_string(shot.width) + "x" + std::to_string(shot.height);
  const auto at = [](int x, int y) { return std::to_string(x) + "," + std::to_string(y); };
  int32_t factor = 0;
  const DesktopRect t = DesktopPictureFit(w, h, &factor);
  for (int y = 0; y < h; y += 7)
    for (int x = 0; x < w; x += 7)
      if ((x < t.x || x >= t.x + t.w || y < t.y || y >= t.y + t.h) && !Near(shot.At(x, y), {0, 0, 0}, 0))
        return "border at " + at(x, y);
  for (int sy = 50; sy < SCREEN_HEIGHT; sy += 20)
    for (int sx = 50; sx < SCREEN_WIDTH; sx += 20) {
      const int x = t.x + sx * t.w / SCREEN_WIDTH, y = t.y + sy * t.h / SCREEN_HEIGHT;
      if (!Near(shot.At(x, y), Expand565(ProbePattern(sx, sy)), 3)) return "block at " + at(sx, sy);
    }
  if (t.w != SCREEN_WIDTH * factor) return "";
  for (int sy = 0; sy < 40; ++sy)
    for (int sx = 0; sx < 40; ++sx)
      for (int i = 0; i < factor * factor; ++i)
        if (!Near(shot.At(t.x + sx * factor + i % factor, t.y + sy * factor + i / factor),
                  Expand565(ProbePattern(sx, sy)), 0))
          return "checkerboard at " + at(sx, sy);
  return "";
}

// The ways to the screen: the default, which on Xvfb (whose OpenGL is Mesa's
// software renderer) is the software scaler; OpenGL all the same, through the
// seam the probe's "glscreen" opens; and no OpenGL for the toolkit at all.
enum class Way { Default, OpenGl, NoOpenGl };

struct ScreenCase {
  int w, h;
  Way way;
};

std::string CaseName(const ScreenCase& c) {
  const char* const names[] = {"_Default", "_OpenGl", "_NoOpenGl"};
  return std::to_string(c.w) + "x" + std::to_string(c.h) + names[int(c.way)];
}

void PrintTo(const ScreenCase& c, std::ostream* os) { *os << CaseName(c); }

class FullScreen : public RealDisplay, public ::testing::WithParamInterface<ScreenCase> {
 protected:
  // Starts the probe's full screen the given way; checks the way it took and
  // the one line on standard error that tells it.
  void StartScreen(Way way) {
    std::map<std::string, std::string> env;
    if (way == Way::NoOpenGl) env["QT_XCB_GL_INTEGRATION"] = "none";
    StartProbe(way == Way::OpenGl ? "glscreen" : "screen", env);
    EXPECT_EQ(Line("presented "), way == Way::OpenGl ? "presented opengl" : "presented software");
    std::vector<std::string> told;
    std::istringstream err(ReadFile(dir / "err.txt"));
    for (std::string line; std::getline(err, line);)
      if (line.rfind("full screen: ", 0) == 0) told.push_back(line);
    ASSERT_EQ(told.size(), 1u) << ReadFile(dir / "err.txt");
    const std::string& line = told[0];
    if (way == Way::OpenGl) {
      EXPECT_EQ(line.rfind("full screen: through OpenGL (", 0), 0u) << line;
    } else if (way == Way::Default) {
      EXPECT_EQ(line.rfind("full screen: software renderer ", 0), 0u) << line;
      EXPECT_TRUE(line.ends_with(", scaling in software")) << line;
    } else {
      EXPECT_EQ(line, "full screen: no OpenGL context, scaling in software");
    }
  }
  // The probe's picture once it is on the screen (the first frames differ).
  Shot ScreenPicture(const std::string& name, int w, int h) {
    return ScreenshotShowing(name, [&](const Shot& shot) { return PictureFault(shot, w, h).empty(); });
  }
  void EndScreen() {
    Focus("Probe Screen");
    Run("xdotool key Escape");
    Line("exit");
    EXPECT_EQ(ProbeExit(), 0);
  }
};

TEST_P(FullScreen, PictureScaledWithBordersAndKeysArrive) {
  const ScreenCase c = GetParam();
  ASSERT_TRUE(x.Start(c.w, c.h, dir));
  StartScreen(c.way);
  const std::string window = Run("xdotool search --name '^Probe Screen$' | head -1");
  EXPECT_NE(Run("xdotool getwindowgeometry " + window).find(std::to_string(c.w) + "x" + std::to_string(c.h)),
            std::string::npos);
  EXPECT_EQ(PictureFault(ScreenPicture("screen_" + CaseName(c), c.w, c.h), c.w, c.h), "");
  Focus("Probe Screen");
  Run("xdotool keydown Up keyup Up");
  Line("down 200");
  EndScreen();
}

INSTANTIATE_TEST_SUITE_P(Sizes, FullScreen,
                         ::testing::Values(ScreenCase{1280, 1024, Way::Default}, ScreenCase{1600, 1200, Way::NoOpenGl},
                                           ScreenCase{1280, 1024, Way::OpenGl}, ScreenCase{1600, 1200, Way::OpenGl}),
                         [](const auto& info) { return CaseName(info.param); });

// The same frame through OpenGL and through the software scaler (the
// default way on Xvfb): every pixel alike but for rounding. At 1024 x 768
// nearly every pixel is a blend (the one-pixel checkerboard too); 1920 x 1080
// has borders at the sides and rows and columns that are copies.
class BothPaths : public FullScreen {};

TEST_P(BothPaths, ShowTheSamePicture) {
  const ScreenCase c = GetParam();
  ASSERT_TRUE(x.Start(c.w, c.h, dir));
  StartScreen(Way::OpenGl);
  const Shot gl = ScreenPicture("both_" + CaseName(c), c.w, c.h);
  EndScreen();
  StartScreen(Way::Default);
  const Shot software = ScreenPicture("both_" + CaseName({c.w, c.h, Way::Default}), c.w, c.h);
  EndScreen();
  ASSERT_EQ(gl.width, c.w);
  ASSERT_EQ(software.width, c.w);
  ASSERT_EQ(gl.height, software.height);
  int worst = 0, worstX = 0, worstY = 0;
  for (int y = 0; y < c.h; ++y)
    for (int xx = 0; xx < c.w; ++xx) {
      const Rgb a = gl.At(xx, y), b = software.At(xx, y);
      const int d = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
      if (d > worst) worst = d, worstX = xx, worstY = y;
    }
  EXPECT_LE(worst, 3) << "at " << worstX << "," << worstY;
  EXPECT_EQ(PictureFault(gl, c.w, c.h), "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, BothPaths,
                         ::testing::Values(ScreenCase{1024, 768, Way::OpenGl}, ScreenCase{1920, 1080, Way::OpenGl}),
                         [](const auto& info) {
                           return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

// No display server at all: no abort, every service fails, the message is text.
TEST(NoDisplay, ServicesFailAndTheMessageGoesToStandardError) {
  const fs::path dir = fs::temp_directory_path() / ("tolvane-nodisplay-" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (const std::string platform : {"xcb", ""}) {
    pid_t pid = Spawn({PROBE.string(), "nodisplay"},
                            EnvironmentWith({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""},
                                             {"XDG_RUNTIME_DIR", ""},
                                             {"QT_QPA_PLATFORM", platform},
                                             {"ALSOFT_DRIVERS", "null"}}),
                            dir / "out.txt", dir / "err.txt");
    ASSERT_GT(pid, 0);
    const int code = WaitExit(pid, PATIENCE);
    if (code == STILL_RUNNING) Stop(pid);
    EXPECT_EQ(code, 3) << ReadFile(dir / "err.txt");
    EXPECT_EQ(ReadFile(dir / "out.txt"),
              "keyboard 0 display 0 sound 0 screen 0 window 0\nadvance 0\n");
    EXPECT_NE(ReadFile(dir / "err.txt").find("Error !!!: Please check your DirectX-Version\n"),
              std::string::npos);
  }
  fs::remove_all(dir);
}
}  // namespace
