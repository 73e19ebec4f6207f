#!/bin/sh
# Adds Larkspire Indexer to the current user's application menu: writes the desktop entry, pointing at the
# program beside this script, and the icon into the user's data folders. Run it again after moving the folder.
set -eu
bin=$(cd "$(dirname "$0")" && pwd)
prefix=$(dirname "$bin")
data=${XDG_DATA_HOME:-$HOME/.local/share}
id=example.larkspire.Indexer

case $bin in
*'
'*)
    echo "The folder's path holds a line break, which a desktop entry cannot name: $bin" >&2
    exit 1
    ;;
esac

mkdir -p "$data/applications" "$data/icons/hicolor/scalable/apps"
cp "$prefix/share/icons/hicolor/scalable/apps/$id.svg" "$data/icons/hicolor/scalable/apps/$id.svg"

# The program's path as the Exec key's one argument, by the Desktop Entry Specification: a path holding a reserved
# character is double-quoted, with """, "`", "$" and "\" escaped by a backslash inside the quotes; then the
# string-value escape of the file doubles every backslash; "%" is doubled as it would start a field code. The
# path travels through the environment and is put in by plain text search, so no character of it is special.
LARKSPIRE_EXEC=$bin/larkspire-indexer LC_ALL=C awk '
function exec_argument(path,    out, i, c, quoted) {
    out = ""
    quoted = 0
    for (i = 1; i <= length(path); i++) {
        c = substr(path, i, 1)
        if (index(" \t\"\047\\><~|&;$*?#()`", c)) quoted = 1
        if (c == "\"" || c == "`" || c == "$") out = out "\\\\" c
        else if (c == "\\") out = out "\\\\\\\\"
        else if (c == "%") out = out "%%"
        else out = out c
    }
    return quoted ? "\"" out "\"" : out
}
BEGIN {
    mark = "@LARKSPIRE_INSTALLED_EXECUTABLE@"
    value = exec_argument(ENVIRON["LARKSPIRE_EXEC"])
}
{
    at = index($0, mark)
    if (at) $0 = substr($0, 1, at - 1) value substr($0, at + length(mark))
    print
}' "$prefix/share/larkspire-indexer/$id.desktop.in" > "$data/applications/$id.desktop"
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$data/applications" || true
echo "Installed $data/applications/$id.desktop"
