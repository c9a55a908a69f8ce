#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A fresh temporary folder per test, and byte-exact file access in it.
class TempFolderTest : public ::testing::Test {
protected:
    QString Path(const QString &name) const { return dir_.filePath(name); }
    QString Folder() const { return dir_.path(); }

    static void WriteBytes(const QString &path, const QByteArray &bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    static QByteArray ReadBytes(const QString &path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

private:
    QTemporaryDir dir_;
};
