#include "user/GroupInfo.h"

#include "Exception.h"

#include <cerrno>
#include <grp.h>
#include <vector>

namespace qel {

GroupInfo::GroupInfo(const std::string& name) : m_name(name) { retrieve(); }

GroupInfo::GroupInfo(int32_t gid) : m_gid(gid) { retrieve(); }

void GroupInfo::retrieve() {
    m_members.clear();
    // Entries of groups with many members outgrow any fixed buffer.
    std::vector<char> buffer(128);
    struct group entry;
    struct group* found = nullptr;
    for (;;) {
        const int rc = m_name.empty()
            ? getgrgid_r(static_cast<gid_t>(m_gid), &entry, buffer.data(), buffer.size(), &found)
            : getgrnam_r(m_name.c_str(), &entry, buffer.data(), buffer.size(), &found);
        if (rc == 0) {
            break;
        }
        if (rc == EINTR) {
            continue;
        }
        if (rc == ERANGE) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        OsError e(rc == -1 ? errno : rc);
        QEL_LOCATE(e);
        e.raise();
    }
    if (found == nullptr) {
        QEL_THROW(RuntimeError, "no matching group");
    }
    m_gid = static_cast<int32_t>(entry.gr_gid);
    m_name = entry.gr_name;
    for (char** member = entry.gr_mem; *member != nullptr; ++member) {
        m_members.insert(*member);
    }
}

std::ostream& operator<<(std::ostream& out, const GroupInfo& group) {
    out << "Group: " << group.name() << " (" << group.gid() << ")";
    if (!group.members().empty()) {
        out << "\nMembers:";
        for (const std::string& member : group.members()) {
            out << "\n- " << member;
        }
    }
    return out;
}

} // namespace qel
