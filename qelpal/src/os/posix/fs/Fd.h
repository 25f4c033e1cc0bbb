#pragma once
// Descriptor helpers shared by the owning wrappers.

namespace qel::fs {

// Closes fd if it is open; fd is -1 afterwards even when close() fails,
// which throws qel::OsError.
void closeFd(int& fd);

} // namespace qel::fs
