// The package information file: a product's code name and build facts in a
// plain configuration file, written for the installation routine.
#include "product/Product.h"

#include "config/PlainCfg.h"

namespace qel {

void Product::writeDescription(const std::string& path) const {
    aux::PlainCfg cfg;
    cfg.set("product", codeName());
    if (!m_build.arch.empty()) {
        cfg.set("arch", m_build.arch);
        cfg.set("os", m_build.os);
        cfg.set("build_type", m_build.build_type);
        cfg.set("lib_type", m_build.lib_type);
        cfg.set("version_nr", m_build.version_nr);
        if (!m_build.build_label.empty()) {
            cfg.set("build_label", m_build.build_label);
        }
        if (!m_build.build_nr.empty()) {
            cfg.set("build_nr", m_build.build_nr);
        }
    }
    cfg.write(path);
}

Product Product::readDescription(const std::string& path) {
    aux::PlainCfg cfg;
    cfg.open(path);
    Product product(cfg.get("product"));
    product.m_build = {cfg.get("arch"),     cfg.get("os"),         cfg.get("build_type"),
                       cfg.get("build_label"), cfg.get("lib_type"), cfg.get("version_nr"),
                       cfg.get("build_nr")};
    return product;
}

} // namespace qel
