#pragma once

#include <QString>

// Whether a file can serve as this program's database, checked on a read-only connection of its
// own: an SQLite database, whole (pragma integrity_check), holding the four tables with every one
// of their columns, nothing the program did not make (triggers, views, other tables), and the
// superadministrator. The file is not changed.
namespace databasefilecheck {

// Why `file` cannot serve as the database, in a sentence for the shop assistant; empty when it can.
QString problem(const QString &file);

} // namespace databasefilecheck
