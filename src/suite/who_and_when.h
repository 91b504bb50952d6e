// Who is at work and when, as locks and journals record it.
#pragma once

#include <string>

namespace oc {

// The login name of the effective user (else $USER, else "uid N").
std::string user_name();
// This machine's name, or "unknown host".
std::string host_name();
// The local time now, ISO 8601 with its offset: 2026-12-07T09:30:00+01:00.
std::string now_iso8601();

}  // namespace oc
