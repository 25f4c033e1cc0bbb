#pragma once
// The call object through which every external program is run: it settles
// the executable's full path, wires the child's standard streams to pipes
// or to the null device, and runs a program to its end insisting on success.
// Programs never run through a shell nor through the C library's PATH search.
#include "fs/File.h"
#include "proc/Child.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qel {

class ChildComm : public proc::Child {
public:
    // Wiring flags for create() and assureCall(). For each stream a pipe
    // wins over the null device, which wins over inheriting.
    enum Wiring : unsigned {
        PIPE_IN = 0x01,
        PIPE_OUT = 0x02,
        PIPE_ERR = 0x04,
        NULL_IN = 0x08,
        NULL_OUT = 0x10,
        NULL_ERR = 0x20,
        // With PIPE_OUT and PIPE_ERR: standard error goes into the output pipe.
        MERGE_ERR = 0x40
    };

    ChildComm();
    // A started child must have been waited for (succeeded(), assureCall()).
    ~ChildComm() override;

    // Settles the executable from path if a file exists there, else from
    // its last component searched on PATH. Not found: false, or with
    // mustExist a qel::DynError.
    bool tryProgram(const std::string& path, bool mustExist);
    // Settles the executable from the bare name searched on PATH; false and
    // an empty executable when it is not found.
    bool findProgram(const std::string& name);

    // Wires the streams as flags say and starts the child.
    void create(unsigned flags);
    // Writes all of buffer to the child's input pipe.
    void writeInput(const void* buffer, std::size_t length);
    // Writes length bytes of source, from offset on, to the child's input
    // pipe; they go from file to pipe inside the kernel, so a large range
    // costs this process no memory.
    void writeInputFrom(const fs::File& source, uint64_t offset, uint64_t length);
    // Lets the child see the end of its input.
    void closeInput();
    // Reads from the output pipe (fromOutput) or the error pipe; with
    // readFully until length bytes or the end of data. Returns the count.
    std::size_t readOutput(void* buffer, std::size_t length, bool readFully, bool fromOutput);
    // Waits for the child, closes every pipe end and tells whether it
    // exited with code 0.
    bool succeeded();
    // Runs the child to its end with its error output captured; a failed
    // run raises a qel::DynError carrying that output.
    void assureCall(unsigned flags);

    // The argument list joined with single blanks.
    std::string commandText() const;
    // How the last child ended.
    const proc::WaitResult& lastResult() const { return m_last; }

private:
    void setExecutable(const std::string& path);
    void closeEnds();

    fs::StreamFile m_input;
    fs::StreamFile m_output;
    fs::StreamFile m_error;
    proc::WaitResult m_last;
};

} // namespace qel
