#include "user/UserInfo.h"

#include "Exception.h"
#include "gettext/Tr.h"
#include "user/GroupInfo.h"

#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace qel {

std::string UserInfo::m_login_name;
UserInfo UserInfo::m_real_info;
UserInfo UserInfo::m_eff_info;

namespace {

// Resolution at start-up is best effort: a process may run under an id
// without an account (containers, stale ids) and must still start.
void resolveQuietly(UserInfo& user) {
    try {
        user.resolve(false, false);
    } catch (const Exception&) {
    }
}

} // namespace

void UserInfo::captureProcessUsers() {
    char name[256];
    m_login_name = getlogin_r(name, sizeof name) == 0 ? std::string(name) : std::string();

    m_real_info = UserInfo(getuid(), getgid());
    m_eff_info = UserInfo(geteuid(), getegid());
    resolveQuietly(m_real_info);
    resolveQuietly(m_eff_info);
}

void UserInfo::resolve(bool byName, bool takeGroup) {
    std::vector<char> buffer(2048);
    struct passwd entry;
    struct passwd* found = nullptr;
    const int rc = byName
        ? getpwnam_r(m_login.c_str(), &entry, buffer.data(), buffer.size(), &found)
        : getpwuid_r(m_uid, &entry, buffer.data(), buffer.size(), &found);
    if (rc != 0) {
        OsError e(rc == -1 ? errno : rc);
        QEL_LOCATE(e);
        e.raise();
    }
    if (found == nullptr) {
        RuntimeError e(QEL_TR_PAL("No such user"));
        QEL_LOCATE(e);
        e.raise();
    }
    if (byName) {
        m_uid = entry.pw_uid;
    } else {
        m_login = entry.pw_name;
    }
    if (takeGroup) {
        m_gid = entry.pw_gid;
    }
    m_home = entry.pw_dir;
    m_shell = entry.pw_shell;
    m_group = GroupInfo(static_cast<int32_t>(m_gid)).name();
}

void UserInfo::setEffectiveProcInfo() const {
    if (setegid(m_gid) != 0 || seteuid(m_uid) != 0) {
        OsError e(errno);
        QEL_LOCATE(e);
        e.raise();
    }
}

std::ostream& operator<<(std::ostream& out, const UserInfo& user) {
    return out << "User: " << user.loginName() << " (" << user.uid() << ")\n"
               << "Group: " << user.groupName() << " (" << user.gid() << ")\n"
               << "Home: " << user.home() << "\n"
               << "Shell: " << user.shell() << "\n";
}

} // namespace qel
