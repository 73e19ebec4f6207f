#include "tests/app/DrivenProgram.h"

#include <QProcessEnvironment>

namespace larkspire::test {

DrivenProgram::DrivenProgram(const QString& program, const std::vector<std::pair<QString, QString>>& driverSettings)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(LARKSPIRE_PROGRAM_DRIVER));
    // The driver is loaded ahead of the sanitizer runtime; threads still checking at exit hold memory.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + ":verify_asan_link_order=0:detect_leaks=0");
    for (const auto& [name, value] : driverSettings) environment.insert(name, value);
    process_.setProcessEnvironment(environment);
    process_.start(program, {});
    started_ = process_.waitForStarted(10000);
}

DrivenProgram::~DrivenProgram()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool DrivenProgram::WaitForError(const QByteArray& marker)
{
    while (!errors_.contains(marker) && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(100);
        errors_ += process_.readAllStandardError();
    }
    errors_ += process_.readAllStandardError();
    return errors_.contains(marker);
}

QByteArray DrivenProgram::Errors()
{
    errors_ += process_.readAllStandardError();
    return errors_;
}

}  // namespace larkspire::test
