// Putting back an earlier installation of the product from a backup archive.
#include "app/RootInstaller.h"

#include <iostream>

#include "StrUtil.h"
#include "console/Question.h"
#include "console/WrapText.h"
#include "fs/DirStack.h"
#include "fs/Ops.h"
#include "fs/Path.h"
#include "fs/Recurser.h"
#include "gettext/Tr.h"
#include "payload/BackupListing.h"
#include "term/Color.h"

namespace qel {
namespace {

// A message about the archive: wrapped, in the error colour, on standard output.
void reportArchive(const std::string& text) {
    term::ColorGuard guard(term::ec_guard);
    std::cout << wrapText(text) << std::endl;
}

} // namespace

bool RootInstaller::restoreBackup() {
    // Relative archive paths are taken below "/", where tar runs as well.
    aux::DirStack dirs;
    dirs.push("/");
    const bool done = restoreFromRoot();
    dirs.pop();
    return done;
}

bool RootInstaller::restoreFromRoot() {
    const std::string archive = fs::Path(m_restore.getValue()).str();
    const std::string product = m_product.fullName();
    const std::string sentinel = std::string(m_product.codeName()) + "-sentinel";
    if (!fs::exists(archive)) {
        reportArchive(aux::format(QEL_TR("The backup archive file %s is not existing. Cannot "
                                         "continue."),
                                  archive.c_str()));
        return false;
    }
    // tar would wait for ever on a named pipe, and read a device as root.
    if (!fs::Info::get(archive, true).isRegular()) {
        reportArchive(aux::format(QEL_TR("The backup archive file %s is not a regular file. "
                                         "Cannot continue."),
                                  archive.c_str()));
        return false;
    }
    if (!findTar(m_verbose.isSet(), false))
        return false;

    payload::BackupListing listing(sentinel);
    if (!listBackup(archive, listing)) {
        reportArchive(aux::format(QEL_TR("Error trying to access backup archive file contents "
                                         "of %s. Probably this is not a valid QEL backup "
                                         "archive."),
                                  archive.c_str()));
        return false;
    }
    if (!listing.sentinelFound() || listing.productRoot().empty()) {
        reportArchive(aux::format(QEL_TR("The given backup archive file doesn't seem to be a "
                                         "valid backup of %1$s ('%2$s' was not found in the "
                                         "archive)."),
                                  product.c_str(), sentinel.c_str()));
        return false;
    }
    const std::vector<std::string> stray = listing.strayMembers(5);
    if (!stray.empty()) {
        reportArchive(aux::format(QEL_TR("The backup archive file %1$s holds files that a backup "
                                         "of %2$s never holds: they lie neither below '%3$s' "
                                         "nor directly in /etc. Nothing was restored. The first "
                                         "of them:"),
                                  archive.c_str(), product.c_str(),
                                  listing.productRoot().c_str()));
        for (const std::string& member : stray)
            std::cout << "- '" << member << "'\n";
        return false;
    }
    listing.filterShared([](const std::string& path) { return fs::exists(path); });

    YesNoQuestion really(aux::format(QEL_TR("Do you really want to restore %1$s from the backup "
                                            "archive in '%2$s'?"),
                                     product.c_str(), archive.c_str()));
    if (!really.ask()) {
        m_result = 3;
        return true;
    }
    std::cout << '\n';

    if (!listing.sharedFiles().empty()) {
        std::cout << wrapText(QEL_TR("The following files are shared between QEL products and "
                                     "contain installation information and license data. "
                                     "Overwriting them with the versions from the backup "
                                     "archive can cause data loss of already existing QEL "
                                     "software installations:"))
                  << "\n\n";
        for (const auto& file : listing.sharedFiles())
            std::cout << "- '" << file.path << "'\n";
        YesNoQuestion overwrite(QEL_TR("Do you want to overwrite these files with the versions "
                                       "from the backup archive?"));
        if (overwrite.ask())
            listing.filterShared([](const std::string&) { return false; });
        if (quitRequestedSoFar())
            return true;
    }

    const std::string& root = listing.productRoot();
    if (fs::exists(root)) {
        YesNoQuestion remove(aux::format(
            QEL_TR("The root directory of %1$s is already existing in\n\n\t%2$s\n\nBy removing "
                   "it any files added since the creation of the backup will be discarded. Do "
                   "you want to delete this directory before restoring the backup files?"),
            product.c_str(), root.c_str()));
        const bool yes = remove.ask();
        std::cout << '\n';
        if (quitRequestedSoFar())
            return true;
        if (yes) {
            std::cout << aux::format(QEL_TR("Removing %s... "), root.c_str()) << std::flush;
            aux::Remover().run(root);
            printSucceeded();
        }
    }
    return extractBackup(archive, listing);
}

bool RootInstaller::listBackup(const std::string& archive, payload::BackupListing& listing) {
    m_call.arguments().push_back("tf");
    m_call.arguments().push_back(archive);
    m_call.create(ChildComm::PIPE_OUT);
    std::string pending;
    try {
        char buffer[8192];
        while (size_t got = m_call.readOutput(buffer, sizeof buffer, false, true)) {
            pending.append(buffer, got);
            size_t start = 0;
            for (size_t end; (end = pending.find('\n', start)) != std::string::npos;
                 start = end + 1)
                listing.addMember(pending.substr(start, end - start));
            pending.erase(0, start);
        }
    } catch (const Exception&) {
        m_call.succeeded();
        throw;
    }
    if (!pending.empty())
        listing.addMember(pending);
    return m_call.succeeded();
}

bool RootInstaller::extractBackup(const std::string& archive,
                                  const payload::BackupListing& listing) {
    std::vector<std::string>& args = m_call.arguments();
    args.resize(1);
    args.push_back("xf");
    args.push_back(archive);
    if (!listing.sharedFiles().empty()) {
        // Excluded are exactly the members as the archive names them, not
        // every path that merely ends the same way.
        args.push_back("--anchored");
        args.push_back("--no-wildcards");
        for (const auto& file : listing.sharedFiles()) {
            args.push_back("--exclude");
            args.push_back(file.member);
        }
    }
    m_call.setWorkDir("/");
    std::cout << QEL_TR("Restoring backup... ") << std::flush;
    m_call.create(0);
    if (!m_call.succeeded()) {
        printFailed();
        term::ColorGuard guard(term::ec_guard);
        std::cerr << QEL_TR("Failed to restore data from the backup archive.") << "\n\n";
        return false;
    }
    printSucceeded();
    return true;
}

} // namespace qel
