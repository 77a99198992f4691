#pragma once

#include <QString>

// File steps that either complete or leave the target as it was. Each raises UserVisibleError
// naming the file and the cause when it fails.
namespace safefile {

// A new, unused name in the folder of `target`, so that renaming it onto `target` replaces the
// target in one step.
QString temporaryNameBeside(const QString &target);

// Removes from `folder` the temporary files of copies that were cut short by a crash or a kill:
// only files named as temporaryNameBeside() names them (with their journals), untouched for a
// minute and held open by no program. Returns how many were removed.
int removeLeftoversIn(const QString &folder);

// Makes the folder that will hold `file` when it is missing.
void makeFolderFor(const QString &file);

// Forces what was written to `file` onto the disk.
void flush(const QString &file);

// Puts `source` in the place of `target` in one step (a rename on the same file system) and
// makes the change of the folder durable.
void replace(const QString &source, const QString &target);

// Copies the bytes of `source` to `target`: written under a temporary name, flushed and renamed,
// so `target` is either the whole copy or untouched.
void copy(const QString &source, const QString &target);

// True when both names lead to one existing file.
bool sameFile(const QString &a, const QString &b);

// Removes `file` and what SQLite may have left beside it (journal); a missing file is no error.
void removeWithJournal(const QString &file);

} // namespace safefile
