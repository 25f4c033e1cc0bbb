// Verification of the contained archive with the system's sha256sum.
#include "app/RootInstaller.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "StrUtil.h"
#include "fs/StringOps.h"
#include "gettext/Tr.h"
#include "payload/ContainedData.h"
#include "term/Color.h"

namespace qel {
namespace {

constexpr size_t DIGEST_TEXT_LENGTH = 2 * sizeof payload::g_archive_digest;

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Whether the hexadecimal text (either case) spells the recorded digest.
bool matchesRecordedDigest(const std::string& text) {
    for (size_t i = 0; i < sizeof payload::g_archive_digest; ++i) {
        int high = hexDigit(text[2 * i]);
        int low = hexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0 || (high << 4 | low) != payload::g_archive_digest[i])
            return false;
    }
    return true;
}

} // namespace

bool RootInstaller::verifyData() {
    resetCall();
    const bool found = m_call.findProgram("sha256sum");
    if (found && m_verbose.isSet()) {
        term::ColorGuard guard(term::vc_guard);
        std::cout << "-- "
                  << aux::format(QEL_TR("using '%s' for checksumming"),
                                 m_call.arguments()[0].c_str())
                  << '\n';
    }
    std::cout << QEL_TR("Verfying contained installation data... ") << std::flush;
    if (!found) {
        printFailed();
        term::ColorGuard guard(term::wc_guard);
        std::cerr << aux::format(QEL_TR("Cannot verify data, because the '%s' program wasn't "
                                        "found on this system"),
                                 "sha256sum")
                  << '\n';
        return false;
    }

    // -b: the archive is read as bytes, from standard input.
    m_call.arguments().push_back("-b");
    char output[512];
    m_call.create(ChildComm::PIPE_IN | ChildComm::PIPE_OUT);
    // A tool that stops reading early is judged by its exit status and its
    // answer, like any other; the write error itself tells nothing more.
    feedArchive();
    size_t length = 0;
    try {
        length = m_call.readOutput(output, sizeof output, true, true);
    } catch (const Exception&) {
        m_call.succeeded();
        throw;
    }
    if (!m_call.succeeded()) {
        printFailed();
        term::ColorGuard guard(term::ec_guard);
        std::cerr << aux::format(QEL_TR("Running '%s' failed"), "sha256sum") << std::endl;
        return false;
    }

    std::vector<std::string> pieces;
    fs::split(std::string(output, length), ' ', pieces, true);
    const size_t digest_length = pieces.empty() ? 0 : pieces[0].size();
    if (digest_length != DIGEST_TEXT_LENGTH) {
        printFailed();
        term::ColorGuard guard(term::ec_guard);
        std::cerr << aux::format(QEL_TR("Hash value obtained from '%s' has got an unexpected "
                                        "length: %d instead of %d"),
                                 "sha256sum", static_cast<int>(digest_length),
                                 static_cast<int>(DIGEST_TEXT_LENGTH))
                  << '\n';
        return false;
    }
    if (!matchesRecordedDigest(pieces[0])) {
        // The message completes the open step line.
        term::ColorGuard guard(term::ec_guard);
        std::cerr << QEL_TR("The computed hash value doesn't match the recorded hash value")
                  << '\n';
        return false;
    }
    printSucceeded();
    return true;
}

} // namespace qel
