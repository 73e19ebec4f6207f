#include "base/AppInfo.h"

#include "base/ProjectVersion.h"
#include "base/ServicesFolderChoice.h"

#include <cstdlib>
#include <filesystem>

namespace larkspire {
namespace {

std::string RunningExecutablePath()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string FolderOf(const std::string& executablePath)
{
    const std::size_t slash = executablePath.rfind('/');
    return executablePath.substr(0, slash);  // the whole path when it holds no "/"
}

std::string ServicesFolderFor(const std::string& programFolder, bool chosen)
{
    const std::string beside = ServicesFolderBesideProgram(programFolder);
    if (!chosen) return beside;
    return ChooseServicesFolder(programFolder, IsWritableFolder(beside),
                                UserServicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
}

}  // namespace

AppInfo::AppInfo() : AppInfo(RunningExecutablePath(), ServicesFolderRule::Chosen) {}

AppInfo::AppInfo(const std::string& executablePath) : AppInfo(executablePath, ServicesFolderRule::BesideProgram) {}

AppInfo::AppInfo(const std::string& executablePath, ServicesFolderRule rule)
    : version(ProjectVersion),
      name("Larkspire Indexer"),
      mainWindowCaption("larkspire.example Indexer V" + version),
      supportMail("support@larkspire.example"),
      programFolder(FolderOf(executablePath) + '/'),
      servicesFolder(ServicesFolderFor(programFolder, rule == ServicesFolderRule::Chosen))
{}

}  // namespace larkspire
