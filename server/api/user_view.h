#pragma once

#include <json/json.h>

#include <string>

#include "server/api/viewer.h"

namespace lumeno::server {

// A complete user object: every member a client's user record reads, always present, so that
// a client that overwrites its copy with it loses nothing.
Json::Value UserJson(Viewer& viewer, const UserRow& user);

// The signed-in user's own record as the sign-in answer carries it.
Json::Value LoginUserJson(const UserRow& user, const std::string& base_url);

std::string CareerLine(const UserRow& user);
std::string ShareUrl(const std::string& base_url, const UserRow& user);
std::string AvatarUrl(const std::string& base_url, const UserRow& user);

}  // namespace lumeno::server
