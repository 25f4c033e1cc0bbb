// The build facts of the contained product, shown by --version and --info
// and written into the package information file.
#include "app/RootInstaller.h"

namespace qel {

void RootInstaller::setBuildInfo() {
    BuildInfo build;
    build.arch = "x86";
    build.os = "linux";
    build.build_type = "opt-debug";
    build.build_label = "release+zop-200";
    build.lib_type = "static";
    build.version_nr = "2.00";
    build.build_nr = "rev17595";
    m_product.setBuild(build);
}

} // namespace qel
