#pragma once

#include <QString>
#include <QStringList>

namespace larkspire {

// The encoding a text file was read in, and is written back in by the list editor.
enum class TextEncoding { Ansi, Utf8, Utf16LittleEndian, Utf16BigEndian };

// Lines of a file read for the list editor, with the encoding they were read in.
struct EditorText {
    QStringList Lines;
    TextEncoding Encoding = TextEncoding::Ansi;
};

// Reads the lines of the text file at `path` into `list`, replacing its content. The encoding comes
// from the byte-order mark (UTF-8, UTF-16 LE, UTF-16 BE), otherwise Windows-1252; CR, LF and CR LF end
// lines. Only a regular file of at most 1 GiB whose text holds no U+0000 is read. Throws FileError
// ("Cannot open file ...", the refusals of NotRegularFileError, TooLargeForListError and NotTextFileError,
// or the no-mapping message for ill-formed UTF-8, naming the file); `list` is then left as it was.
void LoadTextList(const QString& path, QStringList& list);

// The list editor's read: LoadTextList's lines with every TAB turned into four spaces, and the encoding.
EditorText ReadEditorText(const QString& path);

// The list editor's save. First removes every character up to U+0020 from the end of each line of
// `lines` (the caller shows the trimmed lines, also when the save then fails), then replaces the file
// with the lines, each followed by CR LF, in `encoding` with its byte-order mark, through WriteWholeFile (the
// old content stays when the write fails). Throws FileError: "Cannot create file ..." or
// ""<path>": Stream write error".
void SaveEditorText(const QString& path, QStringList& lines, TextEncoding encoding);

// Whether a file (not a folder) exists at `path`.
bool IsExistingFile(const QString& path);

}  // namespace larkspire
