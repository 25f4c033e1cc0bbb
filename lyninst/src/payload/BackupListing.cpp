#include "payload/BackupListing.h"

#include <utility>

#include "fs/Path.h"

namespace qel::payload {

BackupListing::BackupListing(std::string sentinel) : m_sentinel(std::move(sentinel)) {}

void BackupListing::addMember(const std::string& member) {
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

} // namespace qel::payload
