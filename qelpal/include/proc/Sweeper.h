#pragma once
// A helper process that removes a directory this process would leave behind
// if it were killed outright before it could remove it or hand it on. The
// helper is a copy of this process that only this process writes to, through
// a pipe that no program we start inherits; when the pipe ends without the
// word that the directory was handed on, we have died and the helper removes
// it. Quit requests do not end the helper: it follows the pipe alone.
#include "NoCopy.h"
#include "proc/Child.h"

#include <functional>
#include <string>

namespace qel::proc {

class Sweeper : public NoCopy {
public:
    // Runs in the helper with the path to remove.
    using Remove = std::function<void(const std::string& path)>;

    // Starts the helper.
    explicit Sweeper(const Remove& remove);
    // Releases a helper that still runs.
    ~Sweeper();

    // Should this process end before release(), the helper removes path.
    void watch(const std::string& path);
    // The path is taken care of: the helper ends without removing anything.
    // Waits for it.
    void release() noexcept;

private:
    Child m_helper;
    int m_write = -1;
};

} // namespace qel::proc
