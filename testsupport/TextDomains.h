#pragma once
// Text-domain bindings are process-wide: every test of a program that
// includes this header gets back, when it ends, the bindings and the default
// domain that it found, so that no test depends on the ones before it.
#include <gtest/gtest.h>

#include <libintl.h>

#include <map>
#include <string>

namespace qel::test {

class TextDomainRestorer : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        m_bound.clear();
        for (const char* domain : domains)
            m_bound[domain] = ::bindtextdomain(domain, nullptr);
        m_default = ::textdomain(nullptr);
    }
    void OnTestEnd(const testing::TestInfo&) override {
        for (const auto& [domain, dir] : m_bound)
            ::bindtextdomain(domain.c_str(), dir.c_str());
        ::textdomain(m_default.c_str());
    }

    static constexpr const char* domains[] = {"installer", "lyninfo", "qelpal", "qelaux", "tclap"};
    std::map<std::string, std::string> m_bound;
    std::string m_default;
};

// Registered once per program, before the tests run.
inline const bool text_domain_restorer_registered =
    (testing::UnitTest::GetInstance()->listeners().Append(new TextDomainRestorer), true);

} // namespace qel::test
