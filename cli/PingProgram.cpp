#include "cli/PingProgram.h"

#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "base/AppInfo.h"
#include "cli/AbortSignals.h"
#include "cli/CommandLine.h"
#include "cli/HeadlessWindow.h"
#include "cli/ProgressReport.h"
#include "cli/ResultsFile.h"
#include "http/UrlChecker.h"
#include "lists/FileErrors.h"
#include "lists/PingListExpansion.h"
#include "lists/PingTable.h"
#include "lists/PingTableColumns.h"
#include "lists/TextListFile.h"
#include "run/RunThread.h"

namespace larkspire {

namespace {

constexpr auto kServeTick = std::chrono::milliseconds(100);

const QString OutOfMemoryMessage = QStringLiteral("Out of memory: the lists or the results do not fit");

void PrintError(const QString& message) { std::fprintf(stderr, "%s\n", ErrorBoxText(message).toUtf8().constData()); }

std::string Utf8(const QString& text) { return text.toStdString(); }

// The rows the window would have for the same files: the expansion of the two lists, or the ready URLs split at
// "||" as the table fill splits every line. Each step shows on a terminal, so a long load is seen to go on.
void LoadPingTable(const PingCommandLine& command, PingTable& table, ProgressDisplay& display)
{
    if (!command.urlsPath.isEmpty()) {
        display.ShowLoading("Loading URLs " + Utf8(command.urlsPath));
        FillColumnsFromFile(table, command.urlsPath, 0, 2, QStringLiteral("||"));
        return;
    }
    QStringList websites;
    QStringList services;
    display.ShowLoading("Loading websites " + Utf8(command.websitesPath));
    LoadTextList(command.websitesPath, websites);
    display.ShowLoading("Loading services " + Utf8(command.servicesPath));
    LoadTextList(command.servicesPath, services);
    display.ShowLoading("Expanding " + std::to_string(websites.size()) + " websites x " +
                        std::to_string(services.size()) + " services");
    RebuildPingTable(table, websites, services);
}

// Starts the run and serves it on this thread until its end message. False when the run could not start.
bool RunHeadless(const std::shared_ptr<HeadlessWindow>& window, int rowCount, const PingCommandLine& command,
                 ProgressDisplay& display)
{
    RunOptions options;
    options.pause = std::chrono::milliseconds(0);
    options.checker = command.verifyTls ? CheckUrlStatusVerifyingTls : CheckUrlStatus;
    options.pace = command.pace;
    try {
        const AbortSignals::HeldForNewThreads runThreadsIgnoreSignals;
        AbortSignals::RunStarts();
        StartRun(window, options);
    } catch (const LarkspireError& error) {
        PrintError(QString::fromUtf8(error.what()));
        return false;
    } catch (const std::bad_alloc&) {
        PrintError(OutOfMemoryMessage);
        return false;
    }
    window->ServeUntilRunEnds(
        [&] {
            if (AbortSignals::Requested()) window->Abort();
            display.Update(window->Progress(), rowCount);
        },
        kServeTick);
    display.Finish();
    return true;
}

// Every requested file, each tried even when another failed. False when any failed.
bool WriteOutputs(const PingCommandLine& command, const PingTable& table)
{
    struct Export {
        const QString& path;
        int filterColumn;
        QString filterText;
    };
    const Export exports[] = {
        {command.exportCompletedPath, PingTable::ColumnPing,
         QString::fromStdU16String(std::u16string(StatusCompleted))},
        {command.exportNotCompletedPath, PingTable::ColumnPing, QString()},
        {command.exportAllPath, 0, QString()},
    };
    bool written = true;
    const auto attempt = [&](const auto& write) {
        try {
            write();
        } catch (const FileError& error) {
            PrintError(error.Message());
            written = false;
        } catch (const std::bad_alloc&) {
            PrintError(OutOfMemoryMessage);
            written = false;
        }
    };
    if (!command.resultsPath.isEmpty()) attempt([&] { WriteResults(table, command.resultsPath); });
    if (!command.jsonPath.isEmpty()) attempt([&] { WriteJsonResults(table, command.jsonPath); });
    for (const Export& selection : exports) {
        if (selection.path.isEmpty()) continue;
        attempt([&] {
            ExportColumn(table, selection.path, PingTable::ColumnUrl, selection.filterColumn, selection.filterText);
        });
    }
    if (!command.exportFailedPath.isEmpty()) attempt([&] { ExportFailedUrls(table, command.exportFailedPath); });
    return written;
}

int PingWith(const PingCommandLine& command)
{
    AbortSignals::Install();
    PingTable table;
    ProgressDisplay display;
    try {
        LoadPingTable(command, table, display);
    } catch (const LarkspireError& error) {
        display.Finish();
        PrintError(QString::fromUtf8(error.what()));
        return ExitUsageOrFile;
    } catch (const std::bad_alloc&) {
        display.Finish();
        PrintError(OutOfMemoryMessage);
        return ExitUsageOrFile;
    }
    display.Finish();

    const auto window = std::make_shared<HeadlessWindow>(table, command.threads, command.timeoutSeconds);
    if (!RunHeadless(window, table.RowCount(), command, display)) return ExitRunNotStarted;
    std::fprintf(stderr, "%s\n",
                 SummaryLine(window->Progress(), table.RowCount(), std::chrono::steady_clock::now()).c_str());

    const bool aborted = window->AbortFlag();
    const bool allChecked = window->Progress().finished.Total() >= table.RowCount();
    if (!WriteOutputs(command, table)) return ExitUsageOrFile;
    if (aborted) return ExitRunAborted;
    return allChecked ? ExitRunEnded : ExitRowsNotChecked;
}

// --help and --version: a text that could not be written whole (a full device, a closed pipe) is a failure.
int PrintToStandardOutput(const std::string& text)
{
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return ExitRunEnded;
    std::fprintf(stderr, "larkspire-ping: cannot write to standard output: %s\n", std::strerror(errno));
    return ExitUsageOrFile;
}

}  // namespace

int RunPingProgram(int argc, char** argv)
{
    // A closed standard output is a failed write to report, not a signal that ends the program before its
    // files are written.
    std::signal(SIGPIPE, SIG_IGN);
    // Past a file-size limit a write fails like one onto a full disk, so the old file is kept and the failure told.
    std::signal(SIGXFSZ, SIG_IGN);
    const int processorCount = static_cast<int>(std::thread::hardware_concurrency());
    PingCommandLine command;
    try {
        command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), processorCount);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "larkspire-ping: %s\nTry 'larkspire-ping --help' for more information.\n", error.what());
        return ExitUsageOrFile;
    }
    switch (command.action) {
    case PingCommandLine::Action::Help:
        return PrintToStandardOutput(UsageText(processorCount));
    case PingCommandLine::Action::Version:
        return PrintToStandardOutput("larkspire-ping " + AppInfo().version + "\n");
    case PingCommandLine::Action::Ping:
        break;
    }
    try {
        return PingWith(command);
    } catch (const std::bad_alloc&) {
        // Anywhere else (serving the run, writing the outputs): still a message, never an abort.
        PrintError(OutOfMemoryMessage);
        return ExitUsageOrFile;
    }
}

}  // namespace larkspire
