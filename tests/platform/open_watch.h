// Tells whether anyone opened a pipe or a device node while it was watched.
// For a pipe the watch holds the reading end, so a writer that comes and goes
// leaves a hang-up on it; and the system reports every open of the node,
// where it leaves out looks that open nothing (where it does not, only the
// hang-up tells).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

class OpenWatch {
 public:
  explicit OpenWatch(const std::string& path) {
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    if (S_ISFIFO(st.st_mode)) {
      readEnd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      EXPECT_GE(readEnd_, 0) << path;
    }
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(watch_, 0);
    EXPECT_GE(::inotify_add_watch(watch_, path.c_str(), IN_OPEN), 0) << path;
    const int look = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    ::close(look);
    countsLooks_ = Opens() > 0;
  }
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;
  ~OpenWatch() {
    if (readEnd_ >= 0) ::close(readEnd_);
    ::close(watch_);
  }
  bool Opened() {
    pollfd p{readEnd_, POLLIN, 0};
    const bool hungUp = readEnd_ >= 0 && ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP) != 0;
    const int opens = Opens();
    return hungUp || (!countsLooks_ && opens > 0);
  }

 private:
  int Opens() {
    int opens = 0;
    alignas(inotify_event) char events[4096];
    for (ssize_t got; (got = ::read(watch_, events, sizeof events)) > 0;) {
      for (ssize_t at = 0; at < got;) {
        const auto* e = reinterpret_cast<const inotify_event*>(events + at);
        opens += (e->mask & IN_OPEN) != 0;
        at += ssize_t(sizeof(inotify_event) + e->len);
      }
    }
    return opens;
  }
  int readEnd_ = -1, watch_ = -1;
  bool countsLooks_ = false;
};
