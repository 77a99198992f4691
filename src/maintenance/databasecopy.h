#pragma once

#include <QString>
#include <functional>

// Progress of a copy in database pages: done so far and in all. Returning false cancels the copy.
using CopyProgress = std::function<bool(int done, int total)>;

// Copies of a database file made with SQLite's online backup, page by page through a connection
// of their own: the copy is consistent even when another connection uses the source.
namespace databasecopy {

// Writes a copy of the database `source` into `file`, which must not exist yet. Returns false
// when cancelled; raises UserVisibleError naming the cause. Either way, a copy that was not
// completed is removed again.
bool write(const QString &source, const QString &file, const CopyProgress &progress = {});

// Copies the database `source` to `target`: written under a temporary name beside the target,
// flushed and renamed when complete. A failed or cancelled copy leaves no partial file, and a file
// already under the target's name stays as it was until the new copy is whole. Returns false
// when cancelled; raises UserVisibleError naming the cause.
bool copy(const QString &source, const QString &target, const CopyProgress &progress = {});

} // namespace databasecopy
