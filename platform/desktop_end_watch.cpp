// When and where the window system ends the program.
//
// Two things end it:
// - The display is lost (the X server ends, or the connection to it breaks):
//   one line on stderr and exit code 1, at once and without the releases, as
//   the server holds nothing of ours any more and tearing our windows down on
//   a connection that has gone crashes.
// - A close request reaches the game window while it shows a game: in play,
//   at the pause, on the game-over screen or in the name entry. That ends
//   through EndProgram with code 0, as the menu's close box does; a request
//   to the hidden window between two games changes nothing.
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

#include <QApplication>
#include <QPointer>
#include <QWindow>

#include <signal.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

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

// ---- the close request ----------------------------------------------------------

QPointer<QWindow> g_gameWindow;
bool g_endDue = false;  // EndProgram at the next pump

bool ShowsGame() { return g_gameWindow != nullptr && g_gameWindow->isVisible(); }

}  // namespace

void WatchWindowSystem() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  g_connection = x11->connection();
  g_mainThread = std::this_thread::get_id();
  if (g_toolkitMessages == nullptr) g_toolkitMessages = qInstallMessageHandler(WatchToolkitMessage);
  KeepBrokenPipesQuiet();
}

void StopWatchingWindowSystem() {
  g_connection = nullptr;
  g_gameWindow = nullptr;
  g_endDue = false;
}

void WatchGameWindow(QWindow* window) { g_gameWindow = window; }

void NoteGameCloseRequest() {
  if (ShowsGame()) g_endDue = true;
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
