// Downloads (avatars, pictures, voice clips, the installer), the update check and the small
// share pages that profile, job and résumé links open in a browser.
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

Json::Value CheckVersion(Call& call) {
    std::string platform = ArgText(call.req, "p").value_or("");
    if (platform != "windows") throw BadParameter("p", "only windows is published");
    UpdateOffer offer = call.service.update();
    std::string md5;
    {
        auto lock = call.service.store().Lock();
        if (std::optional<StoredFile> installer = GetFile(call.service.store().Db(), kInstallerKey))
            md5 = Md5Hex(installer->data);
    }
    Json::Value out = OkEnvelope();
    out["version"] = offer.version;
    out["url"] = call.base_url + kInstallerKey;
    out["md5"] = md5;
    out["desc"] = offer.desc;
    out["force"] = offer.force;
    return out;
}

}  // namespace

void RegisterDownloadRoutes(Routes& routes) {
    Service& service = routes.service();
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
