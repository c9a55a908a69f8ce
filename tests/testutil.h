#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

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

// Runs `write` as on a full disk: no file may grow past `bytes` (a file-size limit, with the
// signal that would end the process ignored).
inline void AsIfDiskFullBeyond(rlim_t bytes, const std::function<void()> &write) {
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limited = old;
    limited.rlim_cur = bytes;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    write();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
}
