#include "proc/Child.h"

#include <sys/wait.h>

namespace qel::proc {

bool WaitResult::exited() const { return done && WIFEXITED(status); }

int WaitResult::exitCode() const { return exited() ? WEXITSTATUS(status) : 255; }

bool WaitResult::signalled() const { return done && WIFSIGNALED(status); }

int WaitResult::termSignal() const { return signalled() ? WTERMSIG(status) : 0; }

} // namespace qel::proc
