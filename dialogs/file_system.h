// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The file system as the browse dialog sees it: directories, the ordinary files in them and a
// first-match lookup. "Ordinary" means a regular file (or a link to one) whose name does not
// start with a dot; directories, hidden files, devices, pipes and sockets never count.
namespace quorvel {

// Joins a directory and a name with one "/" between them. A directory that already ends in "/"
// (the root) gets no second one; with an empty name the result is the directory as the name box
// shows it, ready for a name to be typed after it.
QString joinPath(const QString& directory, const QString& name);

// True when name matches one of the ";"-separated patterns (blanks around each are ignored).
// "*" stands for any run of characters and "?" for one. A pattern with a wildcard ignores letter
// case, so "*.wav" finds TAKE.WAV; a pattern without one is an exact name, as the file system
// compares names. A pattern that ends in ".*" also matches a name with no dot, so "*.*" matches
// every file.
bool matchesPatterns(const QString& name, const QString& patterns);

// The subdirectories of directory, hidden ones left out, sorted by name ignoring case.
QStringList subdirectories(const QString& directory);

// The ordinary files of directory that match patterns, sorted by name ignoring case.
QStringList matchingFiles(const QString& directory, const QString& patterns);

// The name (without directory) of the first ordinary file, in name order, that matches
// pathPattern, or an empty text when none does. The directory part is taken literally and a
// relative one resolves against the process's current directory; only the last part may hold
// wildcards. A text that ends in "/" matches every ordinary file of that directory.
QString firstMatch(const QString& pathPattern);

}  // namespace quorvel
