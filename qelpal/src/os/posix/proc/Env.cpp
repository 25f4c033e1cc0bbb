#include "os/posix/OsCall.h"
#include "proc/Process.h"

#include <cstdlib>

extern char** environ;

namespace qel::proc {

bool Env::get(const std::string& name, std::string& value) {
    const char* found = std::getenv(name.c_str());
    value = found ? found : "";
    return found != nullptr;
}

void Env::set(const std::string& name, const std::string& value) {
    if (setenv(name.c_str(), value.c_str(), 1) != 0)
        QEL_RAISE_OS(errno);
}

int Env::unset(const std::string& name) { return unsetenv(name.c_str()); }

char** Env::environment() { return environ; }

} // namespace qel::proc
