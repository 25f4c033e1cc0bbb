#pragma once
// Sending signals to processes, and their names.
#include <string>
#include <sys/types.h>

namespace qel::signal {

// Sends sig to pid; a vanished process raises qel::NoSuchProcessError.
void signalProc(int sig, pid_t pid);

// The C library's description of sig ("Interrupt"); empty when it has none.
std::string signalName(int sig);

} // namespace qel::signal
