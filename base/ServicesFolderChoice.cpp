#include "base/ServicesFolderChoice.h"

#include <filesystem>
#include <unistd.h>

namespace larkspire {

namespace fs = std::filesystem;

namespace {

constexpr const char* kServicesFolderName = "indexer/";

}  // namespace

std::string ServicesFolderBesideProgram(const std::string& programFolder)
{
    return programFolder + kServicesFolderName;
}

std::string ShippedServicesFolder(const std::string& programFolder)
{
    return programFolder + "../share/larkspire-indexer/" + kServicesFolderName;
}

std::string UserServicesFolder(const char* xdgDataHome, const char* home)
{
    const std::string data = xdgDataHome ? xdgDataHome : "";
    if (data.starts_with('/')) return data + "/larkspire-indexer/" + kServicesFolderName;
    const std::string homeFolder = home ? home : "";
    if (homeFolder.starts_with('/')) return homeFolder + "/.local/share/larkspire-indexer/" + kServicesFolderName;
    return {};
}

bool IsWritableFolder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(path, error) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string ChooseServicesFolder(const std::string& programFolder, bool besideIsWritable, const std::string& userFolder)
{
    return besideIsWritable || userFolder.empty() ? ServicesFolderBesideProgram(programFolder) : userFolder;
}

void CreateServicesFolderOnFirstStart(const std::string& programFolder, const std::string& servicesFolder)
{
    std::error_code error;
    if (servicesFolder == ServicesFolderBesideProgram(programFolder) || fs::exists(servicesFolder, error)) return;
    if (!fs::create_directories(servicesFolder, error)) return;
    for (const fs::directory_entry& entry : fs::directory_iterator(ShippedServicesFolder(programFolder), error)) {
        std::error_code skipped;
        if (entry.is_regular_file(skipped))
            fs::copy_file(entry.path(), fs::path(servicesFolder) / entry.path().filename(), skipped);
    }
}

}  // namespace larkspire
