// The packaging step links the archive it made, its exact length and the
// SHA-256 digest of those bytes. The unit tests carry a payload of their own.
#include "payload/ContainedData.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string hex(const unsigned char* bytes, std::size_t n) {
    std::string out;
    char buf[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += buf;
    }
    return out;
}

std::string sha256sumOf(const char* path) {
    const std::string command = std::string("sha256sum -b ") + path;
    FILE* p = ::popen(command.c_str(), "r");
    EXPECT_NE(p, nullptr);
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, p) != nullptr;
    EXPECT_EQ(::pclose(p), 0);
    EXPECT_TRUE(read);
    return std::string(line).substr(0, 64);
}

TEST(ContainedData, LinkedBytesAreTheArchiveOfTheBuild) {
    const std::vector<unsigned char> archive = readFile(QEL_TEST_PAYLOAD_ARCHIVE);
    ASSERT_FALSE(archive.empty());
    ASSERT_EQ(qel::payload::g_archive_size, archive.size());
    EXPECT_EQ(std::vector<unsigned char>(qel::payload::g_archive,
                                         qel::payload::g_archive + qel::payload::g_archive_size),
              archive);
}

TEST(ContainedData, DigestIsTheSha256OfTheLinkedBytes) {
    EXPECT_EQ(hex(qel::payload::g_archive_digest, 32), sha256sumOf(QEL_TEST_PAYLOAD_ARCHIVE));
}

TEST(ContainedData, ArchiveIsOneGzipStreamWithoutNameOrTime) {
    ASSERT_GE(qel::payload::g_archive_size, 10u);
    EXPECT_EQ(qel::payload::g_archive[0], 0x1f);
    EXPECT_EQ(qel::payload::g_archive[1], 0x8b);
    EXPECT_EQ(qel::payload::g_archive[3] & 0x08, 0) << "gzip header names a file";
    for (int i = 4; i < 8; ++i) {
        EXPECT_EQ(qel::payload::g_archive[i], 0) << "gzip header carries a time stamp";
    }
}

} // namespace
