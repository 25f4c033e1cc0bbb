#pragma once

namespace qel {

// Base of objects that own a resource and must not be copied.
class NoCopy {
public:
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;

protected:
    NoCopy() = default;
    ~NoCopy() = default;
};

} // namespace qel
