#pragma once
// What the member listing of a backup archive says about it: whether it is a
// backup of a given product, where that product's root lies, and which of its
// files are the ones in /etc that all products share.
#include <string>
#include <vector>

namespace qel::payload {

class BackupListing {
public:
    // A file directly in /etc that the archive would overwrite.
    struct SharedFile {
        std::string path;   // absolute path on this system
        std::string member; // name of the member in the archive
    };

    // sentinel: the file name that marks the product; it lies in a
    // directory one level below the product root.
    explicit BackupListing(std::string sentinel);

    // Takes one member name as the archive tool lists it (relative to "/").
    void addMember(const std::string& member);

    bool sentinelFound() const { return m_sentinel_found; }
    // Root of the product as the last sentinel member gives it; empty when
    // that member lies less than two levels below "/".
    const std::string& productRoot() const { return m_product_root; }
    const std::vector<SharedFile>& sharedFiles() const { return m_shared; }
    // Up to most members, in the order of the listing, that lie neither
    // below the product root nor directly in /etc: a backup of the product
    // holds nothing else. Anything else in /etc, and any name with "..",
    // never belongs to it.
    std::vector<std::string> strayMembers(size_t most) const;

    // Keeps only the shared files for which keep(path) is true.
    template <typename Pred>
    void filterShared(Pred keep);

private:
    std::string m_sentinel;
    bool m_sentinel_found = false;
    std::string m_product_root;
    std::vector<SharedFile> m_shared;
    std::vector<std::string> m_members;
};

template <typename Pred>
void BackupListing::filterShared(Pred keep) {
    std::vector<SharedFile> kept;
    for (SharedFile& file : m_shared)
        if (keep(file.path))
            kept.push_back(std::move(file));
    m_shared.swap(kept);
}

} // namespace qel::payload
