// The watch over the three ways the window system ends the program: a lost
// display, the game window's close request and a window that another program
// destroys. desktop_end_watch.cpp says when and where each one ends it.
#pragma once

#include <QEventLoop>

class QWindow;

// Once the application is made; watches its X connection and its windows.
void WatchWindowSystem();
// The application is about to go, and its connection with it.
void StopWatchingWindowSystem();

// The full-screen game window, from when it is made.
void WatchGameWindow(QWindow* window);
// A close request reached the game window (its close handler tells).
void NoteGameCloseRequest();
// Another program destroyed the window's native window: it is gone for good,
// and a window shown again must be made anew.
bool DestroyedByAnotherProgram(const QWindow* window);

// A pump: handles the window system's pending events as processEvents does
// with these flags, then ends the program if one of the three came.
void PumpWindowSystem(QEventLoop::ProcessEventsFlags flags);
// After a loop of the toolkit's own (a message box): the same end.
void EndIfWindowSystemEnded();
