#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace larkspire {

// A temporary folder for the files a test edits.
class TestFolder {
public:
    QString Root() const { return dir_.path(); }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QString Write(const QString& name, const QByteArray& bytes) const
    {
        const QString path = Path(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(bytes);
        return path;
    }

    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return file.readAll();
    }

private:
    QTemporaryDir dir_;
};

}  // namespace larkspire
