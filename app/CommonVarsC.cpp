#include "app/CommonVarsC.h"

#include <filesystem>

namespace larkspire {
namespace {

QString RunningExecutablePath()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? QString() : QString::fromStdString(path.string());
}

QString FolderOf(const QString& executablePath)
{
    return executablePath.left(executablePath.lastIndexOf(QLatin1Char('/')));
}

}  // namespace

CommonVars::CommonVars() : CommonVars(RunningExecutablePath()) {}

CommonVars::CommonVars(const QString& executablePath)
    : SOFTWAREVERSION(QStringLiteral("1.2.0")),
      SOFTWARENAME(QStringLiteral("Larkspire Indexer")),
      MAINFORMCAPTION(QStringLiteral("larkspire.example Indexer V1.2.0")),
      SUPPORTMAIL(QStringLiteral("support@larkspire.example")),
      MAINDIR(FolderOf(executablePath) + QLatin1Char('/')),
      INDEXERDIR(MAINDIR + QStringLiteral("indexer/"))
{
}

}  // namespace larkspire
