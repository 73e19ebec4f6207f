#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace larkspire::test {

// The real program started as a process on the offscreen platform, with the driver library standing in for
// the user (see driver/ProgramDriver.cpp). Killed at the end of the test if it still runs.
class DrivenProgram {
public:
    DrivenProgram(const QString& program, const std::vector<std::pair<QString, QString>>& driverSettings);
    ~DrivenProgram();

    bool Started() const { return started_; }
    QProcess& Process() { return process_; }
    // Waits until the program has written `marker` to its standard error or has ended; true when it was written.
    // The program may have ended by the time this returns.
    bool WaitForError(const QByteArray& marker);
    QByteArray Errors();

private:
    QProcess process_;
    QByteArray errors_;
    bool started_ = false;
};

}  // namespace larkspire::test
