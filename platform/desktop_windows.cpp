#include "platform/desktop_windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QWindow>

#include <cstdio>
#include <cstring>

#include "platform/desktop_end_watch.h"
#include "platform/desktop_host.h"
#include "platform/host.h"

namespace {

DesktopWindows* g_liveWindows = nullptr;

// A top-level window whose close box only reports.
class AppWindow : public QWidget {
 public:
  explicit AppWindow(DesktopWindows* owner) : owner_(owner) {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    // The program decides what the close box means; the window stays.
    e->ignore();
    owner_->QueueEvent(EVENT_CLOSE, 0);
  }

 private:
  DesktopWindows* owner_;
};

// A CR starts a new line, as does CR LF.
QString LabelText(const std::string& text) {
  QString s = FromBytes(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

Handle HandleOf(QWidget* w) { return reinterpret_cast<Handle>(w); }

QImage ImageOfPicture(const PictureData* picture) {
  if (picture == nullptr || picture->width <= 0 || picture->height <= 0 ||
      picture->rgb.size() < size_t(picture->width) * size_t(picture->height) * 3)
    return QImage();
  QImage image(picture->width, picture->height, QImage::Format_RGB888);
  const size_t row = size_t(picture->width) * 3;
  for (int y = 0; y < picture->height; ++y)
    std::memcpy(image.scanLine(y), picture->rgb.data() + size_t(y) * row, row);
  return image;
}

DesktopPicture PictureOf(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  DesktopPicture p;
  p.width = image.width();
  p.height = image.height();
  p.argb.resize(size_t(p.width) * size_t(p.height));
  for (int y = 0; y < p.height; ++y)
    std::memcpy(&p.argb[size_t(y) * size_t(p.width)], image.constScanLine(y), size_t(p.width) * 4);
  return p;
}

}  // namespace

// A compact classic look, so that the menu's pixel layout fits its small window.
void ApplyControlLook() {
  if (QStyle* style = QStyleFactory::create("Windows")) QApplication::setStyle(style);
  const QColor face(212, 208, 200);
  QPalette palette(face, face);
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::ButtonText, Qt::black);
  QApplication::setPalette(palette);
  // A small sans face in pixels, not points: the layout is given in pixels,
  // and at 10 px (about 8 points) the longest texts fit their controls at
  // any desktop scale.
  QFont font("Liberation Sans");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(10);
  QApplication::setFont(font);
}

DesktopWindows::DesktopWindows() { g_liveWindows = this; }

DesktopWindows::~DesktopWindows() {
  DestroyAll();
  if (g_liveWindows == this) g_liveWindows = nullptr;
}

int32_t DesktopWindows::MessageBox(const std::string& title, const std::string& text) {
  if (!EnsureDesktopApp()) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
    return 1;
  }
  QWidget* owner = QApplication::activeWindow();
  if (owner == nullptr && eventWindow_ != nullptr && eventWindow_->isVisible()) owner = eventWindow_;
  {
    QMessageBox box(QMessageBox::NoIcon, FromBytes(title), FromBytes(text), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
  // Only once the box is gone: the end deletes its owner, and with it its children.
  EndIfWindowSystemEnded();
  return 1;
}

Handle DesktopWindows::CreateWindow(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t flags,
                                    const std::string& title) {
  if (!EnsureDesktopApp() || w <= 0 || h <= 0) return 0;
  auto old = windows_.find(n);
  if (old != windows_.end()) {
    DeleteWindow(old->second);
    windows_.erase(old);
  }
  PruneControls();
  // What the previous menu left unserved is not this window's business.
  pending_.clear();
  auto* window = new AppWindow(this);
  window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint);
  window->setWindowTitle(FromBytes(title));
  window->setFixedSize(w, h);
  QScreen* screen = QGuiApplication::primaryScreen();
  if ((flags & WINDOW_CENTRED) != 0 && screen != nullptr) {
    // The client area is what is centred, its frame lies around it; half the
    // spare room on each side (QRect::center() rounds down, a pixel off
    // whenever both sizes are even).
    const QRect area = screen->availableGeometry();
    window->setGeometry(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h);
  } else {
    window->move(x, y);
  }
  window->show();
  windows_[n] = window;
  eventWindow_ = window;
  return HandleOf(window);
}

Handle DesktopWindows::WindowHandle(int32_t n) {
  auto it = windows_.find(n);
  return it == windows_.end() ? 0 : HandleOf(it->second);
}

void DesktopWindows::BeginControlParent(Handle parent) {
  currentParent_ = nullptr;
  for (auto& [n, window] : windows_)
    if (HandleOf(window) == parent) currentParent_ = window;
}

void DesktopWindows::AddTabControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (currentParent_ == nullptr) return;
  auto* tabs = new QTabWidget(currentParent_);
  tabs->setGeometry(x, y, w, h);
  QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [this, id](int) {
    if (!quietTabs_) QueueEvent(EVENT_CONTROL, id);
  });
  tabs->show();
  savedParent_ = currentParent_;
  controls_[id] = tabs;
}

void DesktopWindows::AddControlItem(int32_t id, const std::string& text) {
  auto* tabs = qobject_cast<QTabWidget*>(Control(id));
  if (tabs == nullptr) return;
  auto* page = new QWidget();
  // The first tab becomes current by itself; that is no user's choice.
  quietTabs_ = true;
  tabs->addTab(page, FromBytes(text));
  quietTabs_ = false;
  currentParent_ = page;
}

void DesktopWindows::EndControlParent() { currentParent_ = savedParent_; }

void DesktopWindows::AddPushButton(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h,
                                   const std::string& text) {
  if (currentParent_ == nullptr) return;
  auto* button = new QPushButton(FromBytes(text), currentParent_);
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, button, [this, id] { QueueEvent(EVENT_CONTROL, id); });
  Place(id, button, x, y, w, h);
}

void DesktopWindows::AddLabel(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h,
                              const std::string& text) {
  if (currentParent_ == nullptr) return;
  auto* label = new QLabel(currentParent_);
  // Names come from files: never let them turn into markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  label->setText(LabelText(text));
  Place(id, label, x, y, w, h);
}

void DesktopWindows::AddGroupBox(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h,
                                 const std::string& text) {
  if (currentParent_ == nullptr) return;
  Place(id, new QGroupBox(FromBytes(text), currentParent_), x, y, w, h);
}

void DesktopWindows::AddPictureControl(int32_t id, int32_t x, int32_t y, int32_t picture) {
  if (currentParent_ == nullptr) return;
  auto* box = new QLabel(currentParent_);
  const QImage image = ImageOfPicture(FindPicture(picture));
  // The box takes the picture's own size: the given size neither scales nor cuts it.
  if (!image.isNull()) box->setPixmap(QPixmap::fromImage(image));
  Place(id, box, x, y, image.width(), image.height());
}

void DesktopWindows::SetControlText(int32_t id, const std::string& text) {
  QWidget* c = Control(id);
  if (auto* label = qobject_cast<QLabel*>(c)) {
    label->setText(LabelText(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
    button->setText(FromBytes(text));
  } else if (auto* group = qobject_cast<QGroupBox*>(c)) {
    group->setTitle(FromBytes(text));
  } else {
    return;
  }
  // The key capture polls the keyboard without serving the window: paint now.
  c->repaint();
  if (QWindow* w = c->window()->windowHandle()) w->requestUpdate();
}

int32_t DesktopWindows::ControlState(int32_t id) {
  auto* tabs = qobject_cast<QTabWidget*>(Control(id));
  return tabs == nullptr ? 0 : tabs->currentIndex();
}

void DesktopWindows::SetControlState(int32_t id, int32_t value) {
  auto* tabs = qobject_cast<QTabWidget*>(Control(id));
  if (tabs == nullptr || value < 0 || value >= tabs->count()) return;
  quietTabs_ = true;
  tabs->setCurrentIndex(value);
  quietTabs_ = false;
}

int32_t DesktopWindows::WaitEvent(int32_t* controlId) {
  if (pending_.empty() && DesktopAppRunning()) PumpWindowSystem(QEventLoop::WaitForMoreEvents);
  if (pending_.empty()) return 0;
  const PendingEvent e = pending_.front();
  pending_.pop_front();
  if (e.event == EVENT_CONTROL && controlId != nullptr) *controlId = e.controlId;
  return e.event;
}

void DesktopWindows::DestroyAll() {
  for (auto& [n, window] : windows_) DeleteWindow(window);
  windows_.clear();
  controls_.clear();
  pending_.clear();
  currentParent_ = savedParent_ = nullptr;
  eventWindow_ = nullptr;
}

QWidget* DesktopWindows::Control(int32_t id) {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second.data();
}

int32_t DesktopWindows::IdOf(const QObject* control) const {
  for (const auto& [id, c] : controls_)
    if (c.data() == control) return id;
  return -1;
}

QWidget* DesktopWindows::Window(int32_t n) {
  auto it = windows_.find(n);
  return it == windows_.end() ? nullptr : it->second.data();
}

void DesktopWindows::Place(int32_t id, QWidget* control, int32_t x, int32_t y, int32_t w, int32_t h) {
  control->setGeometry(x, y, w, h);
  control->show();
  controls_[id] = control;
}

void DesktopWindows::PruneControls() {
  for (auto it = controls_.begin(); it != controls_.end();)
    it = it->second.isNull() ? controls_.erase(it) : std::next(it);
}

void DesktopWindows::DeleteWindow(QPointer<QWidget>& window) {
  if (window.isNull()) return;
  if (eventWindow_ == window) eventWindow_ = nullptr;
  if (currentParent_ != nullptr && currentParent_->window() == window) currentParent_ = nullptr;
  if (savedParent_ != nullptr && savedParent_->window() == window) savedParent_ = nullptr;
  delete window.data();
}

// ---- test hooks ------------------------------------------------------------------

namespace {
QWidget* LiveControl(int32_t id) { return g_liveWindows == nullptr ? nullptr : g_liveWindows->Control(id); }
QWidget* LiveWindow(int32_t n) { return g_liveWindows == nullptr ? nullptr : g_liveWindows->Window(n); }
DesktopRect RectOf(const QRect& r) { return DesktopRect{r.x(), r.y(), r.width(), r.height()}; }
}  // namespace

bool DesktopClickButton(int32_t id) {
  auto* button = qobject_cast<QAbstractButton*>(LiveControl(id));
  if (button == nullptr) return false;
  button->click();
  return true;
}

bool DesktopUserSelectTab(int32_t id, int32_t index) {
  auto* tabs = qobject_cast<QTabWidget*>(LiveControl(id));
  if (tabs == nullptr || index < 0 || index >= tabs->count()) return false;
  tabs->tabBar()->setCurrentIndex(index);
  return true;
}

bool DesktopUseCloseBox(int32_t n) {
  QWidget* window = LiveWindow(n);
  if (window == nullptr) return false;
  // As the window system does it: to the native window, which asks the widget.
  QObject* target = window->windowHandle() != nullptr ? static_cast<QObject*>(window->windowHandle()) : window;
  QCloseEvent e;
  QCoreApplication::sendEvent(target, &e);
  return true;
}

bool DesktopWindowVisible(int32_t n) {
  QWidget* window = LiveWindow(n);
  return window != nullptr && window->isVisible();
}

bool DesktopWindowRect(int32_t n, DesktopRect* rect) {
  QWidget* window = LiveWindow(n);
  if (window == nullptr) return false;
  *rect = RectOf(QRect(window->mapToGlobal(QPoint(0, 0)), window->size()));
  return true;
}

bool DesktopScreenRect(DesktopRect* rect) {
  QScreen* s = EnsureDesktopApp() ? QGuiApplication::primaryScreen() : nullptr;
  if (s == nullptr) return false;
  *rect = RectOf(s->availableGeometry());
  return true;
}

bool DesktopControlRect(int32_t id, DesktopRect* rect) {
  QWidget* c = LiveControl(id);
  if (c == nullptr) return false;
  *rect = RectOf(c->geometry());
  return true;
}

bool DesktopControlScreenRect(int32_t id, DesktopRect* rect) {
  QWidget* c = LiveControl(id);
  if (c == nullptr) return false;
  *rect = RectOf(QRect(c->mapToGlobal(QPoint(0, 0)), c->size()));
  return true;
}

bool DesktopTabScreenRect(int32_t id, int32_t index, DesktopRect* rect) {
  auto* tabs = qobject_cast<QTabWidget*>(LiveControl(id));
  if (tabs == nullptr || index < 0 || index >= tabs->count()) return false;
  const QRect r = tabs->tabBar()->tabRect(index);
  *rect = RectOf(QRect(tabs->tabBar()->mapToGlobal(r.topLeft()), r.size()));
  return true;
}

bool DesktopControlVisible(int32_t id) {
  QWidget* c = LiveControl(id);
  return c != nullptr && c->isVisible();
}

bool DesktopGrabWindow(int32_t n, DesktopPicture* picture) {
  QWidget* window = LiveWindow(n);
  if (window == nullptr) return false;
  *picture = PictureOf(window->grab().toImage());
  return true;
}

bool DesktopGrabControl(int32_t id, DesktopPicture* picture) {
  QWidget* c = LiveControl(id);
  if (c == nullptr) return false;
  *picture = PictureOf(c->grab().toImage());
  return true;
}

std::string DesktopControlKind(int32_t id) {
  QWidget* c = LiveControl(id);
  if (c == nullptr) return "";
  if (qobject_cast<QTabWidget*>(c) != nullptr) return "tab";
  if (qobject_cast<QPushButton*>(c) != nullptr) return "button";
  if (qobject_cast<QGroupBox*>(c) != nullptr) return "group";
  if (auto* label = qobject_cast<QLabel*>(c)) return label->pixmap().isNull() ? "label" : "picture";
  return "other";
}

namespace {
QString TextOf(QWidget* c) {
  if (auto* tabs = qobject_cast<QTabWidget*>(c)) {
    QStringList labels;
    for (int i = 0; i < tabs->count(); ++i) labels << tabs->tabText(i);
    return labels.join('|');
  }
  if (auto* button = qobject_cast<QAbstractButton*>(c)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(c)) return group->title();
  if (auto* label = qobject_cast<QLabel*>(c)) return label->text();
  return QString();
}
}  // namespace

std::string DesktopControlText(int32_t id) {
  QWidget* c = LiveControl(id);
  return c == nullptr ? std::string() : TextOf(c).toStdString();
}

int32_t DesktopControlTextWidth(int32_t id) {
  QWidget* c = LiveControl(id);
  if (c == nullptr) return 0;
  return c->fontMetrics().horizontalAdvance(TextOf(c));
}

std::vector<int32_t> DesktopPageControls(int32_t id, int32_t index) {
  std::vector<int32_t> ids;
  auto* tabs = qobject_cast<QTabWidget*>(LiveControl(id));
  if (tabs == nullptr || index < 0 || index >= tabs->count()) return ids;
  const QWidget* page = tabs->widget(index);
  for (QObject* child : page->children()) {
    const int32_t childId = g_liveWindows->IdOf(child);
    if (childId >= 0) ids.push_back(childId);
  }
  return ids;
}

bool DesktopSendKey(int32_t n, int32_t toolkitKey, bool press, bool autoRepeat) {
  QWidget* window = LiveWindow(n);
  if (window == nullptr) return false;
  QKeyEvent e(press ? QEvent::KeyPress : QEvent::KeyRelease, toolkitKey, Qt::NoModifier, QString(),
              autoRepeat);
  QCoreApplication::sendEvent(window, &e);
  return true;
}
