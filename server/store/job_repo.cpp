#include "server/store/job_repo.h"

namespace lumeno::server {

std::int64_t InsertJob(Database& db, const JobRow& j) {
    db.Run(
        "INSERT INTO jobs(poster_id, position, company, province, city, salary, salary_info, "
        "logo_key, custom_text, sup_text, status, views, crtime) "
        "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)",
        j.poster_id, j.position, j.company, j.province, j.city, j.salary, j.salary_info, j.logo_key,
        j.custom_text, j.sup_text, j.status, j.views, j.crtime);
    return db.LastInsertId();
}

std::optional<JobRow> FindJob(Database& db, std::int64_t id) {
    Statement s = db.Prepare(
        "SELECT id, poster_id, position, company, province, city, salary, salary_info, logo_key, "
        "custom_text, sup_text, status, views, crtime FROM jobs WHERE id=?");
    s.Bind(1, id);
    if (!s.Step()) return std::nullopt;
    JobRow j;
    j.id = s.Int(0);
    j.poster_id = s.Int(1);
    j.position = s.Text(2);
    j.company = s.Text(3);
    j.province = s.Text(4);
    j.city = s.Text(5);
    j.salary = static_cast<int>(s.Int(6));
    j.salary_info = s.Text(7);
    j.logo_key = s.Text(8);
    j.custom_text = s.Text(9);
    j.sup_text = s.Text(10);
    j.status = static_cast<int>(s.Int(11));
    j.views = static_cast<int>(s.Int(12));
    j.crtime = s.Int(13);
    return j;
}

bool HasApplied(Database& db, std::int64_t user, std::int64_t jid) {
    return db.QueryInt("SELECT 1 FROM applications WHERE user_id=? AND jid=?", user, jid)
        .has_value();
}

void RecordApplication(Database& db, std::int64_t user, std::int64_t jid, std::int64_t now) {
    db.Run("INSERT OR IGNORE INTO applications(user_id, jid, crtime) VALUES(?,?,?)", user, jid,
           now);
}

}  // namespace lumeno::server
