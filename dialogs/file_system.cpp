// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_system.h"

#include <QDir>
#include <QFileInfo>

namespace quorvel {
namespace {

bool hasWildcard(QStringView pattern)
{
    return pattern.contains(u'*') || pattern.contains(u'?');
}

bool sameChar(QChar a, QChar b, Qt::CaseSensitivity cs)
{
    return cs == Qt::CaseSensitive ? a == b : a.toCaseFolded() == b.toCaseFolded();
}

// Classic greedy wildcard match: on a mismatch after a "*", let that "*" swallow one more
// character and try again. Linear in practice, never recursive.
bool wildcardMatch(QStringView name, QStringView pattern, Qt::CaseSensitivity cs)
{
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starAt = -1;
    qsizetype resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || sameChar(pattern[p], name[n], cs))) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool matchesPattern(QStringView name, QStringView pattern)
{
    const Qt::CaseSensitivity cs = hasWildcard(pattern) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (wildcardMatch(name, pattern, cs)) return true;
    // As on the desktops users know, "name.*" also covers "name" itself.
    return pattern.endsWith(u".*") && !name.contains(u'.') &&
           wildcardMatch(name, pattern.chopped(2), cs);
}

bool isOrdinaryFile(const QFileInfo& info)
{
    return info.isFile() && !info.fileName().startsWith(u'.');
}

QStringList entries(const QString& directory, QDir::Filters kind)
{
    // Without QDir::Hidden and QDir::System, Qt leaves out dot names, devices, pipes, sockets
    // and broken links.
    return QDir(directory).entryList(kind | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

}  // namespace

QString joinPath(const QString& directory, const QString& name)
{
    return directory.endsWith(u'/') ? directory + name : directory + u'/' + name;
}

bool matchesPatterns(const QString& name, const QString& patterns)
{
    for (QStringView pattern : QStringView(patterns).split(u';')) {
        pattern = pattern.trimmed();
        if (!pattern.isEmpty() && matchesPattern(name, pattern)) return true;
    }
    return false;
}

QStringList subdirectories(const QString& directory)
{
    return entries(directory, QDir::Dirs);
}

QStringList matchingFiles(const QString& directory, const QString& patterns)
{
    QStringList files = entries(directory, QDir::Files);
    files.removeIf([&](const QString& name) { return !matchesPatterns(name, patterns); });
    return files;
}

QString firstMatch(const QString& pathPattern)
{
    if (pathPattern.isEmpty()) return {};
    const qsizetype slash = pathPattern.lastIndexOf(u'/');
    const QString directory = slash < 0 ? QStringLiteral(".") : pathPattern.left(slash + 1);
    const QString lastPart = pathPattern.mid(slash + 1);
    const QDir dir(QDir::current().absoluteFilePath(directory));

    if (!lastPart.isEmpty() && !hasWildcard(lastPart))
        return isOrdinaryFile(QFileInfo(dir, lastPart)) ? lastPart : QString();
    for (const QString& name : entries(dir.path(), QDir::Files)) {
        if (lastPart.isEmpty() || matchesPattern(name, lastPart)) return name;
    }
    return {};
}

}  // namespace quorvel
