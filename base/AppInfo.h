#pragma once

#include <string>

namespace larkspire {

// The program's name, version, caption and support address, and the folders derived from where the
// executable lives and the environment. Fixed when made and read-only afterwards (safe to read from any thread). Texts are UTF-8.
class AppInfo {
public:
    // The folders are derived from the running executable's location.
    AppInfo();
    // For tests: the folders derived from the given executable path (and the environment, as above).
    explicit AppInfo(const std::string& executablePath);

    const std::string version;
    const std::string name;
    const std::string mainWindowCaption;
    const std::string supportMail;
    const std::string programFolder;   // the executable's folder, ending with "/"
    // A writable "indexer/" inside programFolder, else the one in the user's data folder (ServicesFolderChoice.h).
    const std::string servicesFolder;
};

}  // namespace larkspire
