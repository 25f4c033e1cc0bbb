#pragma once
// A group of the system's group database.
#include <cstdint>
#include <ostream>
#include <set>
#include <string>

namespace qel {

class GroupInfo {
public:
    // Both look the group up at once and raise when it is not found.
    explicit GroupInfo(const std::string& name);
    explicit GroupInfo(int32_t gid);

    // Looks the group up by name when one is set, else by id, and replaces
    // every field.
    void retrieve();

    const std::string& name() const { return m_name; }
    int32_t gid() const { return m_gid; }
    const std::set<std::string>& members() const { return m_members; }

private:
    std::string m_name;
    int32_t m_gid = -1;
    std::set<std::string> m_members;
};

std::ostream& operator<<(std::ostream& out, const GroupInfo& group);

} // namespace qel
