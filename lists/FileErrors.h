#pragma once

#include "base/LarkspireError.h"

#include <QString>

namespace larkspire {

// A file could not be read, written, copied or created. what() is the exact text the error box shows
// (UTF-8); Message() gives it back as a QString.
class FileError : public LarkspireError {
public:
    explicit FileError(const QString& message);

    QString Message() const;
};

// The platform's description of an errno value, without trailing blanks and full stops.
QString SystemErrorText(int errnoValue);

// "Cannot open file "<absolute path>". <description>" for a read that could not open its file.
FileError CannotOpenFileError(const QString& path, int errnoValue);

// "Cannot create file "<absolute path>". <description>" for a save that could not create its file.
FileError CannotCreateFileError(const QString& path, int errnoValue);

// "Cannot delete file "<absolute path>". <description>" for a services file that could not be removed.
FileError CannotDeleteFileError(const QString& path, int errnoValue);

// The I/O error of the export for an errno value: a missing folder, a file in place of a folder or
// a name too long give "Invalid file name - <path>"; the others name the file first, as NamedFileError does:
// access problems "File access denied"; too many open files "Too many open files"; a full disk
// "I/O error 112"; anything else "I/O error <errno>".
FileError IoError(int errnoValue, const QString& path);

// ""<absolute path>": <words>": an error about one file that says which.
FileError NamedFileError(const QString& path, const QString& words);

// The refusals of a file that cannot be a list: a FIFO, device or socket; a file over 1 GiB; a file
// holding a NUL byte (a binary file, or a text in an encoding without a byte-order mark).
FileError NotRegularFileError(const QString& path);
FileError TooLargeForListError(const QString& path);
FileError NotTextFileError(const QString& path);

// "Invalid file name - <path>": the I/O error for a path that is too long or names a missing folder.
FileError InvalidFileNameError(const QString& path);

// How an error's message is shown to the user: with "." appended unless it already ends with "." or a
// character below ".".
QString ErrorBoxText(const QString& message);

}  // namespace larkspire
