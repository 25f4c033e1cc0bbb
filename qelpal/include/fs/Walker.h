#pragma once
// Depth-first walk of a directory tree that calls a visitor for every node.
// Without FOLLOW_LINKS a symbolic link is visited as a node and never
// entered, so a walk stays inside its tree.
#include "Exception.h"
#include "NoCopy.h"
#include "fs/Ops.h"

#include <memory>
#include <string>

namespace qel::fs {

class Dir;

class Walker : public NoCopy {
public:
    // Options.
    enum { POST_VISIT = 0x2, FOLLOW_LINKS = 0x4, PRE_VISIT = 0x8 };
    // Node flags.
    enum { STAT_FAILED = 0x1, OPEN_FAILED = 0x2, POST = 0x4 };
    // Visitor results; any non-zero result of a pre-visit skips that
    // directory's content.
    enum { GO_ON = 0x0, STOP = 0x1, SKIP_DIR = 0x2, SKIP_REST = 0x4 };

    class Visitor {
    public:
        // path names the node; the walker tells about it.
        virtual unsigned visit(const std::string& path, const Walker& walker) = 0;
        // The node's status could not be read or the directory not opened;
        // error() says why.
        virtual unsigned nodeError(const std::string& path, const Walker& walker) = 0;

    protected:
        ~Visitor() = default;
    };

    Walker() = default;
    ~Walker();

    void setRoot(const std::string& root) { m_root = root; }
    void setOptions(unsigned options) { m_options = options; }
    void setVisitor(Visitor* visitor) { m_visitor = visitor; }
    const std::string& root() const { return m_root; }

    // The root must be a readable directory; its errors propagate, as do
    // those of reading entries and of the visitor.
    void run();

    // The current node, for the visitor.
    int depth() const { return m_depth; }
    // Null when the status could not be read.
    const Info* info() const { return m_info; }
    unsigned flags() const { return m_flags; }
    bool isPostVisit() const { return (m_flags & POST) != 0; }
    // The error behind STAT_FAILED or OPEN_FAILED, else null.
    const Exception* error() const { return m_error.get(); }
    // Where the node's name begins in its path.
    unsigned nameOffset() const { return m_name_offset; }
    // The open directory that holds the node (-1 for the root), for
    // operations relative to it that do not resolve the path again.
    int parentFd() const { return m_parent_fd; }

private:
    unsigned walk(Dir& dir, const Info& status, int parentFd);
    unsigned call(const Info& status, int parentFd);

    unsigned m_name_offset = 0;
    int m_depth = 0;
    int m_parent_fd = -1;
    const Info* m_info = nullptr;
    unsigned m_flags = 0;
    std::unique_ptr<Exception> m_error;
    unsigned m_options = 0;
    std::string m_root;
    Visitor* m_visitor = nullptr;
    std::string m_path;
};

} // namespace qel::fs
