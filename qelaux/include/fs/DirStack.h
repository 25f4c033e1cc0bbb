#pragma once
// Working directories to return to. The working directory belongs to the
// whole process, so a DirStack affects every thread.
#include <deque>
#include <string>

namespace qel::aux {

class DirStack {
public:
    // Remembers the working directory and changes into dir. The remembered
    // entry stays even when the change fails.
    void push(const std::string& dir);
    // Changes back into the directory remembered last and forgets it; when
    // the change fails the entry stays.
    void pop();

    bool empty() const { return m_dirs.empty(); }
    size_t size() const { return m_dirs.size(); }

private:
    std::deque<std::string> m_dirs;
};

} // namespace qel::aux
