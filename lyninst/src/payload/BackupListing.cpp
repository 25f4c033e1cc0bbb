#include "payload/BackupListing.h"

#include <algorithm>
#include <utility>

#include "fs/Path.h"

namespace qel::payload {

namespace {

// The components of a member name below "/"; "." names no component.
std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts = fs::Path(path).split();
    parts.erase(std::remove(parts.begin(), parts.end(), "."), parts.end());
    return parts;
}

bool belongs(const std::vector<std::string>& member, const std::vector<std::string>& root) {
    if (std::find(member.begin(), member.end(), "..") != member.end())
        return false;
    if (!member.empty() && member[0] == "etc")
        return member.size() == 2;
    return member.size() >= root.size() && std::equal(root.begin(), root.end(), member.begin());
}

} // namespace

BackupListing::BackupListing(std::string sentinel) : m_sentinel(std::move(sentinel)) {}

void BackupListing::addMember(const std::string& member) {
    m_members.push_back(member);
    fs::Path path("/" + member);
    std::vector<std::string> parts = path.split();
    if (!parts.empty() && parts.back() == m_sentinel) {
        // The sentinel lies in a directory one level below the product root.
        // A sentinel too close to "/" leaves no root: "/" itself never is one.
        m_product_root = parts.size() > 2 ? fs::Path(path).dropLast(2).str() : "";
        m_sentinel_found = true;
    }
    if (parts.size() == 2 && parts[0] == "etc")
        m_shared.push_back({path.str(), fs::Path(member).str()});
}

std::vector<std::string> BackupListing::strayMembers(size_t most) const {
    std::vector<std::string> stray;
    const std::vector<std::string> root = components(m_product_root);
    for (const std::string& member : m_members) {
        if (stray.size() == most)
            break;
        if (!belongs(components(member), root))
            stray.push_back(member);
    }
    return stray;
}

} // namespace qel::payload
