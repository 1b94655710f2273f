// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A throw-away directory tree for one test, with helpers to fill it.
class TempTree {
public:
    // The tree's root, without a trailing "/".
    QString root() const { return dir_.path(); }
    QString path(const QString& relative) const { return dir_.filePath(relative); }

    void addFile(const QString& relative, const QByteArray& contents = {}) const
    {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(relative);
        ASSERT_EQ(file.write(contents), contents.size()) << qPrintable(relative);
    }
    void addDirectory(const QString& relative) const
    {
        ASSERT_TRUE(QDir(root()).mkpath(relative)) << qPrintable(relative);
    }

private:
    QTemporaryDir dir_;
};

// Makes directory the process's current directory until the end of the scope.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const QString& directory)
        : previous_(QDir::currentPath())
    {
        QDir::setCurrent(directory);
    }
    ~CurrentDirectoryScope() { QDir::setCurrent(previous_); }
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    QString previous_;
};
