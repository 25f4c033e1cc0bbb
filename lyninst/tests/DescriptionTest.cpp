#include "product/Product.h"

#include "Exception.h"
#include "GlobalCfgFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using qel::Product;

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const qel::BuildInfo zop_build = {"x86",    "linux", "opt-debug", "release+zop-200",
                                  "static", "2.00",  "rev17595"};

TEST_F(GlobalCfgTest, DescriptionOfTheInstallersProduct) {
    Product zop("zop");
    zop.setBuild(zop_build);
    const std::string file = m_dir.path() + "/package.info";
    zop.writeDescription(file);
    EXPECT_EQ(fileText(file),
              "arch x86\nbuild_label release+zop-200\nbuild_nr rev17595\nbuild_type opt-debug\n"
              "lib_type static\nos linux\nproduct zop\nversion_nr 2.00\n");
    const Product read = Product::readDescription(file);
    EXPECT_EQ(read.kind(), qel::ZOP_SERVER);
    EXPECT_EQ(read.build(), zop_build);
}

TEST_F(GlobalCfgTest, DescriptionWithoutBuildFactsOrOptionalOnes) {
    const std::string file = m_dir.path() + "/package.info";
    Product(qel::TOLVANE_CLIENT).writeDescription(file);
    EXPECT_EQ(fileText(file), "product vmo\n");
    EXPECT_EQ(Product::readDescription(file).build(), qel::BuildInfo());

    Product wyv(qel::BRINDLE_VIRTUAL);
    qel::BuildInfo bare = zop_build;
    bare.build_label.clear();
    bare.build_nr.clear();
    wyv.setBuild(bare);
    wyv.writeDescription(file);
    EXPECT_EQ(fileText(file), "arch x86\nbuild_type opt-debug\nlib_type static\nos linux\n"
                              "product wyv\nversion_nr 2.00\n");
}

TEST_F(GlobalCfgTest, DescriptionErrors) {
    EXPECT_THROW(Product::readDescription(m_dir.path() + "/missing"), qel::FsError);
    EXPECT_THROW(Product(qel::ZOP_SERVER).writeDescription(m_dir.path() + "/no/dir"),
                 qel::FsError);
    const std::string file = m_dir.write("package.info", "arch x86\nversion_nr 2.00\n");
    try {
        Product::readDescription(file);
        FAIL() << "a description without product was read";
    } catch (const qel::DynError& e) {
        EXPECT_NE(std::string(e.what()).find("Invalid product code name:"), std::string::npos);
    }
}

} // namespace
