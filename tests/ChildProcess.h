#pragma once
// Every long-lived process a test starts dies with the test program, however
// that ends (a crash, a sanitizer abort, ctest's time-out): none is left
// holding ports, inotify instances or folders for the next run.
#include <QProcess>
#include <functional>

#if defined(__linux__)
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#endif

namespace vorn::test {

// `also` runs in the child too, after the fork (it must be async-signal-safe).
inline void DiesWithTest(QProcess& process, std::function<void()> also = {}) {
#if defined(__linux__)
  const pid_t parent = ::getpid();
  process.setChildProcessModifier([parent, also = std::move(also)] {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The test may have died between the fork and the line above.
    if (::getppid() != parent) ::_exit(127);
    if (also) also();
  });
#else
  (void)process;
  (void)also;
#endif
}

}  // namespace vorn::test
