#pragma once
// Copying a range of one file to another inside the kernel: the bytes never
// pass through this process's memory, so copying a large file costs it none.
#include <cstdint>

namespace qel::fs {

class File;

// Writes length bytes of from, starting at offset, to to (a pipe or a
// file), waiting while to is full. Raises qel::OsError when writing fails
// (EPIPE when the reader of a pipe went away), and ENODATA when from ends
// before the range does.
void transfer(const File& from, uint64_t offset, uint64_t length, const File& to);

} // namespace qel::fs
