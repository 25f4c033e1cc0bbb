#pragma once
// A private temporary directory for one test, removed with everything in it
// when the test ends. Deliberately independent of the code under test.
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <stdexcept>
#include <string>
#include <cstdio>

class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl = "/tmp/qel_test.XXXXXX";
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = tmpl;
    }
    ~ScratchDir() {
        nftw(m_path.c_str(), removeNode, 16, FTW_DEPTH | FTW_PHYS);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return m_path; }

    // Writes content to the file name below the directory; returns its path.
    std::string write(const std::string& name, const std::string& content) const {
        std::string file = m_path + "/" + name;
        std::ofstream out(file, std::ios::binary);
        out << content;
        if (!out)
            throw std::runtime_error("cannot write " + file);
        return file;
    }

private:
    static int removeNode(const char* path, const struct stat*, int, struct FTW*) {
        std::remove(path);
        return 0;
    }

    std::string m_path;
};
