#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace larkspire {

// The encoding a text file was read in, and is written back in by the list editor. Utf8WithoutMark is
// UTF-8 found in a file without a byte-order mark, and written back without one.
enum class TextEncoding { Ansi, Utf8, Utf8WithoutMark, Utf16LittleEndian, Utf16BigEndian };

// The line break a file uses.
enum class LineEnd { Lf, CrLf };

// How a list file's text is laid out in bytes, so that the editor writes a file back as it found it.
struct ListFileFormat {
    // An encoding alone stands for that encoding with CR LF, the program's line break before it kept the
    // file's own.
    ListFileFormat(TextEncoding encoding = TextEncoding::Ansi, LineEnd lineEnds = LineEnd::CrLf)
        : Encoding(encoding), LineEnds(lineEnds)
    {}

    TextEncoding Encoding;
    LineEnd LineEnds;

    friend bool operator==(const ListFileFormat&, const ListFileFormat&) = default;
};

// Lines of a file read for the list editor, with the format they were read in.
struct EditorText {
    QStringList Lines;
    ListFileFormat Format;
};

// Reads the lines of the text file at `path` into `list`, replacing its content. The encoding comes
// from the byte-order mark (UTF-8, UTF-16 LE, UTF-16 BE); a file without one is UTF-8 when its bytes are
// well-formed UTF-8 holding at least one non-ASCII character, otherwise Windows-1252. CR, LF and CR LF end
// lines. Only a regular file of at most 1 GiB whose text holds no U+0000 is read. Throws FileError
// ("Cannot open file ...", the refusals of NotRegularFileError, TooLargeForListError and NotTextFileError,
// or the no-mapping message for ill-formed UTF-8 after its mark, naming the file); `list` is then left as it was.
void LoadTextList(const QString& path, QStringList& list);

// LoadTextList's lines handed to `takeLine` one at a time, in order, none of them before the whole file was read and
// found readable (the errors are LoadTextList's). The file's bytes are freed piece by piece as their lines go out,
// so a list of a million lines need not stand in memory beside its own text.
void ReadTextLines(const QString& path, const std::function<void(QString&&)>& takeLine);

// The list editor's read: LoadTextList's lines with every TAB turned into four spaces, and the format:
// the encoding, and the line break of the file's first line (LF for a file without one; a lone CR
// counts as CR LF).
EditorText ReadEditorText(const QString& path);

// The list editor's save. First removes every character up to U+0020 from the end of each line of
// `lines` (the caller shows the trimmed lines, also when the save then fails), then replaces the file
// with the lines, each followed by the format's line break, in its encoding with its byte-order mark, through
// WriteWholeFile (the old content stays when the write fails). Text that Windows-1252 cannot hold is written as
// UTF-8 without a mark instead, so no character is lost. Returns the format written. Throws FileError:
// "Cannot create file ..." or ""<path>": Stream write error".
ListFileFormat SaveEditorText(const QString& path, QStringList& lines, ListFileFormat format);

// Whether a file (not a folder) exists at `path`.
bool IsExistingFile(const QString& path);

}  // namespace larkspire
