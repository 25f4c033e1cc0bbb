#pragma once
// A private temporary directory for one test, removed with everything in it
// when the test ends. Deliberately independent of the code under test.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ftw.h>
#include <sys/stat.h>
#include <stdexcept>
#include <string>
#include <cstdio>

class ScratchDir {
public:
    // base: the directory to create it in ("/dev/shm" puts it on tmpfs).
    explicit ScratchDir(const std::string& base = "/tmp") {
        std::string tmpl = base + "/qel_test.XXXXXX";
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = tmpl;
    }
    ~ScratchDir() {
        // Directories a test made unreadable are opened up first.
        nftw(m_path.c_str(), openUp, 16, FTW_PHYS);
        nftw(m_path.c_str(), removeNode, 16, FTW_DEPTH | FTW_PHYS);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return m_path; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Writes content to the file name below the directory; returns its path.
    std::string write(const std::string& name, const std::string& content) const {
        std::string file = m_path + "/" + name;
        std::ofstream out(file, std::ios::binary);
        out << content;
        if (!out)
            throw std::runtime_error("cannot write " + file);
        return file;
    }

    // Creates the directory name below the directory, parents included;
    // returns its path.
    std::string mkdir(const std::string& name) const {
        const std::string dir = m_path + "/" + name;
        std::filesystem::create_directories(dir);
        return dir;
    }

    // Writes an executable shell script with the given body; returns its path.
    std::string script(const std::string& name, const std::string& body) const {
        const std::string file = write(name, "#!/bin/sh\n" + body);
        if (chmod(file.c_str(), 0755) != 0)
            throw std::runtime_error("cannot chmod " + file);
        return file;
    }

private:
    static int openUp(const char* path, const struct stat* st, int type, struct FTW*) {
        if (type == FTW_D || type == FTW_DNR)
            chmod(path, (st->st_mode & 07777) | S_IRWXU);
        return 0;
    }

    static int removeNode(const char* path, const struct stat*, int, struct FTW*) {
        std::remove(path);
        return 0;
    }

    std::string m_path;
};
