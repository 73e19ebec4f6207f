#pragma once

#include <string>

namespace larkspire {

// The program's name, version, caption and support address, and the folders derived from where the
// executable lives. Fixed when made and read-only afterwards (safe to read from any thread). Texts are UTF-8.
class AppInfo {
public:
    // The folders are derived from the running executable's location.
    AppInfo();
    // For tests: the folders derived from the given executable path.
    explicit AppInfo(const std::string& executablePath);

    const std::string version;
    const std::string name;
    const std::string mainWindowCaption;
    const std::string supportMail;
    const std::string programFolder;   // the executable's folder, ending with "/"
    const std::string servicesFolder;  // "indexer/" inside programFolder
};

}  // namespace larkspire
