#pragma once

#include "common/errors.h"

#include <QString>

struct sqlite3;

// The one place where a result code of the database engine becomes what the user reads: a
// sentence naming the cause in the user's words, the engine's own text after it, and what to do
// where the user can do something.
namespace engineerror {

// The cause behind a primary or extended result code.
DbError::Cause causeOf(int resultCode);

// The error for a call that failed with `resultCode` and the engine's `engineText`.
DbError make(int resultCode, const QString &engineText);

// The error the connection reports for its last failed call (a null connection: out of memory).
DbError last(sqlite3 *db);

} // namespace engineerror
