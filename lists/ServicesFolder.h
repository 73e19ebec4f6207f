#pragma once

#include <QString>
#include <QStringList>

namespace larkspire {

// Empties `list` and fills it with the names of the entries matching `folderPath` + `mask` ("*" and
// "?" wildcards, letter case ignored), folders excepted, hidden files included, sorted
// case-insensitively. The folder path must end with "/". Never throws.
void ListFilesByMask(const QString& folderPath, const QString& mask, QStringList& list);

// The name part of a path: the text after its last "/".
QString FileNamePart(const QString& path);

// Copies the file at `sourcePath` into the services folder `servicesFolder` (ending with "/") under its
// own name, creating the folder first when missing. Never replaces a file; the copy keeps the source's
// permission bits. A source that LoadTextList refuses is not copied. Returns the name. Throws FileError with
// the message of the failing check, read or copy.
QString AddServicesFile(const QString& sourcePath, const QString& servicesFolder);

// Deletes the services file at `path`. Throws FileError ("Cannot delete file ..."), deleting nothing, when
// it cannot: a read-only file (no write permission bit), a missing file, a folder, a folder it may not change.
void RemoveServicesFile(const QString& path);

// "File <name> loaded" and "<name> deleted", the messages of the services commands.
QString ServicesFileLoadedMessage(const QString& name);
QString ServicesFileDeletedMessage(const QString& name);

}  // namespace larkspire
