#include "fs/DirStack.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "gettext/Tr.h"

namespace qel::aux {

void DirStack::push(const std::string& dir) {
    m_dirs.push_back(fs::cwd());
    fs::setCWD(dir);
}

void DirStack::pop() {
    if (m_dirs.empty())
        QEL_THROW(UsageError, QEL_TR_AUX("pop() with empty dir stack"));
    fs::setCWD(m_dirs.back());
    m_dirs.pop_back();
}

} // namespace qel::aux
