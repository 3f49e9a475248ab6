// When and where the window system ends the program.
//
// Three things end it:
// - The display is lost (the X server ends, or the connection to it breaks):
//   one line on stderr and exit code 1, at once and without the releases, as
//   the server holds nothing of ours any more and tearing our windows down on
//   a connection that has gone crashes.
// - A close request reaches the game window while it shows a game: in play,
//   at the pause, on the game-over screen or in the name entry.
// - Another program destroys one of our windows: the game window while it
//   shows a game, or the menu window while the menu is in use, in any tab,
//   under a message box or while a key capture waits (the window is gone, so
//   nothing is left to wait in).
// The last two end through EndProgram with code 0, as the menu's close box
// does. A message box that another program destroys counts as its OK button.
// Nothing else ends the program: not a window that is only unmapped or
// iconified, nor anything done to a window that is not in use (the hidden game
// window between two games, made anew for the next one; the menu left under a
// game, which the next menu replaces).
//
// The program never ends where the toolkit tells us of these, inside its event
// handling or on another thread. Each is noted, and the program ends in the
// main thread at the next pump, just before or after processEvents (every
// present, the polling waits, the wait for the screen, the menu's event wait)
// or when a message box returns. A lost display also ends it in the toolkit's
// warning, which the toolkit follows with exit(). File writes never pump, so
// no key or record file is ever cut in the middle of its write, and a name
// still being typed is not written.
#include "platform/desktop_end_watch.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <signal.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unordered_set>

#include "platform/platform.h"

namespace {

// ---- a lost display -------------------------------------------------------------
// On a broken X connection the toolkit warns and then calls exit(1) from
// inside its event pump. That runs the static destructors while the
// application and its windows still live; our host, made before the
// toolkit's own statics, is destroyed after them and tears its windows down
// on what is already gone (the per-thread GL context): a crash.

xcb_connection_t* g_connection = nullptr;  // the toolkit's, while it lives
std::thread::id g_mainThread;
QtMessageHandler g_toolkitMessages = nullptr;

[[noreturn]] void EndDisplayLost(int error) {
  std::fprintf(stderr, "tolvane: the display was lost: the X11 connection broke (error %d)\n", error);
  std::fflush(nullptr);
  std::_Exit(1);
}

// Another thread must not end the process: it could cut the main thread's write.
void EndIfDisplayLost() {
  if (g_connection == nullptr || std::this_thread::get_id() != g_mainThread) return;
  if (const int error = xcb_connection_has_error(g_connection)) EndDisplayLost(error);
}

void WatchToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  EndIfDisplayLost();
  g_toolkitMessages(type, context, text);
}

// A write to a server that has gone would end us by SIGPIPE before the pump
// sees the broken connection. A handler rather than SIG_IGN: it does not
// pass on to the programs we start (the browser).
void OnBrokenPipe(int) {}

void KeepBrokenPipesQuiet() {
  struct sigaction old {};
  if (sigaction(SIGPIPE, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) return;
  struct sigaction quiet {};
  quiet.sa_handler = OnBrokenPipe;
  sigemptyset(&quiet.sa_mask);
  quiet.sa_flags = SA_RESTART;
  sigaction(SIGPIPE, &quiet, nullptr);
}

// ---- the close request and destroyed windows ----------------------------------

QPointer<QWindow> g_gameWindow;
bool g_endDue = false;  // EndProgram at the next pump
// Native windows of ours that another program destroyed.
std::unordered_set<xcb_window_t> g_destroyed;

bool ShowsGame() { return g_gameWindow != nullptr && g_gameWindow->isVisible(); }

// Asking a window without a native one for its id would make one.
xcb_window_t NativeId(const QWindow* window) {
  return window->handle() != nullptr ? xcb_window_t(window->winId()) : 0;
}

QWidget* TopLevelWidget(xcb_window_t id) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->internalWinId() == id) return w;
  return nullptr;
}

// From the box's own loop, once this event has been handled.
void AnswerOk(QMessageBox* box) {
  QMetaObject::invokeMethod(
      box, [box = QPointer<QMessageBox>(box)] {
        if (box != nullptr) box->done(QMessageBox::Ok);
      },
      Qt::QueuedConnection);
}

void OnDestroyed(xcb_window_t id) {
  if (g_gameWindow != nullptr && NativeId(g_gameWindow) == id) {
    g_destroyed.insert(id);
    if (ShowsGame()) g_endDue = true;
    return;
  }
  // None of ours, or one we destroyed ourselves: its widget has gone.
  QWidget* widget = TopLevelWidget(id);
  if (widget == nullptr) return;
  g_destroyed.insert(id);
  if (auto* box = qobject_cast<QMessageBox*>(widget)) {
    AnswerOk(box);
    return;
  }
  // A tooltip or a popup: nothing waits in it.
  if (widget->windowType() != Qt::Window) return;
  if (ShowsGame()) return;
  g_endDue = true;
  // A box of the menu has nothing left to stand in front of.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) AnswerOk(box);
}

class DestroyWatch : public QAbstractNativeEventFilter {
 public:
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) == XCB_DESTROY_NOTIFY)
      OnDestroyed(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
    return false;
  }
};

DestroyWatch* g_destroyWatch = nullptr;

}  // namespace

void WatchWindowSystem() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  g_connection = x11->connection();
  g_mainThread = std::this_thread::get_id();
  if (g_toolkitMessages == nullptr) g_toolkitMessages = qInstallMessageHandler(WatchToolkitMessage);
  KeepBrokenPipesQuiet();
  if (g_destroyWatch == nullptr) {
    g_destroyWatch = new DestroyWatch();
    qApp->installNativeEventFilter(g_destroyWatch);
  }
}

void StopWatchingWindowSystem() {
  g_connection = nullptr;
  if (g_destroyWatch != nullptr) {
    if (qApp != nullptr) qApp->removeNativeEventFilter(g_destroyWatch);
    delete g_destroyWatch;
    g_destroyWatch = nullptr;
  }
  g_destroyed.clear();
  g_gameWindow = nullptr;
  g_endDue = false;
}

void WatchGameWindow(QWindow* window) { g_gameWindow = window; }

void NoteGameCloseRequest() {
  if (ShowsGame()) g_endDue = true;
}

bool DestroyedByAnotherProgram(const QWindow* window) {
  const xcb_window_t id = NativeId(window);
  return id != 0 && g_destroyed.count(id) != 0;
}

void PumpWindowSystem(QEventLoop::ProcessEventsFlags flags) {
  EndIfDisplayLost();
  QCoreApplication::processEvents(flags);
  EndIfWindowSystemEnded();
}

void EndIfWindowSystemEnded() {
  EndIfDisplayLost();
  if (!g_endDue) return;
  g_endDue = false;
  EndProgram();
}
