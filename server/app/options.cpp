#include "server/app/options.h"

#include <arpa/inet.h>

#include "server/core/text.h"

namespace lumeno::server {
namespace {

bool Number(const std::string& text, int min, int max, int& out) {
    std::optional<std::int32_t> value = ParseInt32(text);
    if (!value || *value < min || *value > max) return false;
    out = *value;
    return true;
}

}  // namespace

bool IsLoopbackAddress(const std::string& host) {
    in_addr addr{};
    if (inet_pton(AF_INET, host.c_str(), &addr) != 1) return false;
    return (ntohl(addr.s_addr) >> 24) == 127;
}

std::string UsageText() {
    return "usage: lumeno-server [options]\n"
           "  --host ADDR              loopback address to listen on (default 127.0.0.1)\n"
           "  --port N                 API port (default 0: any free port)\n"
           "  --push-port N            push port (default 0: any free port)\n"
           "  --tls-port N             also serve the API over HTTPS on this port (0: any)\n"
           "  --tls-dir DIR            where the test authority's ca.pem and the server's\n"
           "                           certificate are written (default: a temporary folder)\n"
           "  --tls-cert KIND          good, wrong-host, expired or untrusted (default good)\n"
           "  --data FILE              SQLite file holding the service's state (default: memory)\n"
           "  --reset                  start from an empty data file\n"
           "  --seed KIND              none, demo or bulk; applied to an empty store only\n"
           "  --bulk-conversations N   bulk seed: conversations (default 1000)\n"
           "  --bulk-messages N        bulk seed: messages per conversation (default 50)\n"
           "  --bulk-contacts N        bulk seed: contacts (default 10000)\n"
           "  --bulk-days N            bulk seed: days the messages spread over (default 7)\n"
           "  --first-sync-days N      days of messages a first synchronisation brings (30)\n"
           "  --update-version V       version that check_version offers (default 1.0.0.0)\n"
           "  --update-force           offer that version as a forced update\n"
           "  --ports-file FILE        also write the listening addresses to FILE\n"
           "  -v, --verbose            log every request and push event\n"
           "  -q, --quiet              log errors only\n"
           "  -h, --help               this text\n";
}

bool ParseOptions(int argc, const char* const* argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto number = [&](int min, int max, int& out) {
            std::string text;
            if (!value(text)) return false;
            if (!Number(text, min, max, out)) {
                error = arg + ": " + text + " is not a number from " + std::to_string(min) +
                        " to " + std::to_string(max);
                return false;
            }
            return true;
        };
        std::string text;
        bool ok = true;
        if (arg == "--host") {
            ok = value(o.host);
            if (ok && o.host == "localhost") o.host = "127.0.0.1";
            if (ok && !IsLoopbackAddress(o.host)) {
                error = "--host " + o.host + ": only loopback addresses (127.x.x.x) are allowed";
                return false;
            }
        } else if (arg == "--port") {
            ok = number(0, 65535, o.port);
        } else if (arg == "--push-port") {
            ok = number(0, 65535, o.push_port);
        } else if (arg == "--tls-port") {
            ok = number(0, 65535, o.tls_port);
            o.tls = true;
        } else if (arg == "--tls-dir") {
            ok = value(o.tls_dir);
        } else if (arg == "--tls-cert") {
            ok = value(text);
            if (ok && !CertVariantFromName(text, o.tls_cert)) {
                error = "--tls-cert: good, wrong-host, expired or untrusted";
                return false;
            }
        } else if (arg == "--data") {
            ok = value(o.data);
        } else if (arg == "--reset") {
            o.reset = true;
        } else if (arg == "--seed") {
            ok = value(o.seed);
            if (ok && o.seed != "none" && o.seed != "demo" && o.seed != "bulk") {
                error = "--seed: none, demo or bulk";
                return false;
            }
        } else if (arg == "--bulk-conversations") {
            ok = number(0, 100000, o.bulk.conversations);
        } else if (arg == "--bulk-messages") {
            ok = number(0, 10000, o.bulk.messages);
        } else if (arg == "--bulk-contacts") {
            ok = number(1, 1000000, o.bulk.contacts);
        } else if (arg == "--bulk-days") {
            ok = number(1, 3650, o.bulk.days);
        } else if (arg == "--first-sync-days") {
            ok = number(0, 36500, o.first_sync_days);
        } else if (arg == "--update-version") {
            ok = value(o.update_version);
        } else if (arg == "--update-force") {
            o.update_force = 1;
        } else if (arg == "--ports-file") {
            ok = value(o.ports_file);
        } else if (arg == "-v" || arg == "--verbose") {
            o.log_level = 2;
        } else if (arg == "-q" || arg == "--quiet") {
            o.log_level = 0;
        } else if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else {
            error = "unknown option " + arg;
            return false;
        }
        if (!ok) return false;
    }
    return true;
}

}  // namespace lumeno::server
