#include "server/app/server_app.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "server/api/routes.h"
#include "server/core/log.h"
#include "server/store/file_repo.h"
#include "server/tls/test_authority.h"

namespace lumeno::server {
namespace {

// What the update check offers to download: a harmless script, as a real installer would be
// a program the client starts.
const char* const kInstaller =
    "#!/bin/sh\n"
    "echo 'Lumeno installer from the local service: nothing to install.'\n";

// The Linux client's installer: it leaves a mark where the environment says, and ends.
const char* const kLinuxInstaller =
    "#!/bin/sh\n"
    "# Lumeno installer from the local service: nothing to install.\n"
    "if [ -n \"$LUMENO_INSTALLER_MARKER\" ]; then\n"
    "    printf 'installed by %s\\n' \"$0\" > \"$LUMENO_INSTALLER_MARKER\"\n"
    "fi\n"
    "exit 0\n";

std::string TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumeno-tls-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

}  // namespace

ServerApp::ServerApp(Options options) : options_(std::move(options)) {}

ServerApp::~ServerApp() {
    Stop();
}

void ServerApp::PrepareData() {
    if (options_.reset && options_.data != ":memory:") {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(options_.data + suffix);
    }
    store_ = std::make_unique<Store>(options_.data);
    auto lock = store_->Lock();
    Transaction tx(store_->Db());
    if (options_.seed != "none" && !StoreHasUsers(*store_)) {
        LogInfo("seeding the " + options_.seed + " data set");
        if (options_.seed == "demo") SeedDemo(*store_);
        if (options_.seed == "bulk") SeedBulk(*store_, options_.bulk);
    }
    if (!HasFile(store_->Db(), kInstallerKey))
        PutFile(store_->Db(), kInstallerKey, "application/octet-stream", kInstaller);
    if (!HasFile(store_->Db(), kLinuxInstallerKey))
        PutFile(store_->Db(), kLinuxInstallerKey, "application/octet-stream", kLinuxInstaller);
    tx.Commit();
}

void ServerApp::Start() {
    SetLogLevel(options_.log_level);
    if (!IsLoopbackAddress(options_.host))
        throw std::runtime_error("only loopback addresses may be listened on: " + options_.host);
    PrepareData();
    ServiceConfig config;
    config.first_sync_days = options_.first_sync_days;
    service_ = std::make_unique<Service>(*store_, faults_, config);
    UpdateOffer offer;
    offer.version = options_.update_version;
    offer.force = options_.update_force;
    service_->set_update(offer);

    push_ = std::make_unique<PushServer>(*store_);
    push_->Bind(options_.host, options_.push_port);
    service_->set_push(push_.get());

    api_ = std::make_unique<ApiServer>(*service_, std::make_unique<httplib::Server>(), "http");
    api_->Bind(options_.host, options_.port);

    if (options_.tls) {
        std::string dir = options_.tls_dir.empty() ? TemporaryFolder() : options_.tls_dir;
        TestCredentials credentials = MakeTestCredentials(dir, options_.tls_cert);
        ca_path_ = credentials.ca_path;
        auto https = std::make_unique<httplib::SSLServer>(credentials.server_cert.get(),
                                                          credentials.server_key.get());
        if (!https->is_valid()) throw std::runtime_error("the TLS listener could not be set up");
        tls_ = std::make_unique<ApiServer>(*service_, std::move(https), "https");
        tls_->Bind(options_.host, options_.tls_port);
    }

    push_->Start();
    api_->Start();
    if (tls_) tls_->Start();
}

void ServerApp::Stop() {
    if (tls_) tls_->Stop();
    if (api_) api_->Stop();
    if (push_) push_->Stop();
}

std::string ServerApp::ListeningLines() const {
    std::string lines = "api=" + options_.host + ":" + std::to_string(api_port()) + "\n";
    lines += "push=" + options_.host + ":" + std::to_string(push_port()) + "\n";
    if (tls_) {
        lines += "tls=" + options_.host + ":" + std::to_string(tls_port()) + "\n";
        lines += "tls-ca=" + ca_path_ + "\n";
    }
    lines += "ready\n";
    return lines;
}

}  // namespace lumeno::server
