#pragma once

#include <string>

#include "server/seed/seeds.h"
#include "server/tls/test_authority.h"

namespace lumeno::server {

struct Options {
    std::string host = "127.0.0.1";
    int port = 0;  // 0: any free port
    int push_port = 0;
    bool tls = false;
    int tls_port = 0;
    std::string tls_dir;  // empty: a new temporary folder
    CertVariant tls_cert = CertVariant::kGood;
    std::string data = ":memory:";
    bool reset = false;
    std::string seed = "none";  // none, demo or bulk
    BulkSize bulk;
    int first_sync_days = 30;
    std::string update_version = "1.0.0.0";
    int update_force = 0;
    std::string ports_file;
    int log_level = 1;
    bool help = false;
};

// Reads the command line; false with a message when something is wrong.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

std::string UsageText();

// Only loopback addresses may be listened on ("localhost" means 127.0.0.1).
bool IsLoopbackAddress(const std::string& host);

}  // namespace lumeno::server
