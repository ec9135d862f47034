// Downloads (avatars, pictures, voice clips, the installer), the update check and the small
// share pages that profile, job and résumé links open in a browser.
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "server/api/api_error.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"
#include "server/api/service.h"
#include "server/api/user_view.h"
#include "server/core/crypto.h"
#include "server/store/file_repo.h"
#include "server/store/job_repo.h"
#include "server/store/user_repo.h"

namespace lumeno::server {

const char* const kInstallerKey = "/files/update/lumeno-setup.bin";
const char* const kLinuxInstallerKey = "/files/update/lumeno-setup-linux.run";

namespace {

std::string EscapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + EscapeHtml(title) +
           "</title></head><body><h1>" + EscapeHtml(title) + "</h1>" + body + "</body></html>";
}

void ServeFile(Service& service, const httplib::Request& req, httplib::Response& res) {
    std::optional<StoredFile> file;
    {
        auto lock = service.store().Lock();
        file = GetFile(service.store().Db(), req.path);
    }
    if (!file) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }
    res.set_content(file->data, file->mime);
}

void ServeSharePage(Service& service, const httplib::Request& req, httplib::Response& res) {
    const std::string kind = req.matches[1];
    const std::string key = req.matches[2];
    auto lock = service.store().Lock();
    Database& db = service.store().Db();
    std::string html;
    if (kind == "job") {
        std::optional<JobRow> job = FindJob(db, std::atoll(key.c_str()));
        if (job)
            html = Page(job->position + " - " + job->company,
                        "<p>" + EscapeHtml(job->city + " · " + job->salary_info) + "</p><p>" +
                            EscapeHtml(job->custom_text) + "</p>");
    } else if (std::optional<UserRow> u = FindUserByQxid(db, key)) {
        std::string title = kind == "resume" ? u->name + "的简历" : u->name;
        html = Page(title, "<p>" + EscapeHtml(CareerLine(*u)) + "</p><p>" +
                               EscapeHtml(u->province + " " + u->city) + "</p><p>" +
                               EscapeHtml(u->skills) + "</p>");
    } else if (kind == "edit") {
        html = Page("编辑个人资料", "<p>请在手机客户端编辑个人资料。</p>");
    }
    if (html.empty()) {
        res.status = 404;
        res.set_content(Page("页面不存在", ""), "text/html; charset=utf-8");
        return;
    }
    res.set_content(html, "text/html; charset=utf-8");
}

// The Linux installer as served: the stored script, then the filler the offer asks for (comment
// lines after its "exit", so the script runs the same). Empty when it is not stored.
std::string LinuxInstallerBytes(Service& service, const UpdateOffer& offer) {
    std::string bytes;
    {
        auto lock = service.store().Lock();
        if (std::optional<StoredFile> installer = GetFile(service.store().Db(), kLinuxInstallerKey))
            bytes = installer->data;
    }
    if (bytes.empty()) return bytes;
    const std::size_t target = bytes.size() + static_cast<std::size_t>(offer.pad);
    while (bytes.size() < target) {
        std::string line =
            "# " + std::string(std::min<std::size_t>(78, target - bytes.size()), '.');
        line.resize(std::min(line.size(), target - bytes.size() - 1));
        bytes += line + '\n';
    }
    return bytes;
}

// Served in chunks, with the offer's pause between them; a cut offer breaks the connection
// half-way after announcing the whole length.
void ServeLinuxInstaller(Service& service, httplib::Response& res) {
    const UpdateOffer offer = service.update();
    std::string bytes = LinuxInstallerBytes(service, offer);
    if (bytes.empty()) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }
    service.count_installer_download();
    auto body = std::make_shared<std::string>(std::move(bytes));
    const std::size_t stop = offer.cut ? body->size() / 2 : body->size();
    const int pause = offer.chunk_ms;
    res.set_content_provider(
        body->size(), "application/octet-stream",
        [body, stop, pause](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            constexpr std::size_t kChunk = 64 * 1024;
            if (offset >= stop) return false;
            if (pause > 0 && offset > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            const std::size_t n = std::min({kChunk, length, stop - offset});
            return sink.write(body->data() + offset, n);
        });
}

Json::Value CheckVersion(Call& call) {
    std::string platform = ArgText(call.req, "p").value_or("");
    if (platform != "windows" && platform != "linux")
        throw BadParameter("p", "only windows and linux are published");
    UpdateOffer offer = call.service.update();
    std::string md5;
    if (platform == "linux") {
        const std::string bytes = LinuxInstallerBytes(call.service, offer);
        if (!bytes.empty()) md5 = Md5Hex(bytes);
    } else {
        auto lock = call.service.store().Lock();
        if (std::optional<StoredFile> installer = GetFile(call.service.store().Db(), kInstallerKey))
            md5 = Md5Hex(installer->data);
    }
    if (offer.wrong_md5 && !md5.empty()) md5 = Md5Hex(md5);
    Json::Value out = OkEnvelope();
    out["version"] = offer.version;
    out["url"] = !offer.url.empty()
                     ? offer.url
                     : call.base_url + (platform == "linux" ? kLinuxInstallerKey : kInstallerKey);
    out["md5"] = md5;
    out["desc"] = offer.desc;
    out["force"] = offer.force;
    return out;
}

}  // namespace

void RegisterDownloadRoutes(Routes& routes) {
    Service& service = routes.service();
    // Before the general file route, which would serve the bare script.
    routes.http().Get(kLinuxInstallerKey,
                      [&service](const httplib::Request&, httplib::Response& res) {
                          ServeLinuxInstaller(service, res);
                      });
    routes.http().Get(R"(/files/.+)",
                      [&service](const httplib::Request& req, httplib::Response& res) {
                          ServeFile(service, req, res);
                      });
    routes.http().Get(R"(/share/(user|resume|verify|job|edit)/?([^/]*))",
                      [&service](const httplib::Request& req, httplib::Response& res) {
                          ServeSharePage(service, req, res);
                      });
    routes.Get("/lumeno/check_version", CheckVersion);
}

}  // namespace lumeno::server
