#include "payload/BackupListing.h"

#include <utility>

namespace qel::payload {
namespace {

// Path helpers until the file-system module's path utilities take over.
std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string stripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

void dropLast(std::string& path, unsigned count) {
    for (; count > 0; --count) {
        size_t slash = path.rfind('/');
        path.erase(slash == std::string::npos ? 0 : slash);
    }
}

} // namespace

BackupListing::BackupListing(std::string sentinel) : m_sentinel(std::move(sentinel)) {}

void BackupListing::addMember(const std::string& member) {
    std::string path = stripTrailingSlashes("/" + member);
    std::vector<std::string> parts = components(path);
    if (!parts.empty() && parts.back() == m_sentinel) {
        m_product_root = path;
        dropLast(m_product_root, 2);
        m_sentinel_found = true;
    }
    if (parts.size() == 2 && parts[0] == "etc")
        m_shared.push_back({path, stripTrailingSlashes(member)});
}

} // namespace qel::payload
