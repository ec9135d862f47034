#pragma once

#include "server/store/db.h"

namespace lumeno::server {

// Creates the tables and indexes when they are missing.
void CreateSchema(Database& db);

}  // namespace lumeno::server
