#include "fs/Walker.h"

#include "fs/Dir.h"
#include "gettext/Tr.h"

namespace qel::fs {

Walker::~Walker() = default;

void Walker::run() {
    if (!m_visitor)
        QEL_THROW(UsageError, QEL_TR_PAL("No visitor set"));
    m_path = m_root;
    m_error.reset();
    m_depth = 0;
    m_info = nullptr;
    m_flags = 0;
    m_parent_fd = -1;
    const std::string::size_type slash = m_root.rfind('/');
    m_name_offset = slash == std::string::npos ? 0 : static_cast<unsigned>(slash + 1);

    Dir dir;
    dir.open(m_root);
    Info status;
    dir.dirInfo(status);
    walk(dir, status, -1);
    dir.close();
}

unsigned Walker::call(const Info& status, int parentFd) {
    m_info = &status;
    m_parent_fd = parentFd;
    if (m_flags & (STAT_FAILED | OPEN_FAILED))
        return m_visitor->nodeError(m_path, *this);
    return m_visitor->visit(m_path, *this);
}

unsigned Walker::walk(Dir& dir, const Info& status, int parentFd) {
    if (m_options & PRE_VISIT) {
        if (const unsigned result = call(status, parentFd))
            return result;
    }
    const unsigned offset = m_name_offset;
    ++m_depth;
    const bool follow = (m_options & FOLLOW_LINKS) != 0;
    while (!(m_flags & OPEN_FAILED) && dir.nextEntry()) {
        const std::string& name = dir.entryName();
        if (name == "." || name == "..")
            continue;

        Info entry;
        bool known = true;
        try {
            dir.entryInfo(entry, follow);
        } catch (const Exception& e) {
            known = false;
            m_flags |= STAT_FAILED;
            m_error.reset(e.clone());
        }
        m_info = known ? &entry : nullptr;
        m_parent_fd = dir.fd();

        const std::string::size_type parentLength = m_path.size();
        if (m_path.empty() || m_path.back() != '/')
            m_path += '/';
        m_name_offset = static_cast<unsigned>(m_path.size());
        m_path += name;

        unsigned result;
        if (known && entry.isDir()) {
            Dir sub;
            try {
                dir.entryDir(sub, follow);
            } catch (const Exception& e) {
                m_flags |= OPEN_FAILED;
                m_error.reset(e.clone());
            }
            result = walk(sub, entry, dir.fd());
        } else if (m_flags & STAT_FAILED) {
            result = m_visitor->nodeError(m_path, *this);
        } else {
            result = m_visitor->visit(m_path, *this);
        }

        m_path.resize(parentLength);
        m_flags = 0;
        m_name_offset = offset;
        m_error.reset();

        if (result & STOP) {
            --m_depth;
            return STOP;
        }
        if (result & SKIP_REST)
            break;
    }
    --m_depth;
    if (m_options & POST_VISIT) {
        m_flags |= POST;
        return call(status, parentFd);
    }
    return GO_ON;
}

} // namespace qel::fs
