#pragma once

#include <string>

namespace larkspire {

// The program's name, version, caption and support address, and the folders derived from where the
// executable lives. Fixed when made and read-only afterwards (safe to read from any thread). Texts are UTF-8.
class AppInfo {
public:
    // The folders are derived from the running executable's location; the services folder is chosen as
    // ServicesFolderChoice.h tells.
    AppInfo();
    // For tests: the folders derived from the given executable path, the services folder the one beside it whatever
    // the disk and the environment hold, so a test never reaches into the user's own folders.
    explicit AppInfo(const std::string& executablePath);

    const std::string version;
    const std::string name;
    const std::string mainWindowCaption;
    const std::string supportMail;
    const std::string programFolder;   // the executable's folder, ending with "/"
    const std::string servicesFolder;  // ending with "/"

private:
    enum class ServicesFolderRule { BesideProgram, Chosen };
    AppInfo(const std::string& executablePath, ServicesFolderRule rule);
};

}  // namespace larkspire
