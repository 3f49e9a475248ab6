// Root passes every permission check, so a test of what an ordinary user may
// not do runs its body as user nobody (65534) when the suite runs as root.
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

inline constexpr uid_t NOBODY_UID = 65534;
inline constexpr gid_t NOBODY_GID = 65534;

inline bool RunningAsRoot() { return ::geteuid() == 0; }

// Hands a folder and everything in it to nobody (links themselves, not what
// they point to) when running as root: the folder must lie where nobody can
// reach it.
inline void GiveToNobody(const std::string& folder) {
  if (!RunningAsRoot()) return;
  ASSERT_EQ(::lchown(folder.c_str(), NOBODY_UID, NOBODY_GID), 0) << folder;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    ASSERT_EQ(::lchown(entry.path().c_str(), NOBODY_UID, NOBODY_GID), 0) << entry.path();
  }
}

// Runs the body as nobody in a child process when running as root, otherwise
// right here. The child's failures are printed as they happen and come back
// through its exit status.
inline void AsNobody(const std::function<void()>& body) {
  if (!RunningAsRoot()) {
    body();
    return;
  }
  std::fflush(stdout);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(NOBODY_GID) != 0 || ::setuid(NOBODY_UID) != 0) _exit(2);
    // An exception must not carry the child back into the test runner.
    try {
      body();
    } catch (...) {
      _exit(3);
    }
    std::fflush(stdout);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  const bool passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  EXPECT_TRUE(passed) << "the part run as nobody failed (wait status " << status << ")";
}
