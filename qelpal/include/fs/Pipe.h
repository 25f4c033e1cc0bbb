#pragma once
// A pipe whose ends are handed to child processes or taken over by a File.
#include "NoCopy.h"

namespace qel::fs {

class Pipe : public NoCopy {
public:
    // Both ends start close-on-exec.
    Pipe();
    // Both ends should have been closed or handed over; an open end is
    // reported on standard error and closed.
    ~Pipe();

    // Mark that end close-on-exec, so that it stays in this process.
    void keepRead();
    void keepWrite();
    void closeRead();
    void closeWrite();

    int readFd() const { return m_read; }
    int writeFd() const { return m_write; }

private:
    friend class File;
    // Gives up one end without closing it; -1 when it was gone already.
    int release(bool readEnd);

    int m_read = -1;
    int m_write = -1;
};

} // namespace qel::fs
