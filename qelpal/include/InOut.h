#pragma once
// Byte-stream interfaces for console-style input and output.
#include <sys/types.h>

#include <cstddef>

namespace qel {

class IInput {
public:
    // Returns the number of bytes read, 0 at the end of the input.
    virtual ssize_t read(void* buffer, size_t size) = 0;

protected:
    ~IInput() = default;
};

class IOutput {
public:
    // Returns the number of bytes written.
    virtual ssize_t write(const void* buffer, size_t size) = 0;
    // Returns whether the data reached its destination.
    virtual bool flush() { return false; }

protected:
    ~IOutput() = default;
};

class IInOut : public IInput, public IOutput {
protected:
    ~IInOut() = default;
};

} // namespace qel
