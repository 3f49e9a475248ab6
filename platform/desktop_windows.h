// The menu's windows and controls, their event queue and the message box,
// on Qt Widgets. The desktop host hands its window operations to this.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "platform/platform.h"

// Owned by desktop_host.cpp: the application is made by the first service
// that needs it, and is gone again once the program ends.
bool EnsureDesktopApp();
bool DesktopAppRunning();
// The look of the controls, set once when the application is made.
void ApplyControlLook();

// Program text is single bytes.
inline QString FromBytes(const std::string& text) {
  return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

class DesktopWindows {
 public:
  DesktopWindows();
  ~DesktopWindows();

  int32_t MessageBox(const std::string& title, const std::string& text);

  Handle CreateWindow(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t flags,
                      const std::string& title);
  Handle WindowHandle(int32_t n);
  void BeginControlParent(Handle parent);
  void AddTabControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h);
  void AddControlItem(int32_t id, const std::string& text);
  void EndControlParent();
  void AddPushButton(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text);
  void AddLabel(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text);
  void AddGroupBox(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text);
  void AddPictureControl(int32_t id, int32_t x, int32_t y, int32_t picture);
  void SetControlText(int32_t id, const std::string& text);
  int32_t ControlState(int32_t id);
  void SetControlState(int32_t id, int32_t value);
  int32_t WaitEvent(int32_t* controlId);
  void DestroyAll();

  // For the window classes and the test hooks.
  void QueueEvent(int32_t event, int32_t controlId) { pending_.push_back({event, controlId}); }
  QWidget* Control(int32_t id);
  QWidget* Window(int32_t n);
  int32_t IdOf(const QObject* control) const;  // -1 when it is no control of ours

 private:
  struct PendingEvent {
    int32_t event;
    int32_t controlId;
  };

  void Place(int32_t id, QWidget* control, int32_t x, int32_t y, int32_t w, int32_t h);
  void PruneControls();
  void DeleteWindow(QPointer<QWidget>& window);

  std::map<int32_t, QPointer<QWidget>> windows_;
  std::map<int32_t, QPointer<QWidget>> controls_;
  QPointer<QWidget> currentParent_;
  QPointer<QWidget> savedParent_;
  QPointer<QWidget> eventWindow_;
  bool quietTabs_ = false;
  std::deque<PendingEvent> pending_;
};
