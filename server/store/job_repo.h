#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "server/store/db.h"

namespace lumeno::server {

struct JobRow {
    std::int64_t id = 0;
    std::int64_t poster_id = 0;
    std::string position;
    std::string company;
    std::string province;
    std::string city;
    int salary = 0;  // monthly, in yuan
    std::string salary_info;
    std::string logo_key;
    std::string custom_text;
    std::string sup_text;
    int status = 1;
    int views = 0;
    std::int64_t crtime = 0;
};

std::int64_t InsertJob(Database& db, const JobRow& job);
std::optional<JobRow> FindJob(Database& db, std::int64_t id);
bool HasApplied(Database& db, std::int64_t user, std::int64_t jid);
void RecordApplication(Database& db, std::int64_t user, std::int64_t jid, std::int64_t now);

}  // namespace lumeno::server
