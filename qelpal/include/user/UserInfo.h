#pragma once
// Accounts of the system's user database, and the identities of the running
// process recorded once at start-up.
#include <cstdint>
#include <ostream>
#include <string>

namespace qel {

class UserInfo {
public:
    // The session's login name, empty when there is none.
    static std::string m_login_name;
    // The real and the effective user of the process.
    static UserInfo m_real_info;
    static UserInfo m_eff_info;

    // Fills the three statics above. Look-up failures leave the fields that
    // could not be filled empty; start-up never fails for them.
    static void captureProcessUsers();

    UserInfo() = default;
    UserInfo(uint32_t uid, uint32_t gid) : m_uid(uid), m_gid(gid) {}

    // Looks the account up by login name (byName) or by user id. With
    // takeGroup the group id becomes the account's primary group. The group
    // name always follows the resulting group id.
    void resolve(bool byName, bool takeGroup);

    // Makes this user's group id and then user id the effective ones.
    void setEffectiveProcInfo() const;

    uint32_t uid() const { return m_uid; }
    uint32_t gid() const { return m_gid; }
    const std::string& loginName() const { return m_login; }
    const std::string& groupName() const { return m_group; }
    const std::string& home() const { return m_home; }
    const std::string& shell() const { return m_shell; }

    void setUid(uint32_t uid) { m_uid = uid; }
    void setGid(uint32_t gid) { m_gid = gid; }
    void setLoginName(const std::string& name) { m_login = name; }

private:
    uint32_t m_uid = 0;
    uint32_t m_gid = 0;
    std::string m_login;
    std::string m_group;
    std::string m_home;
    std::string m_shell;
};

std::ostream& operator<<(std::ostream& out, const UserInfo& user);

} // namespace qel
