#include "base/AppInfo.h"

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

}  // namespace

AppInfo::AppInfo() : AppInfo(RunningExecutablePath()) {}

AppInfo::AppInfo(const std::string& executablePath)
    : version("1.2.0"),
      name("Larkspire Indexer"),
      mainWindowCaption("larkspire.example Indexer V1.2.0"),
      supportMail("support@larkspire.example"),
      programFolder(FolderOf(executablePath) + '/'),
      servicesFolder(ChooseServicesFolder(programFolder, IsWritableFolder(ServicesFolderBesideProgram(programFolder)),
                                          UserServicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))))
{
}

}  // namespace larkspire
