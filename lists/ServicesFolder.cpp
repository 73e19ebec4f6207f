#include "lists/ServicesFolder.h"

#include "lists/FileErrors.h"
#include "lists/PosixFile.h"
#include "lists/TextListFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspire {

namespace {

constexpr qsizetype LongestCopyPath = 259;

// "*" matches any run of characters, "?" one character; letter case is ignored.
bool MatchesMask(QStringView name, QStringView mask)
{
    qsizetype n = 0;
    qsizetype m = 0;
    qsizetype starMask = -1;
    qsizetype starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == u'?' || mask[m].toCaseFolded() == name[n].toCaseFolded())) {
            ++m;
            ++n;
        } else if (starMask >= 0) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*') ++m;
    return m == mask.size();
}

// A folder, or a link to one. Entries that cannot be examined are listed like files.
bool IsFolderEntry(int folderFd, const dirent& entry)
{
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
    struct stat status {};
    return ::fstatat(folderFd, entry.d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

struct DirCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

bool IsFolder(const QByteArray& nativePath)
{
    struct stat status {};
    return ::stat(nativePath.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Every missing folder of the path, by the path's own bytes. Failures show in the checks that follow.
void MakeFolders(const QByteArray& nativePath)
{
    for (qsizetype slash = nativePath.indexOf('/', 1); slash >= 0; slash = nativePath.indexOf('/', slash + 1))
        ::mkdir(nativePath.left(slash).constData(), 0777);
    ::mkdir(nativePath.constData(), 0777);
}

void CheckCopyPath(const QString& path, bool isSource)
{
    if (path.size() > LongestCopyPath) throw FileError(QStringLiteral("The specified path is too long"));
    if (path.trimmed().isEmpty() || path.contains(QChar(0)))
        throw FileError(QStringLiteral("Invalid characters in path"));
    const QString fullPath = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!IsFolder(NativePath(fullPath.left(fullPath.lastIndexOf(u'/') + 1))))
        throw FileError(QStringLiteral("The specified path was not found"));
    struct stat status {};
    if (isSource && ::stat(NativePath(path).constData(), &status) != 0)
        throw FileError(QStringLiteral("The specified file was not found"));
}

FileError AlreadyExistsError() { return FileError(QStringLiteral("The specified file already exists")); }

// The copy is created exclusively, so a file that another program puts there meanwhile is never
// replaced; a copy that fails half-way is removed again.
void CopyWithoutReplacing(const QString& sourcePath, const QString& targetPath)
{
    // Opened without blocking: a FIFO would otherwise hold the window until something writes to it.
    UniqueFd source(::open(NativePath(sourcePath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!source.IsOpen()) throw FileError(SystemErrorText(errno));
    struct stat status {};
    if (::fstat(source.Get(), &status) != 0) throw FileError(SystemErrorText(errno));
    if (S_ISDIR(status.st_mode)) throw FileError(SystemErrorText(EISDIR));
    // What cannot be read as a list (a FIFO or device, a NUL byte, bytes that do not decode) is not taken in.
    QStringList sourceLines;
    LoadTextList(sourcePath, sourceLines);

    const QByteArray target = NativePath(targetPath);
    UniqueFd copy(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (!copy.IsOpen()) throw errno == EEXIST ? AlreadyExistsError() : FileError(SystemErrorText(errno));

    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(source.Get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            error = count < 0 ? errno : 0;
            break;
        }
        if ((error = WriteAll(copy.Get(), buffer, static_cast<std::size_t>(count))) != 0) break;
    }
    if (error == 0 && ::fchmod(copy.Get(), status.st_mode & 0777) != 0) error = errno;
    if (error == 0) error = copy.Close();
    if (error != 0) {
        copy.Close();
        ::unlink(target.constData());
        throw FileError(SystemErrorText(error));
    }
}

}  // namespace

void ListFilesByMask(const QString& folderPath, const QString& mask, QStringList& list)
{
    list.clear();
    // The folder and the mask are joined as they come; the enumeration reads the folder up to the
    // last "/" with the rest as the name mask.
    const QString pattern = folderPath + mask;
    const qsizetype slash = pattern.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral(".") : pattern.left(slash + 1);
    const QString nameMask = pattern.mid(slash + 1);

    const QByteArray nativeFolder = NativePath(folder);
    if (nativeFolder.isEmpty()) return;
    std::unique_ptr<DIR, DirCloser> entries(::opendir(nativeFolder.constData()));
    if (!entries) return;
    while (const dirent* entry = ::readdir(entries.get())) {
        const QString name = PathFromNative(QByteArray(entry->d_name));
        if (MatchesMask(name, nameMask) && !IsFolderEntry(::dirfd(entries.get()), *entry)) list.append(name);
    }
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
}

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); }

QString AddServicesFile(const QString& sourcePath, const QString& servicesFolder)
{
    const QString name = FileNamePart(sourcePath);
    if (!IsFolder(NativePath(servicesFolder)))
        MakeFolders(NativePath(QDir::cleanPath(QFileInfo(servicesFolder).absoluteFilePath())));

    const QString targetPath = servicesFolder + name;
    CheckCopyPath(sourcePath, true);
    CheckCopyPath(targetPath, false);
    struct stat status {};
    if (::lstat(NativePath(targetPath).constData(), &status) == 0) throw AlreadyExistsError();
    CopyWithoutReplacing(sourcePath, targetPath);
    return name;
}

void RemoveServicesFile(const QString& path)
{
    const QByteArray nativePath = NativePath(path);
    struct stat status {};
    if (nativePath.isEmpty() || ::lstat(nativePath.constData(), &status) != 0)
        throw CannotDeleteFileError(path, ENOENT);
    if (S_ISDIR(status.st_mode)) throw CannotDeleteFileError(path, EISDIR);
    // A read-only file is kept even where the folder would let it go.
    if (IsReadOnlyFile(nativePath)) throw CannotDeleteFileError(path, EACCES);
    if (::unlink(nativePath.constData()) != 0) throw CannotDeleteFileError(path, errno);
}

QString ServicesFileLoadedMessage(const QString& name)
{
    return QStringLiteral("File ") + name + QStringLiteral(" loaded");
}

QString ServicesFileDeletedMessage(const QString& name) { return name + QStringLiteral(" deleted"); }

}  // namespace larkspire
