#include "ChildComm.h"

#include "Exception.h"
#include "StrUtil.h"
#include "fs/Ops.h"
#include "fs/Pipe.h"
#include "fs/StringOps.h"
#include "fs/Transfer.h"
#include "gettext/Tr.h"

#include <memory>

namespace qel {

namespace {

// A pipe made for one run. Whatever end this process has neither handed to
// a File nor closed is closed when it goes, so a failed start leaks nothing.
class RunPipe {
public:
    fs::Pipe pipe;

    ~RunPipe() {
        try {
            pipe.closeRead();
            pipe.closeWrite();
        } catch (const Exception&) {
            // Closing a descriptor of our own only fails for a bad one.
        }
    }
};

int nullFd(const fs::File* null_file) {
    if (!null_file)
        QEL_THROW(UsageError, QEL_TR_AUX("The null device is not open"));
    return null_file->fd();
}

} // namespace

ChildComm::ChildComm() = default;

ChildComm::~ChildComm() {
    m_error.close();
    m_output.close();
    m_input.close();
}

void ChildComm::setExecutable(const std::string& path) {
    std::vector<std::string>& args = arguments();
    if (args.empty())
        args.push_back(path);
    else
        args[0] = path;
}

bool ChildComm::tryProgram(const std::string& path, bool mustExist) {
    if (fs::exists(path)) {
        setExecutable(path);
        return true;
    }
    const std::string::size_type slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (findProgram(name))
        return true;
    if (mustExist) {
        DynError e(aux::format(QEL_TR_AUX("Couldn't find the '%s' program"), name.c_str()),
                   nullptr);
        QEL_LOCATE(e);
        e.raise();
    }
    return false;
}

bool ChildComm::findProgram(const std::string& name) {
    const std::string found = fs::findInPath(name, false);
    setExecutable(found);
    return !found.empty();
}

void ChildComm::create(unsigned flags) {
    if (pid() != proc::INVAL_PROC_ID)
        QEL_THROW(UsageError, QEL_TR_AUX("A child is still present"));

    const bool merge = (flags & (PIPE_OUT | PIPE_ERR | MERGE_ERR)) ==
                       (PIPE_OUT | PIPE_ERR | MERGE_ERR);
    std::unique_ptr<RunPipe> in, out, err;
    if (flags & PIPE_IN)
        in = std::make_unique<RunPipe>();
    if (flags & PIPE_OUT)
        out = std::make_unique<RunPipe>();
    if ((flags & PIPE_ERR) && !merge)
        err = std::make_unique<RunPipe>();

    // Pipe ends start close-on-exec: only the child gets its ends, as its
    // standard streams.
    setStdin(in ? in->pipe.readFd() : (flags & NULL_IN) ? nullFd(fs::File::m_null_in) : -1);
    setStdout(out ? out->pipe.writeFd()
                  : (flags & NULL_OUT) ? nullFd(fs::File::m_null_out) : -1);
    setStderr(err ? err->pipe.writeFd()
                  : merge ? out->pipe.writeFd()
                          : (flags & NULL_ERR) ? nullFd(fs::File::m_null_out) : -1);
    try {
        Child::create();
    } catch (...) {
        setStdin(-1);
        setStdout(-1);
        setStderr(-1);
        throw;
    }
    setStdin(-1);
    setStdout(-1);
    setStderr(-1);

    // Our copies of the child's ends go, so that a reader sees the end of
    // data once the child has exited.
    if (in) {
        in->pipe.closeRead();
        m_input.open(in->pipe, false);
    }
    if (out) {
        out->pipe.closeWrite();
        m_output.open(out->pipe, true);
    }
    if (err) {
        err->pipe.closeWrite();
        m_error.open(err->pipe, true);
    }
}

void ChildComm::writeInput(const void* buffer, std::size_t length) {
    const char* data = static_cast<const char*>(buffer);
    while (length > 0) {
        const ssize_t written = m_input.write(data, length);
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

void ChildComm::writeInputFrom(const fs::File& source, uint64_t offset, uint64_t length) {
    fs::transfer(source, offset, length, m_input);
}

void ChildComm::closeInput() { m_input.close(); }

std::size_t ChildComm::readOutput(void* buffer, std::size_t length, bool readFully,
                                  bool fromOutput) {
    fs::StreamFile& end = fromOutput ? m_output : m_error;
    char* data = static_cast<char*>(buffer);
    std::size_t total = 0;
    do {
        const ssize_t got = end.read(data + total, length - total);
        if (got == 0)
            break;
        total += static_cast<std::size_t>(got);
    } while (readFully && total < length);
    return total;
}

void ChildComm::closeEnds() {
    m_input.close();
    m_output.close();
    m_error.close();
}

bool ChildComm::succeeded() {
    // A child still waiting for input would never end.
    m_input.close();
    m_last = wait();
    closeEnds();
    return m_last.succeeded();
}

void ChildComm::assureCall(unsigned flags) {
    create(flags | PIPE_ERR);
    fs::StreamFile& complaints = m_error.isOpen() ? m_error : m_output;
    std::string captured;
    char buffer[8192];
    try {
        for (;;) {
            const ssize_t got = complaints.read(buffer, sizeof buffer);
            if (got == 0)
                break;
            captured.append(buffer, static_cast<std::size_t>(got));
        }
    } catch (const Exception&) {
        // The run itself decides; what was read so far is the message.
    }
    complaints.close();
    if (succeeded())
        return;
    fs::trim(captured);
    DynError e(aux::format(QEL_TR_AUX("%s failed:"), arguments()[0].c_str()) + "\n\n" + captured,
               nullptr);
    QEL_LOCATE(e);
    e.raise();
}

std::string ChildComm::commandText() const { return aux::join(arguments(), " "); }

} // namespace qel
