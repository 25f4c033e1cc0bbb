#pragma once
// The platform layer's start-up and tear-down. One QelPal lives for the whole
// run of the application: it blocks the signals the layer handles in the
// calling thread (so every later thread inherits the block), turns SIGINT,
// SIGTERM and SIGHUP into quit events on the "signal handler" thread and initialises
// the other platform modules in a fixed order.
#include "QuitHandler.h"
#include "os/posix/signal/Handler.h"
#include "thread/Lock.h"

#include <set>

namespace qel {

class QelPalInit;

// Turns the quit signals into the owner's quit event.
class QuitSignal : public signal::Handler::INotify {
public:
    explicit QuitSignal(QelPalInit* owner) : m_owner(owner) {}
    void notify(int sig, const siginfo_t& info) override;

private:
    QelPalInit* m_owner;
};

class QelPalInit {
public:
    // With handleQuit false SIGINT, SIGTERM and SIGHUP keep their effect. With
    // noHandlerThread true they are blocked but nobody collects them.
    QelPalInit(bool handleQuit, bool noHandlerThread);
    virtual ~QelPalInit();

    QelPalInit(const QelPalInit&) = delete;
    QelPalInit& operator=(const QelPalInit&) = delete;

    virtual void onQuit() = 0;

protected:
    // The derived object starts the thread once it can take quit events
    // and stops it before it goes.
    void startHandler();
    void stopHandler();

private:
    signal::Handler* m_handler = nullptr;
    QuitSignal* m_quit = nullptr;
    bool m_no_handler_thread;
};

class QelPal : public QelPalInit {
public:
    // locale: 0 "en_US.utf8", 1 "de_DE.utf8", 2 taken from the environment.
    QelPal(bool handleQuit, bool noHandlerThread, int locale);
    ~QelPal() override;

    // Each handler is told at most once per quit event; not owned.
    void addQuitHandler(IQuitHandler* handler);
    void removeQuitHandler(IQuitHandler* handler);

    void onQuit() override;

private:
    void shutDown() noexcept;

    thread::Lock m_lock;
    std::set<IQuitHandler*> m_quit_handlers;
};

} // namespace qel
