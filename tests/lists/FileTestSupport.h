#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace larkspire::test {

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

inline void MakeReadOnly(const QString& path)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
}

// A fresh folder per test, its path ending with "/".
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    QString Folder() const { return folder_.path() + u'/'; }
    QString PathOf(const QString& name) const { return Folder() + name; }

private:
    QTemporaryDir folder_;
};

}  // namespace larkspire::test
