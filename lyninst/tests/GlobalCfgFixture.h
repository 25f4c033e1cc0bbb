#pragma once
// Points the global product configuration file at a file in a scratch
// directory for the duration of one test.
#include "product/Product.h"

#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

class GlobalCfgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = qel::Product::m_global_cfg;
        qel::Product::m_global_cfg = qel::fs::Path(path());
    }
    void TearDown() override { qel::Product::m_global_cfg = m_saved; }

    std::string path() const { return m_dir.path() + "/qel.info"; }
    void writeCfg(const std::string& text) const { m_dir.write("qel.info", text); }
    std::string readCfg() const {
        std::ifstream in(path());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    ScratchDir m_dir;

private:
    qel::fs::Path m_saved;
};
