#pragma once

#include <QString>

// How passwords are kept: a salted, deliberately slow hash (Argon2id through libsodium), so a
// copy of the database file does not give the passwords away. A password itself is never stored.
namespace passwordhash {

// The password a new database's first user, a new user and a reset password start with.
inline QString initialPassword() { return QStringLiteral("927"); }

// A new hash of `password`, with a fresh salt. Raises UserVisibleError when no memory can be had
// for hashing.
QString make(const QString &password);

// True when `stored` is a hash made by make() (older databases hold plain passwords).
bool isHash(const QString &stored);

// True when `password` is the one `stored` was made from. `stored` must be a hash.
bool verify(const QString &stored, const QString &password);

// True when a hash was made with other settings than make() uses today.
bool isOutdated(const QString &stored);

} // namespace passwordhash
