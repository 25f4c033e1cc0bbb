#include "fs/Recurser.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "fs/Path.h"
#include "gettext/Tr.h"

#include <memory>

namespace qel::aux {

namespace {
// Raises the walker's error again, located at the visitor.
void raiseNodeError(const fs::Walker& walker, const char* file, int line,
                                 const char* function) {
    const Exception* error = walker.error();
    const std::unique_ptr<Exception> e(
        error ? error->clone() : new RuntimeError(QEL_TR_AUX("node error without cause")));
    e->setLocation(file, line, function);
    e->raise();
}
#define QEL_RAISE_NODE_ERROR(walker) raiseNodeError((walker), __FILE__, __LINE__, __func__)

// Where the node's path continues below the root.
size_t relativeStart(const std::string& root) { return root == "/" ? 1 : root.size() + 1; }
} // namespace

// --- Remover -------------------------------------------------------------------

Remover::Remover() {
    m_walker.setVisitor(this);
    m_walker.setOptions(fs::Walker::POST_VISIT);
}

void Remover::run(const std::string& path) {
    const fs::Path root(path);
    if (!fs::Info::get(root, false).isDir()) {
        fs::removeFile(root);
        return;
    }
    m_walker.setRoot(root);
    m_walker.run();
}

unsigned Remover::visit(const std::string& path, const fs::Walker& walker) {
    const bool dir = walker.info()->isDir();
    // Relative to the walked directory: a directory swapped for a link
    // meanwhile cannot redirect the removal out of the tree.
    if (walker.parentFd() >= 0)
        fs::removeAt(walker.parentFd(), path.substr(walker.nameOffset()), dir, path);
    else if (dir)
        fs::removeDir(path);
    else
        fs::removeFile(path);
    return fs::Walker::GO_ON;
}

unsigned Remover::nodeError(const std::string&, const fs::Walker& walker) {
    QEL_RAISE_NODE_ERROR(walker);
    return fs::Walker::STOP;   // not reached: raise() throws
}

// --- Mover ---------------------------------------------------------------------

Mover::Mover() {
    m_walker.setVisitor(this);
    m_walker.setOptions(fs::Walker::PRE_VISIT | fs::Walker::POST_VISIT);
}

void Mover::move(const std::string& source, const std::string& destination) {
    if (fs::exists(destination))
        QEL_THROW(UsageError, QEL_TR_AUX("dst already exists"));
    try {
        fs::rawMove(source, destination, false);
        return;
    } catch (const NotSameDeviceError&) {
    }
    m_source = fs::Path(source);
    m_destination = fs::Path(destination);
    if (!fs::Info::get(m_source, false).isDir()) {
        fs::move(m_source, m_destination, false);
        return;
    }
    m_walker.setRoot(m_source);
    m_walker.run();
}

unsigned Mover::visit(const std::string& path, const fs::Walker& walker) {
    const std::string target = walker.depth() == 0
                                   ? m_destination
                                   : m_destination + "/" + path.substr(relativeStart(m_source));
    const fs::Info& info = *walker.info();
    if (!info.isDir()) {
        fs::move(path, target, false);
    } else if (walker.isPostVisit()) {
        // The directory gets its mode and owner once its content is in, as
        // every file moved into it did.
        fs::Access access;
        access.uid = info.uid();
        access.gid = info.gid();
        access.mode = info.mode() & 07777;
        fs::setAccess(target, access);
        fs::removeDir(path);
    } else {
        fs::mkdir(target);
    }
    return fs::Walker::GO_ON;
}

unsigned Mover::nodeError(const std::string&, const fs::Walker& walker) {
    QEL_RAISE_NODE_ERROR(walker);
    return fs::Walker::STOP;   // not reached: raise() throws
}

// --- smartMove -----------------------------------------------------------------

void smartMove(const std::string& source, const std::string& destination) {
    if (!fs::Info::get(source, true).isDir()) {
        fs::move(source, destination, true);
        return;
    }
    fs::Info target;
    try {
        target = fs::Info::get(destination, true);
    } catch (const Exception&) {
        Mover().move(source, destination);
        return;
    }
    if (!target.isDir())
        QEL_THROW(UsageError, QEL_TR_AUX("dst exists but is not a directory"));
    fs::Path name(source);
    name.baseName();
    Mover().move(source, fs::Path(destination).str() + "/" + name.str());
}

} // namespace qel::aux
