#pragma once

#include <QByteArray>
#include <QList>
#include <utility>

// A zip archive of the given entries (name, bytes), stored without compression: what a reader
// library that takes a whole archive is handed after the program changed one of its files.
// Entries past 4 GiB cannot be stored this way (zip64 is not written); the caller's limits keep
// workbooks far below.
QByteArray storedZip(const QList<std::pair<QByteArray, QByteArray>> &entries);
