#pragma once

#include <QString>

struct AppContext;

// The login log (table rz): one row per login, its key the login number that the logout time
// goes to when the program closes.
namespace loginlog {

// Records that `user` logs in now and makes the new row this run's login.
void record(AppContext &ctx, const QString &user);

} // namespace loginlog
