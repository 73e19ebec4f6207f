#include "cli/PingProgram.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>
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

void PrintError(const QString& message) {
    std::fprintf(stderr, "%s\n", ErrorBoxText(message).toUtf8().constData());
}

// The rows the window would have for the same files: the expansion of the two lists, or the ready URLs split at
// "||" as the table fill splits every line.
void LoadPingTable(const PingCommandLine& command, PingTable& table) {
    if (!command.urlsPath.isEmpty()) {
        QStringList urls;
        LoadTextList(command.urlsPath, urls);
        ClearColumn(table, 0);
        FillColumnsFromLines(table, urls, 0, 2, QStringLiteral("||"));
        return;
    }
    QStringList websites;
    QStringList services;
    LoadTextList(command.websitesPath, websites);
    LoadTextList(command.servicesPath, services);
    RebuildPingTable(table, websites, services);
}

// Starts the run and serves it on this thread until its end message. False when the run could not start.
bool RunHeadless(const std::shared_ptr<HeadlessWindow>& window, int rowCount) {
    RunOptions options;
    options.pause = std::chrono::milliseconds(0);
    options.checker = CheckUrlStatus;
    try {
        const AbortSignals::HeldForNewThreads runThreadsIgnoreSignals;
        StartRun(window, options);
    } catch (const LarkspireError& error) {
        PrintError(QString::fromUtf8(error.what()));
        return false;
    }
    ProgressDisplay display;
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
bool WriteOutputs(const PingCommandLine& command, const PingTable& table) {
    struct Export {
        const QString& path;
        int filterColumn;
        QString filterText;
    };
    const Export exports[] = {
        {command.exportCompletedPath, PingTable::ColumnPing, QString::fromStdU16String(std::u16string(StatusCompleted))},
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
        }
    };
    if (!command.resultsPath.isEmpty()) attempt([&] { WriteResults(table, command.resultsPath); });
    for (const Export& selection : exports) {
        if (selection.path.isEmpty()) continue;
        attempt([&] {
            ExportColumn(table, selection.path, PingTable::ColumnUrl, selection.filterColumn, selection.filterText);
        });
    }
    return written;
}

int PingWith(const PingCommandLine& command) {
    AbortSignals::Install();
    PingTable table;
    try {
        LoadPingTable(command, table);
    } catch (const FileError& error) {
        PrintError(error.Message());
        return ExitUsageOrFile;
    }

    const auto window = std::make_shared<HeadlessWindow>(table, command.threads, command.timeoutSeconds);
    if (!RunHeadless(window, table.RowCount())) return ExitRunNotStarted;
    std::fprintf(stderr, "%s\n",
                 SummaryLine(window->Progress(), table.RowCount(), std::chrono::steady_clock::now()).c_str());

    const bool aborted = window->AbortFlag();
    if (!WriteOutputs(command, table)) return ExitUsageOrFile;
    return aborted ? ExitRunAborted : ExitRunEnded;
}

}  // namespace

int RunPingProgram(int argc, char** argv) {
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
        std::fputs(UsageText(processorCount).c_str(), stdout);
        return ExitRunEnded;
    case PingCommandLine::Action::Version:
        std::printf("larkspire-ping %s\n", AppInfo().version.c_str());
        return ExitRunEnded;
    case PingCommandLine::Action::Ping:
        break;
    }
    return PingWith(command);
}

}  // namespace larkspire
