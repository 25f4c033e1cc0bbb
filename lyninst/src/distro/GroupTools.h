#pragma once
// User groups, changed with the system's own group tools. Failures are
// raised with the tool's own complaint.
#include <string>

namespace qel {

void addGroup(const std::string& group);
void deleteGroup(const std::string& group);
void addUserToGroup(const std::string& user, const std::string& group);

} // namespace qel
