#pragma once
// Removing and moving whole directory trees. Symbolic links inside a tree
// are handled as links: neither tool follows one out of the tree.
#include "fs/Walker.h"

#include <string>

namespace qel::aux {

class Remover final : public fs::Walker::Visitor {
public:
    Remover();
    // Removes the tree rooted at path, the root included. A root that is not
    // a directory (a symbolic link included) is removed by itself.
    void run(const std::string& path);

    unsigned visit(const std::string& path, const fs::Walker& walker) override;
    unsigned nodeError(const std::string& path, const fs::Walker& walker) override;

private:
    fs::Walker m_walker;
};

class Mover final : public fs::Walker::Visitor {
public:
    Mover();
    // Moves source to destination, which must not exist: a rename, or piece
    // by piece when they lie on different file systems, keeping the modes
    // and owners of files and directories.
    void move(const std::string& source, const std::string& destination);

    unsigned visit(const std::string& path, const fs::Walker& walker) override;
    unsigned nodeError(const std::string& path, const fs::Walker& walker) override;

private:
    std::string m_source;
    std::string m_destination;
    fs::Walker m_walker;
};

// Moves like the command line does: a directory moved onto an existing
// directory goes into it; a file replaces an existing file.
void smartMove(const std::string& source, const std::string& destination);

} // namespace qel::aux
