#include "distro/GroupTools.h"

#include "ChildComm.h"

#include <vector>

namespace qel {

namespace {

// Runs tool (searched on PATH when missing there) with args; only its error
// output is of interest.
void runTool(ChildComm& call, const char* tool, const std::vector<std::string>& args) {
    call.tryProgram(tool, true);
    std::vector<std::string>& list = call.arguments();
    list.resize(1);
    list.insert(list.end(), args.begin(), args.end());
    call.assureCall(ChildComm::NULL_OUT);
}

// Whether the settled program answers the probing switch with success.
bool answers(ChildComm& call, const char* probe) {
    call.arguments().resize(1);
    call.arguments().push_back(probe);
    call.create(ChildComm::NULL_OUT | ChildComm::NULL_ERR);
    return call.succeeded();
}

} // namespace

void addGroup(const std::string& group) {
    ChildComm call;
    runTool(call, "/usr/sbin/groupadd", {group});
}

void deleteGroup(const std::string& group) {
    ChildComm call;
    runTool(call, "/usr/sbin/groupdel", {group});
}

void addUserToGroup(const std::string& user, const std::string& group) {
    ChildComm call;
    call.tryProgram("/usr/bin/gpasswd", true);
    // The gpasswd of the shadow suite knows -a but refuses --version; only a
    // gpasswd that answers neither leaves the job to groupmod -A.
    if (answers(call, "--version") || answers(call, "--help"))
        runTool(call, "/usr/bin/gpasswd", {"-a", user, group});
    else
        runTool(call, "/usr/sbin/groupmod", {"-A", user, group});
}

} // namespace qel
