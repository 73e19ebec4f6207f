#pragma once

#include <string>

namespace larkspire {

// The window keeps its services files in one folder. A writable "indexer/" beside the program is that folder, so a
// self-contained install and the build tree keep theirs; a program installed system-wide uses one in the user's
// data folder instead, filled on first start from the copies installed with it. Paths are the system's bytes, and
// every folder ends with "/".

// "indexer/" inside the program's folder.
std::string ServicesFolderBesideProgram(const std::string& programFolder);

// "<prefix>/share/larkspire-indexer/indexer/" for a program in "<prefix>/bin/".
std::string ShippedServicesFolder(const std::string& programFolder);

// "$XDG_DATA_HOME/larkspire-indexer/indexer/", or under "$HOME/.local/share" when XDG_DATA_HOME is unset, empty or
// relative (as the XDG base directory rules say); empty when neither is usable. Null means unset.
std::string UserServicesFolder(const char* xdgDataHome, const char* home);

// A folder (or a link to one) this process may create files in.
bool IsWritableFolder(const std::string& path);

// The folder beside the program when it is writable, else the user's; the one beside the program too when there is
// no user folder to fall back on.
std::string ChooseServicesFolder(const std::string& programFolder, bool besideIsWritable,
                                 const std::string& userFolder);

// When the services folder is not the one beside the program and does not exist yet, makes it with its parents and
// copies the regular files of the shipped folder into it. A folder that exists is left as the user keeps it, so a
// deleted sample stays deleted. What cannot be made or copied is left out: the window then shows fewer services,
// and adding one makes the folder.
void CreateServicesFolderOnFirstStart(const std::string& programFolder, const std::string& servicesFolder);

}  // namespace larkspire
