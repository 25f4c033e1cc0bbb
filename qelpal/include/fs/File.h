#pragma once
// Owning wrappers of file descriptors. Every descriptor is close-on-exec from
// birth; a descriptor reaches a child process only when the child-process
// code hands it over explicitly.
#include "InOut.h"
#include "NoCopy.h"

#include <sys/types.h>

#include <string>

namespace qel::fs {

struct Access;
class Pipe;

class File : public NoCopy {
public:
    enum Type { READ = 0, WRITE = 1, READ_WRITE = 2 };
    // NO_WAIT: opening and reading never wait, not even for the other end
    // of a named pipe.
    enum Flags { CREATE = 1, EXCLUSIVE = 2, TRUNCATE = 4, NO_WAIT = 8 };

    // Shared files on the null device for children that read nothing or
    // write nowhere; they exist between init() and cleanup().
    static File* m_null_in;
    static File* m_null_out;
    static void init();
    static void cleanup();

    File() = default;
    // Closes the descriptor; a failure is reported on standard error.
    virtual ~File();
    // Closes an open descriptor; the object is closed afterwards in any case.
    virtual void close();

    // type is a Type, flags a set of Flags. The creation mode is access's
    // mode, or 0600; the ownership in access is not applied here.
    void open(const std::string& path, int type, int flags = 0,
              const Access* access = nullptr);
    // Takes over one end of the pipe.
    void open(Pipe& pipe, bool readEnd);
    // Takes over fd, closing a previously open descriptor first.
    void adopt(int fd);
    // Gives up the descriptor without closing it.
    int release();

    void setAccess(const Access& access);

    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd != -1; }

private:
    int m_fd = -1;
};

// A File read and written like a console stream.
class StreamFile : public File, public IInOut {
public:
    enum Whence { SET = 0, CUR = 1, END = 2 };

    ssize_t read(void* buffer, size_t size) override;
    // One write(2) call; the count may be short.
    ssize_t write(const void* buffer, size_t size) override;
    // fsync(); false for descriptors that cannot be synchronised (pipes,
    // terminals).
    bool flush() override;
    off_t seek(off_t offset, int whence);
};

} // namespace qel::fs
