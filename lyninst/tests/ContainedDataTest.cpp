// The packaging step puts the archive it made into a section of its own that
// lies behind everything the loader reads, and records its exact length and
// the SHA-256 digest of those bytes. The unit tests carry a payload of their
// own; the check of the program's own file finds it, and refuses copies of
// the file cut short anywhere behind the loaded data.
#include "payload/ContainedData.h"
#include "payload/OwnImage.h"

#include <gelf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "RunCommand.h"
#include "ScratchDir.h"
#include "fs/File.h"

namespace {

std::vector<unsigned char> readFile(const std::string& path) {
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

// Checks the file at path as the installer checks its own.
bool check(const std::string& path, qel::payload::ArchiveSpan& span) {
    qel::fs::StreamFile file;
    file.open(path, qel::fs::File::READ);
    return qel::payload::checkImage(file, qel::payload::g_archive_size, span);
}

// The end of the file ranges of the program headers: what the loader reads.
uint64_t loadedEnd(const std::string& path) {
    qel::fs::StreamFile file;
    file.open(path, qel::fs::File::READ);
    EXPECT_NE(elf_version(EV_CURRENT), EV_NONE);
    Elf* elf = elf_begin(file.fd(), ELF_C_READ, nullptr);
    size_t count = 0;
    EXPECT_EQ(elf_getphdrnum(elf, &count), 0);
    uint64_t end = 0;
    for (size_t i = 0; i < count; ++i) {
        GElf_Phdr phdr;
        gelf_getphdr(elf, static_cast<int>(i), &phdr);
        end = std::max<uint64_t>(end, phdr.p_offset + phdr.p_filesz);
    }
    elf_end(elf);
    return end;
}

TEST(ContainedData, OwnFileHoldsTheArchiveOfTheBuildBehindTheLoadedData) {
    const std::vector<unsigned char> archive = readFile(QEL_TEST_PAYLOAD_ARCHIVE);
    ASSERT_FALSE(archive.empty());
    ASSERT_EQ(qel::payload::g_archive_size, archive.size());
    qel::payload::ArchiveSpan span;
    ASSERT_TRUE(check("/proc/self/exe", span));
    EXPECT_EQ(span.size, archive.size());
    EXPECT_GE(span.offset, loadedEnd("/proc/self/exe"));
    const std::vector<unsigned char> image = readFile("/proc/self/exe");
    ASSERT_LE(span.offset + span.size, image.size());
    EXPECT_EQ(std::vector<unsigned char>(image.begin() + span.offset,
                                         image.begin() + span.offset + span.size),
              archive);
}

TEST(ContainedData, DigestIsTheSha256OfTheArchive) {
    EXPECT_EQ(hex(qel::payload::g_archive_digest, 32), sha256sumOf(QEL_TEST_PAYLOAD_ARCHIVE));
}

TEST(ContainedData, ArchiveIsOneGzipStreamWithoutNameOrTime) {
    const std::vector<unsigned char> archive = readFile(QEL_TEST_PAYLOAD_ARCHIVE);
    ASSERT_GE(archive.size(), 10u);
    EXPECT_EQ(archive[0], 0x1f);
    EXPECT_EQ(archive[1], 0x8b);
    EXPECT_EQ(archive[3] & 0x08, 0) << "gzip header names a file";
    for (int i = 4; i < 8; ++i) {
        EXPECT_EQ(archive[i], 0) << "gzip header carries a time stamp";
    }
}

class CutOwnFile : public ::testing::TestWithParam<const char*> {};

// Where a copy of the test program is cut, given the span of its archive,
// the end of its loaded data and its size.
uint64_t cutPoint(const std::string& where, const qel::payload::ArchiveSpan& span,
                  uint64_t loaded, uint64_t size) {
    if (where == "just behind the loaded data")
        return loaded;
    if (where == "at the archive")
        return span.offset;
    if (where == "inside the archive")
        return span.offset + span.size / 2;
    if (where == "just behind the archive")
        return span.offset + span.size;
    return size - 1; // the last byte of the section header table
}

TEST_P(CutOwnFile, IsDamaged) {
    ScratchDir dir;
    const std::string copy = dir / "exe";
    std::filesystem::copy_file(selfExe(), copy);
    qel::payload::ArchiveSpan span;
    ASSERT_TRUE(check(copy, span));
    const uint64_t size = std::filesystem::file_size(copy);
    const uint64_t cut = cutPoint(GetParam(), span, loadedEnd(copy), size);
    ASSERT_LT(cut, size);
    std::filesystem::resize_file(copy, cut);
    EXPECT_FALSE(check(copy, span)) << "cut at " << cut << " of " << size;
}

INSTANTIATE_TEST_SUITE_P(Points, CutOwnFile,
                         ::testing::Values("just behind the loaded data", "at the archive",
                                           "inside the archive", "just behind the archive",
                                           "in the section header table"));

TEST(ContainedData, AnAttachedSectionLeavesTheArchiveFound) {
    ScratchDir dir;
    const std::string copy = dir / "exe";
    std::filesystem::copy_file(selfExe(), copy);
    const std::string data = dir.write("attached", "attached configuration\n");
    ASSERT_EQ(std::system(("objcopy --add-section qel=" + data + " " + copy).c_str()), 0);
    qel::payload::ArchiveSpan span;
    ASSERT_TRUE(check(copy, span));
    const std::vector<unsigned char> image = readFile(copy);
    EXPECT_EQ(std::vector<unsigned char>(image.begin() + span.offset,
                                         image.begin() + span.offset + span.size),
              readFile(QEL_TEST_PAYLOAD_ARCHIVE));
}

} // namespace
