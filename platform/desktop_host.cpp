#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <bitset>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/desktop_end_watch.h"
#include "platform/desktop_gl.h"
#include "platform/desktop_host.h"
#include "platform/desktop_scaler.h"
#include "platform/desktop_sound.h"
#include "platform/desktop_windows.h"
#include "platform/host.h"

namespace {

// ---- is there a display at all? ----------------------------------------------
// Qt aborts the process when its platform plugin cannot connect; we would
// rather report a failed start.

// A server that resets when its last client leaves (Xvfb, a bare X server)
// would take our probe's goodbye for that, and the toolkit's connection would
// run into the reset; so the probe stays connected until the toolkit is.
xcb_connection_t* g_probeConnection = nullptr;

bool XcbServerReachable() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const bool ok = c != nullptr && xcb_connection_has_error(c) == 0;
  if (ok && g_probeConnection == nullptr) {
    g_probeConnection = c;
  } else if (c != nullptr) {
    xcb_disconnect(c);
  }
  return ok;
}

bool WaylandServerReachable() {
  QByteArray name = qgetenv("WAYLAND_DISPLAY");
  if (name.isEmpty()) name = "wayland-0";
  if (!name.startsWith('/')) {
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
    if (dir.isEmpty()) return false;
    name = dir + '/' + name;
  }
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (size_t(name.size()) >= sizeof(addr.sun_path)) return false;
  std::memcpy(addr.sun_path, name.constData(), size_t(name.size()));
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// A platform plugin file whose name starts with libq<prefix> (xcb, wayland-...).
bool PluginPresent(const QString& prefix) {
  if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM_PLUGIN_PATH") ||
      !qEnvironmentVariableIsEmpty("QT_PLUGIN_PATH"))
    return true;  // somewhere we do not look; let Qt find it
  const QDir dir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
  return !dir.entryList({"libq" + prefix + "*.so"}, QDir::Files).isEmpty();
}

// The toolkit reads QT_QPA_PLATFORM itself (a list separated by ';', each
// entry possibly with ':options'); we only check that one entry can work.
bool DisplayAvailable() {
  QByteArray list = qgetenv("QT_QPA_PLATFORM");
  if (list.isEmpty())
    list = qgetenv("XDG_SESSION_TYPE") == "wayland" ? "wayland;xcb" : "xcb";
  for (const QByteArray& entry : list.split(';')) {
    const QByteArray name = entry.split(':').first().trimmed();
    if (name.isEmpty()) continue;
    if (name == "xcb") {
      if (PluginPresent("xcb") && XcbServerReachable()) return true;
    } else if (name.startsWith("wayland")) {
      if (PluginPresent("wayland") && WaylandServerReachable()) return true;
    } else {
      return true;  // offscreen, minimal, vnc ...: no server to miss
    }
  }
  return false;
}

// ---- the application ------------------------------------------------------------

int g_argc = 1;
char g_programName[] = "tolvane";
char* g_argv[] = {g_programName, nullptr};
enum class AppState { NotTried, Running, Unavailable };
AppState g_appState = AppState::NotTried;
QApplication* g_app = nullptr;
// Why the last service failed to start, for the line on stderr.
std::string g_failure;

uint64_t MonotonicMicros() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

// What times the key holds; tests set their own.
uint64_t (*g_keyClock)() = MonotonicMicros;

// Set while the key capture waits: its pumps must not let the menu act.
bool g_swallowWindowInput = false;

// What would make a widget act: a click, the wheel over the tab bar, a key at
// a focused button or the tab control, the close box.
bool IsWidgetInput(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

// Keeps LiveKeys() by DirectInput code from the key events of every window.
class KeyWatcher : public QObject {
 public:
  // Key events arrive only when we pump, and the game looks at some keys
  // once a frame: a quick tap would be gone before that poll saw it. So a key
  // stays down for at least a frame and a half; a release that comes sooner
  // waits for a timer, which fires in the first pump after that time (and
  // wakes the menu's event wait).
  static constexpr uint64_t MIN_HOLD_US = 50000;

  KeyWatcher() {
    releaseTimer_.setSingleShot(true);
    releaseTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&releaseTimer_, &QTimer::timeout, this, [this] { ApplyDueReleases(); });
  }

 private:
  void ApplyDueReleases() {
    const uint64_t now = g_keyClock();
    uint64_t next = 0;
    for (size_t c = 0; c < 256; ++c) {
      if (!deferredRelease_.test(c)) continue;
      const uint64_t held = now - pressedAt_[c];
      if (held >= MIN_HOLD_US) {
        LiveKeys()[c] = 0;
        deferredRelease_.reset(c);
      } else if (next == 0 || MIN_HOLD_US - held < next) {
        next = MIN_HOLD_US - held;
      }
    }
    if (next != 0) releaseTimer_.start(int((next + 999) / 1000));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    const QEvent::Type t = e->type();
    if (t == QEvent::KeyPress || t == QEvent::KeyRelease) {
      auto* k = static_cast<QKeyEvent*>(e);
      // Held keys stay down by themselves; the repeats change nothing.
      const int32_t code = DirectInputCodeForKey(k->nativeScanCode(), k->key());
      if (!k->isAutoRepeat() && code > 0 && code < 256) {
        const auto c = size_t(code);
        const uint64_t now = g_keyClock();
        if (t == QEvent::KeyPress) {
          // The same event also reaches us once per parent widget.
          if (LiveKeys()[c] == 0 || deferredRelease_.test(c)) pressedAt_[c] = now;
          LiveKeys()[c] = 0x80;
          deferredRelease_.reset(c);
        } else if (LiveKeys()[c] != 0 && now - pressedAt_[c] < MIN_HOLD_US) {
          deferredRelease_.set(c);
          ApplyDueReleases();
        } else {
          LiveKeys()[c] = 0;
        }
      }
    } else if (t == QEvent::ApplicationStateChange) {
      if (static_cast<QApplicationStateChangeEvent*>(e)->applicationState() != Qt::ApplicationActive) {
        ReleaseAllLiveKeys();
        deferredRelease_.reset();
        releaseTimer_.stop();
      }
    }
    // Keys were taken above, so the keyboard state still sees them. Accepted,
    // an event goes no further up to the parents; the close box refused.
    if (g_swallowWindowInput && watched->isWidgetType() && IsWidgetInput(t)) {
      e->setAccepted(t != QEvent::Close);
      return true;
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  uint64_t pressedAt_[256] = {};
  std::bitset<256> deferredRelease_;
  QTimer releaseTimer_;
};

// Made by the first service that needs it; the program's own command line
// is none of the toolkit's business.
bool EnsureApp() {
  if (g_appState == AppState::NotTried) {
    if (QCoreApplication::instance() != nullptr) {
      g_appState = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr
                       ? AppState::Running
                       : AppState::Unavailable;
    } else if (!DisplayAvailable()) {
      g_appState = AppState::Unavailable;
      const QByteArray display = qgetenv("DISPLAY");
      g_failure = "no display: no X or Wayland server could be reached (DISPLAY=\"" +
                  display.toStdString() + "\")";
    } else {
      g_app = new QApplication(g_argc, g_argv);
      g_appState = AppState::Running;
      WatchWindowSystem();
      if (g_probeConnection != nullptr) xcb_disconnect(g_probeConnection);
      g_probeConnection = nullptr;
    }
    if (g_appState == AppState::Running) {
      QApplication::setQuitOnLastWindowClosed(false);
      auto* watcher = new KeyWatcher();
      watcher->setParent(qApp);
      qApp->installEventFilter(watcher);
      ApplyControlLook();
    }
  }
  return g_appState == AppState::Running;
}

// A filled text background is white, as a fresh drawing context has it.
constexpr uint16_t OPAQUE_TEXT_BACKGROUND = 0xFFFF;

// Off only in the tests that compare text drawn both ways.
bool g_textCache = true;

// A string's glyphs in one font: which pixels of its box are inked.
struct TextStamp {
  int32_t advance = 0;
  int width = 0, height = 0;
  std::vector<uint8_t> ink;  // width x height, 1 where a glyph covers the pixel
};

constexpr int TEXT_MARGIN = 4;  // for glyphs reaching past their advance

// Qt 6.4 blits unantialiased glyphs onto RGB16 images with a wrong row
// stride, so the glyphs are drawn as a mask first and set pixel by pixel:
// exact pen colour, no grey edges.
TextStamp MakeStamp(const QFont& font, const std::string& text) {
  TextStamp stamp;
  const QFontMetrics metrics(font);
  const QString s = FromBytes(text);
  stamp.advance = metrics.horizontalAdvance(s);
  QImage mask(stamp.advance + 2 * TEXT_MARGIN, metrics.height(), QImage::Format_ARGB32_Premultiplied);
  if (mask.isNull()) return stamp;
  mask.fill(Qt::transparent);
  {
    QPainter p(&mask);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(TEXT_MARGIN, metrics.ascent(), s);
  }
  stamp.width = mask.width();
  stamp.height = mask.height();
  stamp.ink.resize(size_t(stamp.width) * size_t(stamp.height));
  for (int row = 0; row < stamp.height; ++row) {
    const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(row));
    for (int col = 0; col < stamp.width; ++col)
      stamp.ink[size_t(row) * size_t(stamp.width) + size_t(col)] = qAlpha(m[col]) >= 128 ? 1 : 0;
  }
  return stamp;
}

// The text with its advance starting at x and its box's top at y, clipped to
// the back buffer.
void StampText(const TextStamp& stamp, uint16_t* pixels, int32_t x, int32_t y, uint16_t colour,
               bool transparent) {
  for (int row = 0; row < stamp.height; ++row) {
    const int64_t ty = int64_t(y) + row;
    if (ty < 0 || ty >= SCREEN_HEIGHT) continue;
    const uint8_t* ink = &stamp.ink[size_t(row) * size_t(stamp.width)];
    uint16_t* out = pixels + size_t(ty) * SCREEN_WIDTH;
    for (int col = 0; col < stamp.width; ++col) {
      const int64_t tx = int64_t(x) + col - TEXT_MARGIN;
      if (tx < 0 || tx >= SCREEN_WIDTH) continue;
      if (ink[col] != 0) {
        out[tx] = colour;
      } else if (!transparent && col >= TEXT_MARGIN && col < TEXT_MARGIN + stamp.advance) {
        out[tx] = OPAQUE_TEXT_BACKGROUND;
      }
    }
  }
}

// ---- the full screen ----------------------------------------------------------------

// Where the 4:3 picture lands on a screen of w x h device pixels, and the
// whole multiple of 800 x 600 it is first blown up to.
struct Fit {
  QRect target;
  int factor = 1;
};

Fit FitPicture(int w, int h) {
  Fit f;
  int fw = w, fh = h;
  if (int64_t(w) * 3 > int64_t(h) * 4) {
    fw = int(std::lround(h * 4.0 / 3.0));
  } else {
    fh = int(std::lround(w * 3.0 / 4.0));
  }
  fw = std::max(fw, 1);
  fh = std::max(fh, 1);
  f.target = QRect((w - fw) / 2, (h - fh) / 2, fw, fh);
  f.factor = std::max(1, (fw + SCREEN_WIDTH - 1) / SCREEN_WIDTH);
  return f;
}

// Set by test programs only.
bool g_allowSoftwareOpenGl = false;

// OpenGL where a graphics card draws it; the software scaler where no context
// can be had (Qt built or run without OpenGL, e.g. QT_XCB_GL_INTEGRATION=none)
// or where OpenGL itself would rasterize on the processor, at many times the
// scaler's cost. Both show the same picture.
class ScreenWindow : public QWindow {
 public:
  ScreenWindow() {
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(GlPicture::Format());
    std::string renderer, why;
    if (!context->create()) {
      why = "no OpenGL context";
    } else if ((renderer = GlPicture::Renderer(*context)).empty()) {
      why = "no usable OpenGL context";
    } else if (DesktopRendererIsSoftware(renderer) && !g_allowSoftwareOpenGl) {
      why = "software renderer " + renderer;
    }
    if (!why.empty()) {
      std::fprintf(stderr, "full screen: %s, scaling in software\n", why.c_str());
      UseSoftware();
      return;
    }
    std::fprintf(stderr, "full screen: through OpenGL (%s)\n", renderer.c_str());
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(context->format());
    context_ = std::move(context);
  }

  void Present(const uint16_t* pixels) {
    const QSize device = DeviceSize();
    if (device.isEmpty()) return;
    fit_ = FitPicture(device.width(), device.height());
    Paint(pixels);
  }

  const char* Path() const { return context_ != nullptr ? "opengl" : "software"; }

  // Shown again, the window keeps its old place in the stack, under the menu
  // made since; a window manager raises it on activation, bare X does not.
  void ShowOnTop() {
    showFullScreen();
    raise();
    requestActivate();
  }

 protected:
  // Accepted, the close would take the window away while the game runs on
  // unseen; the program ends instead, at the next pump, outside this handler.
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    NoteGameCloseRequest();
  }

  // No copy of the frame is kept: the texture or the backing store's image
  // still holds the last picture, and is shown again.
  void exposeEvent(QExposeEvent*) override {
    if (isExposed()) Paint(nullptr);
  }
  void resizeEvent(QResizeEvent*) override {
    fit_ = FitPicture(DeviceSize().width(), DeviceSize().height());
  }

 private:
  QSize DeviceSize() const { return size() * devicePixelRatio(); }

  void UseSoftware() {
    context_.reset();
    setSurfaceType(QSurface::RasterSurface);
    store_ = std::make_unique<QBackingStore>(this);
  }

  // pixels: a new frame, or null to show the last one again.
  void Paint(const uint16_t* pixels) {
    if (!isExposed()) return;
    if (context_ != nullptr && PaintGl(pixels)) return;
    PaintSoftware(pixels);
  }

  // False when the context turns out unusable on this window after all: the
  // window is made again for the software scaler.
  bool PaintGl(const uint16_t* pixels) {
    bool ok = context_->makeCurrent(this);
    if (ok && !glReady_) ok = glReady_ = gl_.Init(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (ok) {
      if (pixels == nullptr && !glHasFrame_) return true;  // nothing to show yet
      glHasFrame_ = true;
      gl_.Draw(pixels, DeviceSize(), fit_.target, fit_.factor);
      context_->swapBuffers(this);
      return true;
    }
    std::fprintf(stderr, "full screen: no usable OpenGL context, scaling in software\n");
    const bool shown = isVisible();
    context_->doneCurrent();
    destroy();
    UseSoftware();
    if (shown) ShowOnTop();
    return !isExposed();  // drawn at the next expose
  }

  // The picture goes straight into the backing store's image, scaled in one
  // pass; only a backing store of another kind takes the detour of a QImage.
  // The image keeps what we drew, so the borders are filled and sent only
  // when it is new or the picture moved, only the part of the picture that
  // changed is scaled and sent, and an expose only sends it again.
  void PaintSoftware(const uint16_t* pixels) {
    QBackingStore& store = *store_;
    const QSize logical = size();
    if (store.size() != logical) {
      store.resize(logical);
      bordersImage_ = nullptr;  // a new image may sit where the old one was
    }
    const QRect all(QPoint(0, 0), logical);
    const QRect t = fit_.target;
    const QSize device = DeviceSize();
    const qreal dpr = devicePixelRatio();
    auto direct = [&](const QImage* image) {
      return image != nullptr && image->depth() == 32 && image->width() >= device.width() &&
             image->height() >= device.height();
    };
    auto kept = [&](const QImage* image) {
      return direct(image) && dpr == 1.0 && bordersImage_ == image->constBits() && bordersTarget_ == t &&
             bordersDevice_ == device;
    };
    auto* image = dynamic_cast<QImage*>(store.paintDevice());
    if (pixels == nullptr && kept(image)) {
      store.flush(all);
      return;
    }
    store.beginPaint(kept(image) ? t : all);
    // beginPaint may give a new image.
    image = dynamic_cast<QImage*>(store.paintDevice());
    const bool drawBorders = !kept(image);
    const bool straight = direct(image);
    if (drawBorders) {
      QPainter p(store.paintDevice());
      if (dpr != 1.0) p.setWorldTransform(QTransform::fromScale(1.0 / dpr, 1.0 / dpr));
      // Black borders only where the picture does not reach; black in its
      // place too until there is a picture to show.
      p.fillRect(0, 0, device.width(), t.top(), Qt::black);
      p.fillRect(0, t.bottom() + 1, device.width(), device.height() - t.bottom() - 1, Qt::black);
      p.fillRect(0, t.top(), t.left(), t.height(), Qt::black);
      p.fillRect(t.right() + 1, t.top(), device.width() - t.right() - 1, t.height(), Qt::black);
      if (!straight) {
        bordersImage_ = nullptr;  // the scaler no longer draws into the image
        if (pixels != nullptr) {
          if (scaled_.size() != t.size()) scaled_ = QImage(t.size(), QImage::Format_RGB32);
          scaler_.Scale(pixels, SCREEN_WIDTH, SCREEN_HEIGHT, fit_.factor, t.width(), t.height(),
                        reinterpret_cast<uint32_t*>(scaled_.bits()), size_t(scaled_.bytesPerLine() / 4));
        }
        if (scaled_.size() == t.size()) {
          p.drawImage(t.topLeft(), scaled_);
        } else {
          p.fillRect(t, Qt::black);
        }
      } else if (pixels == nullptr) {
        p.fillRect(t, Qt::black);
      }
    }
    QRect changed;
    if (straight && pixels != nullptr) {
      const size_t stride = size_t(image->bytesPerLine() / 4);
      auto* origin = reinterpret_cast<uint32_t*>(image->bits()) + size_t(t.top()) * stride + size_t(t.left());
      const ScaledPart part = scaler_.Scale(pixels, SCREEN_WIDTH, SCREEN_HEIGHT, fit_.factor, t.width(),
                                            t.height(), origin, stride, !drawBorders);
      changed = QRect(t.left() + part.x, t.top() + part.y, part.w, part.h);
      bordersImage_ = image->constBits(), bordersTarget_ = t, bordersDevice_ = device;
    }
    store.endPaint();
    if (drawBorders) {
      store.flush(all);
    } else if (!changed.isEmpty()) {
      store.flush(changed);
    }
  }

  std::unique_ptr<QOpenGLContext> context_;
  GlPicture gl_;
  bool glReady_ = false;
  bool glHasFrame_ = false;  // the texture holds a picture
  std::unique_ptr<QBackingStore> store_;
  PictureScaler scaler_;
  QImage scaled_;  // the picture, when the backing store cannot take it straight
  Fit fit_;
  // Where the borders were last filled.
  const uchar* bordersImage_ = nullptr;
  QRect bordersTarget_;
  QSize bordersDevice_;
};

// When a polling wait's yield ends, in microseconds of the monotonic clock.
// The wait read the clock (`reading`, in whole milliseconds when `inTicks`)
// and found its mark msUntilMark milliseconds away: one sleep ends right at
// the mark. A reading older than a millisecond was not this wait's; then the
// sleep stops a millisecond short, as the mark may be nearer than it says.
constexpr uint64_t FRESH_READING_US = 1000;
constexpr uint64_t UNKNOWN_MARK_SLEEP_US = 200;
// A long wait still serves the window system this often.
constexpr int32_t MAX_SLEEP_MS = 40;

uint64_t WakeTime(uint64_t reading, bool inTicks, uint64_t now, int32_t msUntilMark) {
  if (msUntilMark <= 0) return now + UNKNOWN_MARK_SLEEP_US;
  const uint64_t ms = uint64_t(std::min(msUntilMark, MAX_SLEEP_MS));
  if (now >= reading && now - reading <= FRESH_READING_US)
    return (inTicks ? reading / 1000u * 1000u : reading) + ms * 1000u;
  return ms > 1 ? now + (ms - 1) * 1000u : now + UNKNOWN_MARK_SLEEP_US;
}

class DesktopHost;
// The host in use, for the tests' question which way the picture goes.
DesktopHost* g_liveHost = nullptr;

class DesktopHost : public PlatformHost {
 public:
  DesktopHost() { g_liveHost = this; }
  ~DesktopHost() override {
    ReleaseAll();
    g_swallowWindowInput = false;
    if (g_liveHost == this) g_liveHost = nullptr;
  }

  // clock and waiting
  // A polling wait reads the clock and then yields with the time left until
  // its mark, counted from that reading; keeping the reading lets one sleep
  // end exactly at the mark instead of many short ones before it.
  uint32_t Ticks() override {
    lastReading_ = MonotonicMicros();
    readingInTicks_ = true;
    return static_cast<uint32_t>(lastReading_ / 1000u);
  }
  uint64_t Micros() override {
    lastReading_ = MonotonicMicros();
    readingInTicks_ = false;
    return lastReading_;
  }
  void Yield(int32_t msUntilMark) override {
    const uint64_t wake = WakeTime(lastReading_, readingInTicks_, MonotonicMicros(), msUntilMark);
    timespec until{};
    until.tv_sec = time_t(wake / 1000000u);
    until.tv_nsec = long(wake % 1000000u) * 1000;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    // Keys that came during the sleep reach the poll that follows.
    PumpEvents();
  }

  // process
  std::string ExecutablePath() override {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string();
  }
  int32_t MessageBox(const std::string& title, const std::string& text) override {
    return windows_.MessageBox(title, text);
  }
  void OpenUrl(const std::string& url) override {
    if (EnsureApp()) QDesktopServices::openUrl(QUrl(FromBytes(url)));
  }
  [[noreturn]] void ExitProcess(int32_t code) override {
    ReleaseAll();
    fonts_.clear();  // no font may outlive the application
    StopWatchingWindowSystem();  // the connection goes with the application
    delete g_app;  // takes the key watcher with it
    g_app = nullptr;
    g_appState = AppState::Unavailable;
    std::fflush(nullptr);
    std::exit(code);
  }

  std::string FailureReason() override { return g_failure; }

  // keyboard
  bool OpenKeyboard() override { return EnsureApp(); }

  // screen
  bool OpenDisplaySystem() override { return EnsureApp(); }
  bool OpenScreen(const std::string& title) override {
    if (!EnsureApp()) return false;
    // Its native window went with another program: the next game needs one.
    if (screen_ != nullptr && DestroyedByAnotherProgram(screen_)) {
      delete screen_;
      screen_ = nullptr;
    }
    if (screen_ == nullptr) {
      screen_ = new ScreenWindow();
      WatchGameWindow(screen_);
    }
    screen_->setTitle(FromBytes(title));
    if (QScreen* s = QGuiApplication::primaryScreen()) {
      screen_->setScreen(s);
      screen_->setGeometry(s->geometry());
    }
    screen_->setCursor(Qt::BlankCursor);
    screen_->ShowOnTop();
    // The caller asks at once whether the screen is there; give the window
    // system a moment to map it, as a mode switch would take.
    QElapsedTimer waited;
    waited.start();
    while (!ScreenActive() && waited.elapsed() < 500) {
      PumpEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  void CloseScreen() override {
    if (screen_ == nullptr) return;
    screen_->hide();
    screen_->unsetCursor();
  }
  // Where the game may end: desktop_end_watch.cpp says how.
  void PumpEvents() override {
    if (g_appState == AppState::Running) PumpWindowSystem(QEventLoop::AllEvents);
  }
  void Present(const uint16_t* pixels) override {
    if (ScreenActive()) screen_->Present(pixels);
  }
  const char* PresentPath() const { return screen_ == nullptr ? "" : screen_->Path(); }
  // Switching away deactivates the application; a window manager that keeps
  // the focus on the menu window does not (its keys reach us all the same).
  bool ScreenActive() override {
    return screen_ != nullptr && screen_->isVisible() && screen_->isExposed() &&
           (screen_->isActive() || QGuiApplication::applicationState() == Qt::ApplicationActive);
  }

  // sound; bound to the display like the rest of the desktop
  bool OpenSound() override {
    if (!EnsureApp()) return false;
    if (sound_.Open()) return true;
    g_failure = sound_.Failure();
    return false;
  }
  void MakeSound(int32_t n, const SoundData& data) override { sound_.Make(n, data); }
  void FreeSound(int32_t n) override { sound_.Free(n); }
  void PlaySound(int32_t n, bool loop) override { sound_.Play(n, loop); }
  void CloseSound() override { sound_.Close(); }

  // text on the back buffer
  void MakeFont(int32_t n, const std::string& face, int32_t points) override {
    // The face is resolved when the first text needs it: the font may be made
    // before the application exists.
    fonts_[n] = FontSlot{face, points, QFont(), false, {}};
  }
  void DrawText(uint16_t* pixels, int32_t x, int32_t y, int32_t fontNumber, uint16_t colour,
                bool transparent, const std::string& text, int32_t* advance) override {
    *advance = 0;
    if (pixels == nullptr || text.empty() || !EnsureApp()) return;
    // The HUD draws the same few strings every frame: their glyphs are laid
    // out once per font and string. The pen colour and the background are
    // applied when stamping, so one mask serves them all.
    auto slot = fonts_.find(fontNumber);
    if (slot == fonts_.end() || !g_textCache) {
      const TextStamp stamp = MakeStamp(FontFor(fontNumber), text);
      StampText(stamp, pixels, x, y, colour, transparent);
      *advance = stamp.advance;
      return;
    }
    auto& stamps = slot->second.stamps;
    auto it = stamps.find(text);
    if (it == stamps.end()) {
      // The score changes all game long: keep only recent strings.
      if (stamps.size() >= MAX_STAMPS_PER_FONT) stamps.clear();
      it = stamps.emplace(text, MakeStamp(FontFor(fontNumber), text)).first;
    }
    StampText(it->second, pixels, x, y, colour, transparent);
    *advance = it->second.advance;
  }

  // windows and controls
  Handle CreateWindow(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t flags,
                      const std::string& title) override {
    return windows_.CreateWindow(n, x, y, w, h, flags, title);
  }
  Handle WindowHandle(int32_t n) override { return windows_.WindowHandle(n); }
  void BeginControlParent(Handle parent) override { windows_.BeginControlParent(parent); }
  void AddTabControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) override {
    windows_.AddTabControl(id, x, y, w, h);
  }
  void AddControlItem(int32_t id, int32_t, const std::string& text) override {
    windows_.AddControlItem(id, text);
  }
  void EndControlParent() override { windows_.EndControlParent(); }
  void AddPushButton(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h,
                     const std::string& text) override {
    windows_.AddPushButton(id, x, y, w, h, text);
  }
  void AddLabel(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h,
                const std::string& text) override {
    windows_.AddLabel(id, x, y, w, h, text);
  }
  void AddGroupBox(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h,
                   const std::string& text) override {
    windows_.AddGroupBox(id, x, y, w, h, text);
  }
  void AddPictureControl(int32_t id, int32_t x, int32_t y, int32_t, int32_t,
                         int32_t picture) override {
    windows_.AddPictureControl(id, x, y, picture);
  }
  void SetControlText(int32_t id, const std::string& text) override { windows_.SetControlText(id, text); }
  int32_t ControlState(int32_t id) override { return windows_.ControlState(id); }
  void SetControlState(int32_t id, int32_t value) override { windows_.SetControlState(id, value); }
  int32_t WaitEvent(int32_t* controlId) override { return windows_.WaitEvent(controlId); }
  // Widgets only: the full screen is a bare window and keeps its events.
  void SwallowWindowInput(bool on) override { g_swallowWindowInput = on; }
  void DestroyWindows() override { windows_.DestroyAll(); }

 private:
  struct FontSlot {
    std::string face;
    int32_t points = 0;
    QFont font;
    bool made = false;
    std::unordered_map<std::string, TextStamp> stamps;
  };
  static constexpr size_t MAX_STAMPS_PER_FONT = 64;
  // Points at the screen's resolution, as a character height in pixels.
  QFont FontFor(int32_t n) {
    auto it = fonts_.find(n);
    if (it == fonts_.end()) return QApplication::font();
    FontSlot& slot = it->second;
    if (!slot.made) {
      qreal dpi = 96;
      if (QScreen* s = QGuiApplication::primaryScreen()) dpi = s->logicalDotsPerInchY();
      slot.font = QFont(FromBytes(slot.face));
      slot.font.setPixelSize(std::max(1, int(std::lround(slot.points * dpi / 72.0))));
      slot.font.setWeight(QFont::Normal);
      // Crisp on a 16-bit picture: no grey edges to band.
      slot.font.setStyleStrategy(QFont::NoAntialias);
      slot.made = true;
    }
    return slot.font;
  }

  void ReleaseAll() {
    sound_.Close();
    windows_.DestroyAll();
    delete screen_;
    screen_ = nullptr;
  }

  uint64_t lastReading_ = 0;  // the clock's last reading, in microseconds
  bool readingInTicks_ = false;
  ScreenWindow* screen_ = nullptr;
  DesktopSound sound_;
  std::map<int32_t, FontSlot> fonts_;
  DesktopWindows windows_;
};

}  // namespace

bool EnsureDesktopApp() { return EnsureApp(); }
bool DesktopAppRunning() { return g_appState == AppState::Running; }

std::unique_ptr<PlatformHost> MakeDesktopHost() { return std::make_unique<DesktopHost>(); }

// ---- test hooks ------------------------------------------------------------------

DesktopRect DesktopPictureFit(int32_t w, int32_t h, int32_t* factor) {
  const Fit f = FitPicture(w, h);
  *factor = f.factor;
  return DesktopRect{f.target.x(), f.target.y(), f.target.width(), f.target.height()};
}

uint64_t DesktopYieldWakeTime(uint64_t reading, bool inTicks, uint64_t now, int32_t msUntilMark) {
  return WakeTime(reading, inTicks, now, msUntilMark);
}

void DesktopSetTextCache(bool on) { g_textCache = on; }

bool DesktopRendererIsSoftware(const std::string& renderer) {
  std::string name;
  for (const char c : renderer) name += char(std::tolower(static_cast<unsigned char>(c)));
  // Older Mesa put "Gallium 0.4 on " before the driver's name.
  if (name.rfind("gallium ", 0) == 0) {
    const size_t on = name.find(" on ");
    if (on != std::string::npos) name.erase(0, on + 4);
  }
  if (name.rfind("software rasterizer", 0) == 0) return true;
  const std::string driver = name.substr(0, name.find_first_of(" ("));
  return driver == "llvmpipe" || driver == "softpipe" || driver == "swrast";
}

void DesktopAllowSoftwareOpenGl() { g_allowSoftwareOpenGl = true; }

const char* DesktopPresentPath() { return g_liveHost == nullptr ? "" : g_liveHost->PresentPath(); }
void DesktopSetKeyClock(uint64_t (*clock)()) { g_keyClock = clock != nullptr ? clock : MonotonicMicros; }
void DesktopSetApplicationActive(bool active) {
  if (!EnsureApp()) return;
  QApplicationStateChangeEvent e(active ? Qt::ApplicationActive : Qt::ApplicationInactive);
  QCoreApplication::sendEvent(qApp, &e);
}
