#!/bin/sh
# Adds Larkspire Indexer to the current user's application menu: writes the desktop entry, pointing at the
# program beside this script, and the icon into the user's data folders. Run it again after moving the folder.
set -eu
bin=$(cd "$(dirname "$0")" && pwd)
prefix=$(dirname "$bin")
data=${XDG_DATA_HOME:-$HOME/.local/share}
id=example.larkspire.Indexer

mkdir -p "$data/applications" "$data/icons/hicolor/scalable/apps"
cp "$prefix/share/icons/hicolor/scalable/apps/$id.svg" "$data/icons/hicolor/scalable/apps/$id.svg"
sed "s|@LARKSPIRE_INSTALLED_EXECUTABLE@|$bin/larkspire-indexer|" \
    "$prefix/share/larkspire-indexer/$id.desktop.in" > "$data/applications/$id.desktop"
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$data/applications" || true
echo "Installed $data/applications/$id.desktop"
