// The information display of --info.
#include "app/RootInstaller.h"

#include <iomanip>
#include <iostream>

#include "gettext/Tr.h"

namespace qel {
namespace {

void printSize(const char* label, uint32_t bytes) {
    const double megabytes = static_cast<double>(bytes) * 0.0009765625 * 0.0009765625;
    std::cout << label << ": " << bytes << " bytes (" << megabytes << " MB)\n";
}

} // namespace

void RootInstaller::printInfo() {
    std::cout << QEL_TR("This is an installation package for") << ":\n\n";
    m_product.print(std::cout);
    std::cout << "\n";
    std::cout << std::fixed << std::setprecision(2);
    printSize(QEL_TR("Size of contained data"), m_data_size);
    if (m_attached_data)
        printSize(QEL_TR("Size of attached configuration"), m_attached_size);

    const Distro& distro = *m_distro;
    std::cout << "\n" << QEL_TR("Environment Information") << ":\n\n"
              << QEL_TR("Detected Linux Distribution") << ": " << distro.distro() << "\n"
              << QEL_TR("Detected Linux Version") << ": " << distro.description() << "\n"
              << QEL_TR("Detected Init System") << ": " << distro.init() << "\n"
              << QEL_TR("Tool for gaining root privilege") << ": " << m_privilege.tool() << "\n";
}

} // namespace qel
