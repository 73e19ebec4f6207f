#include "lists/FileErrors.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace larkspire {

FileError::FileError(const QString& message) : LarkspireError(message.toStdString()) {}

QString FileError::Message() const { return QString::fromUtf8(what()); }

namespace {

// The GNU strerror_r returns its text, which may or may not be the buffer.
QString StrError(int errnoValue)
{
    char buffer[256] = {};
    return QString::fromLocal8Bit(strerror_r(errnoValue, buffer, sizeof buffer));
}

QString FullPath(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

}  // namespace

QString SystemErrorText(int errnoValue)
{
    QString text = StrError(errnoValue);
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1].isSpace() || text[end - 1] == u'.')) --end;
    text.truncate(end);
    return text;
}

FileError CannotOpenFileError(const QString& path, int errnoValue)
{
    return FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(FullPath(path), SystemErrorText(errnoValue)));
}

FileError CannotCreateFileError(const QString& path, int errnoValue)
{
    return FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(FullPath(path), SystemErrorText(errnoValue)));
}

FileError CannotDeleteFileError(const QString& path, int errnoValue)
{
    return FileError(QStringLiteral("Cannot delete file \"%1\". %2").arg(FullPath(path), SystemErrorText(errnoValue)));
}

FileError InvalidFileNameError(const QString& path) { return FileError(QStringLiteral("Invalid file name - ") + path); }

FileError IoError(int errnoValue, const QString& path)
{
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return InvalidFileNameError(path);
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return NamedFileError(path, QStringLiteral("File access denied"));
    case EMFILE:
    case ENFILE:
        return NamedFileError(path, QStringLiteral("Too many open files"));
    case ENOSPC:
        return NamedFileError(path, QStringLiteral("I/O error 112"));
    default:
        return NamedFileError(path, QStringLiteral("I/O error %1").arg(errnoValue));
    }
}

FileError NamedFileError(const QString& path, const QString& words)
{
    return FileError(QStringLiteral("\"%1\": %2").arg(FullPath(path), words));
}

FileError NotRegularFileError(const QString& path)
{
    return FileError(QStringLiteral("\"%1\" is not a regular file (a FIFO, device or socket) and cannot be a list")
                         .arg(FullPath(path)));
}

FileError TooLargeForListError(const QString& path)
{
    return FileError(QStringLiteral("\"%1\" is too large for a list (more than 1 GiB)").arg(FullPath(path)));
}

FileError NotTextFileError(const QString& path)
{
    return FileError(QStringLiteral("\"%1\" is not a text file: it holds a NUL byte").arg(FullPath(path)));
}

QString ErrorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() <= QLatin1Char('.')) return message;
    return message + QLatin1Char('.');
}

}  // namespace larkspire
