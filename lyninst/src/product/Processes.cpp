// The processes that each product of the family runs.
#include "product/Product.h"

#include "gettext/Tr.h"

namespace qel {

namespace {

const char* const vpn_daemon = QEL_N_INFO("VPN Server Daemon");
const char* const vpn_traffic =
    QEL_N_INFO("This is the main process that implements the actual VPN network communication");
const char* const update_daemon = QEL_N_INFO("VPN Update Daemon");
const char* const update_text = QEL_N_INFO(
    "A support process that enables updates of the VPN software and configuration");
const char* const management_daemon = QEL_N_INFO("VPN Management Daemon");
const char* const management_text = QEL_N_INFO(
    "This process maintains the VPN server configuration and certificate management");
const char* const web_daemon = QEL_N_INFO("VPN Web Server Daemon");
const char* const web_text = QEL_N_INFO("This daemon provides the web interface for the VPN server");
const char* const ssl_daemon = QEL_N_INFO("SSL VPN Daemon");
const char* const ssl_text = QEL_N_INFO("Server for SSL VPN Clients");

// A daemon started with "-f" (stay in the foreground under its supervisor).
ProcessInfo daemon(int32_t number, const char* program, const char* name, const char* text) {
    return {number, program, QEL_TR_INFO(name), QEL_TR_INFO(text), {"-f"}, false, false};
}

// One of the Pentry server's roles: qelkupd started as the named service.
ProcessInfo pentry(int32_t number, const char* name, const char* text, const char* service,
                   const char* role) {
    return {number, "qelkupd", QEL_TR_INFO(name), QEL_TR_INFO(text), {"-sn", service, role},
            false, false};
}

} // namespace

std::vector<ProcessInfo> Product::processes(ProductKind kind) {
    switch (kind) {
    case TOLVANE_CLIENT:
        return {daemon(1, "qelvmod", QEL_N_INFO("VPN Client Daemon"), vpn_traffic),
                daemon(2, "vmokupd", update_daemon, update_text)};
    case TOLVANE_SERVER:
        return {daemon(1, "qelgathd", vpn_daemon, vpn_traffic),
                daemon(2, "qelhelmd", management_daemon, management_text),
                daemon(3, "qelpaned", web_daemon, web_text),
                daemon(4, "qeltenetd", QEL_N_INFO("Policy Server"),
                       QEL_N_INFO("Implements the endpoint policy logic")),
                daemon(5, "qelsivnd", ssl_daemon, ssl_text),
                daemon(6, "qelhelkupd", update_daemon, update_text)};
    case TOLVANE_STANDBY:
        return {{10, "qelpird", QEL_TR_INFO("High Availibility Daemon"),
                 QEL_TR_INFO("The main process that implements high availibility"), {}, false,
                 false}};
    case PENTRY_SERVER:
        return {pentry(1, QEL_N_INFO("Management Daemon"), QEL_N_INFO("The main management daemon"),
                       "main", "-main"),
                pentry(2, QEL_N_INFO("Client Session Daemon"),
                       QEL_N_INFO("Handling of client sessions"), "sess", "-rsu"),
                pentry(3, QEL_N_INFO("Radius Daemon"),
                       QEL_N_INFO("Handling of the RADIUS authentication protocol"), "rad",
                       "-radius"),
                pentry(4, QEL_N_INFO("Replication Server Daemon"),
                       QEL_N_INFO("Replication Support for the main server"), "repls",
                       "-replSrv"),
                pentry(5, QEL_N_INFO("Replication Management Daemon"),
                       QEL_N_INFO("Replication Support for the primary server"), "replm",
                       "-mgmrepl"),
                pentry(6, QEL_N_INFO("Replication Client Daemon"),
                       QEL_N_INFO("Replication Support for the backup server"), "replc",
                       "-replClnt")};
    case ZOP_SERVER:
        return {daemon(1, "qelzopd", QEL_N_INFO("Zonal Outpost Probe Daemon"),
                       QEL_N_INFO("The single zonal outpost probe daemon"))};
    case BRINDLE_VIRTUAL:
        // No policy server: the numbers after 3 are one lower than kind 1's.
        return {daemon(1, "qelgathd", vpn_daemon, vpn_traffic),
                daemon(2, "qelsivmd", management_daemon, management_text),
                daemon(3, "qelpaned", web_daemon, web_text),
                daemon(4, "qelsivnd", ssl_daemon, ssl_text),
                {5, "wyv-frontend", QEL_TR_INFO("DirectFB User Frontend"),
                 QEL_TR_INFO("This program creates the graphical user configuration interface"),
                 {}, true, true}};
    default:
        return {};
    }
}

std::string Product::argsVariable(const ProcessInfo& process) {
    std::string name = "qel_args_" + process.program;
    for (char& c : name) {
        if (c == '-') {
            c = '_';
        }
    }
    return name;
}

} // namespace qel
