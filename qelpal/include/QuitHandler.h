#pragma once

namespace qel {

// Told when the process is asked to quit (SIGINT, SIGTERM, SIGHUP). Runs on the
// signal handler thread under the platform layer's lock: it must not take
// locks of its own nor register or unregister handlers.
class IQuitHandler {
public:
    virtual void quitRequested() = 0;

protected:
    ~IQuitHandler() = default;
};

} // namespace qel
