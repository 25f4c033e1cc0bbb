#include "QelPal.h"

#include "KernelModule.h"
#include "fs/File.h"
#include "gettext/Locale.h"
#include "gettext/Tr.h"
#include "proc/Child.h"
#include "term/Color.h"
#include "term/Input.h"
#include "time/Clock.h"
#include "user/UserInfo.h"

#include <iostream>
#include <time.h>

namespace qel {

namespace {

// An interrupt, a termination, and a hang-up: the terminal or the ssh session
// that ran us is gone, so nobody can answer or watch any more.
const int quit_signals[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

void QuitSignal::notify(int, const siginfo_t&) { m_owner->onQuit(); }

QelPalInit::QelPalInit(bool handleQuit, bool noHandlerThread)
    : m_no_handler_thread(noHandlerThread) {
    // Blocked before any thread exists, so all threads inherit the block and
    // a write into a pipe without reader fails with EPIPE instead of killing us.
    signal::Set blocked;
    blocked.getMask();
    blocked.add(SIGPIPE);
    blocked.add(SIGUSR1);
    blocked.add(SIGUSR2);
    if (handleQuit) {
        for (int sig : quit_signals)
            blocked.add(sig);
    }
    blocked.block();

    if (!handleQuit)
        return;
    m_quit = new QuitSignal(this);
    if (m_no_handler_thread)
        return;
    try {
        m_handler = new signal::Handler;
        for (int sig : quit_signals)
            m_handler->add(sig, m_quit);
    } catch (...) {
        delete m_handler;
        delete m_quit;
        throw;
    }
}

QelPalInit::~QelPalInit() {
    stopHandler();
    delete m_handler;
    delete m_quit;
}

void QelPalInit::startHandler() {
    // Signals that arrived before stay pending until the thread takes them.
    if (m_handler)
        m_handler->start(SIGUSR1);
}

void QelPalInit::stopHandler() {
    if (!m_handler)
        return;
    try {
        m_handler->stop();
    } catch (const Exception& e) {
        std::cerr << describe(e) << std::flush;
    }
}

QelPal::QelPal(bool handleQuit, bool noHandlerThread, int locale)
    : QelPalInit(handleQuit, noHandlerThread) {
    try {
        startHandler();
        fs::File::init();
        Locale::setup(static_cast<Locale::Language>(locale));
        UserInfo::captureProcessUsers();
        if (time::InitClock::m_init_time.tv_sec == 0 && time::InitClock::m_init_time.tv_nsec == 0) {
            time::InitClock clock;
            clock.update();
            time::InitClock::m_init_time = clock.time();
        }
        tzset();
        term::Terminal::setup();
        term::Input::setup();
        KernelModule::findTools();
    } catch (...) {
        shutDown();
        throw;
    }
}

QelPal::~QelPal() { shutDown(); }

void QelPal::shutDown() noexcept {
    stopHandler();
    try {
        proc::Child::shutdown();
    } catch (const Exception& e) {
        std::cerr << describe(e) << std::flush;
    }
    fs::File::cleanup();
}

void QelPal::addQuitHandler(IQuitHandler* handler) {
    auto guard = m_lock.lock();
    m_quit_handlers.insert(handler);
}

void QelPal::removeQuitHandler(IQuitHandler* handler) {
    auto guard = m_lock.lock();
    m_quit_handlers.erase(handler);
}

void QelPal::onQuit() {
    auto guard = m_lock.lock();
    try {
        for (IQuitHandler* handler : m_quit_handlers)
            handler->quitRequested();
    } catch (const Exception& e) {
        std::cerr << QEL_TR_PAL("Error processing quit event:\n\n") << describe(e) << '\n'
                  << std::flush;
    }
}

} // namespace qel
