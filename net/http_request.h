#pragma once
// The two ways every service call goes out: a GET or a multipart POST of named fields to a
// complete URL. Both block until the answer is complete and return its body as it came (whatever
// the status); an empty or partial body means the exchange failed, and the caller decides by
// parsing it. Call them only on a worker thread, inside a work flow's pool step.

#include <map>
#include <string>

#include "net/server_settings.h"

// Adds the query separator and the common query, applies the host override (scheme and host
// only), and logs the result with secrets hidden.
std::string FinishApiUrl(const std::string& url, const ServerSettings& settings);
std::string FinishApiUrl(const std::string& url);
// Where a service URL really goes: the host override applied as FinishApiUrl does, nothing added
// and nothing logged.
std::string ApplyHostOverride(const std::string& url, const ServerSettings& settings);

std::string HttpGetText(const std::string& url);
// Fields go out in ascending order of their names; "pic" is sent as the file at its path.
// Nothing is sent (and the result is empty) when that file cannot be read.
std::string HttpPostFields(const std::string& url,
                           const std::map<std::string, std::string>& fields);

// The same, against explicit settings (the functions above use the settings of the run).
std::string HttpGetText(const std::string& url, const ServerSettings& settings);
std::string HttpPostFields(const std::string& url, const std::map<std::string, std::string>& fields,
                           const ServerSettings& settings);
