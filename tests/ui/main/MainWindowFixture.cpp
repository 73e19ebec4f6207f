#include "tests/ui/main/MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace larkspire {

QString MainWindowFixture::WriteFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = Folder() + name;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
    return path;
}

QByteArray MainWindowFixture::ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

}  // namespace larkspire
