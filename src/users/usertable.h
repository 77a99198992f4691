#pragma once

#include <QString>
#include <QStringList>

class Dataset;

// The statements on the user table `userdb`, run through the given dataset (the work query).
// Passwords are written only as hashes; every check of a password goes through matchingRow().
namespace usertable {

// Every user name in the order the users were added, duplicates included.
QStringList names(Dataset &work);

// The one check of a password, used by the login, the superadministrator's gate of the user
// management and the password change. Returns the row (rowid) of the one user row with this name
// whose password is `password`; -1 when no row or more than one row matches. A matching row that
// still holds its password as plain text (a database from an older version) or as a hash made
// with older settings gets a new hash now, so it is checked as a plain text only once.
long long matchingRow(Dataset &work, const QString &user, const QString &password);

bool hasUser(Dataset &work, const QString &user);

// Adds a user with the initial password.
void add(Dataset &work, const QString &user);

// Gives every row of `user` the initial password; returns the number of rows changed.
int resetPassword(Dataset &work, const QString &user);

// Deletes every row of `user`; returns the number of rows deleted.
int remove(Dataset &work, const QString &user);

// Stores `password` for the user row `row`; false when no such row exists any more.
bool setPassword(Dataset &work, long long row, const QString &password);

} // namespace usertable
