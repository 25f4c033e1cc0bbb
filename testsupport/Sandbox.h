#pragma once
// Tests that change system state (accounts, /etc, /opt, /var/backups) run
// only inside testsupport/sandbox-run, which sets QEL_SANDBOX=1; register
// them with qel_add_sandbox_test and a --gtest_filter. Elsewhere they skip.
#include <cstdlib>

#include <gtest/gtest.h>

#define QEL_REQUIRE_SANDBOX()                                                    \
    do {                                                                         \
        if (std::getenv("QEL_SANDBOX") == nullptr)                               \
            GTEST_SKIP() << "changes system state: runs only in sandbox-run";    \
    } while (0)
