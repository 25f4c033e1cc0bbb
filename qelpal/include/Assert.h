#pragma once
// Checks an invariant in every build type: a broken one is a programming
// error, so the process reports the condition and aborts.

namespace qel {
[[noreturn]] void assertionFailed(const char* condition, const char* file, int line,
                                  const char* function) noexcept;
} // namespace qel

#define QEL_ASSERT(condition)                                                   \
    ((condition) ? static_cast<void>(0)                                         \
                 : ::qel::assertionFailed(#condition, __FILE__, __LINE__, __func__))
