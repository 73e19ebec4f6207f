// Loaded into the real program with LD_PRELOAD by the tests that run it as a process, it plays the user. It
// first reports what the window shows at start (the selected services file and the websites/services
// counter, then the size its icon draws at when asked for 64x64, 0x0 for no icon). Without LARKSPIRE_DRIVER_WEBSITES it then closes the window. With it, it loads that websites file,
// sets the most threads and the longest time-out, presses Start and, once LARKSPIRE_DRIVER_CLOSE_WHEN_UNDER_WAY
// checks are under way, closes the main window. It reaches the program only through Qt's public API.
#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include <cstdio>

namespace {

QWidget* MainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->findChild<QPushButton*>(QStringLiteral("startButton"))) return widget;
    return nullptr;
}

int ChecksUnderWay(const QWidget& window)
{
    const QAbstractItemModel* model = window.findChild<QTableView*>(QStringLiteral("pingTableView"))->model();
    int count = 0;
    for (int row = 0; row < model->rowCount(); ++row)
        count += model->data(model->index(row, 1)).toString() == QStringLiteral("Pinging page...");
    return count;
}

void AnswerOpenDialogs(const QString& path)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [path] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            // The name typed into the dialog's own field, as a user would.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        }
    });
    poll->start(50);
}

void Drive()
{
    QWidget* window = MainWindow();
    if (!window) {
        std::fprintf(stderr, "driver: no main window\n");
        return;
    }
    std::fprintf(stderr, "driver: services \"%s\" counters \"%s\"\n",
                 qPrintable(window->findChild<QComboBox*>(QStringLiteral("servicesCombo"))->currentText()),
                 qPrintable(window->findChild<QLabel*>(QStringLiteral("websitesServicesValueLabel"))->text()));
    const QSize iconSize = window->windowIcon().pixmap(QSize(64, 64)).size();
    std::fprintf(stderr, "driver: window icon %dx%d\n", iconSize.width(), iconSize.height());
    std::fflush(stderr);
    const QString websites = qEnvironmentVariable("LARKSPIRE_DRIVER_WEBSITES");
    if (websites.isEmpty()) {
        window->close();
        return;
    }
    AnswerOpenDialogs(websites);
    window->findChild<QPushButton*>(QStringLiteral("loadWebsitesButton"))->click();
    auto* threads = window->findChild<QWidget*>(QStringLiteral("threadsSetting"));
    QSlider* slider = threads->findChild<QSlider*>();
    slider->setValue(slider->maximum());
    // The longest time-out keeps the checks' own ends far from the close.
    QSlider* timeout = window->findChild<QWidget*>(QStringLiteral("timeoutSetting"))->findChild<QSlider*>();
    timeout->setValue(timeout->maximum());
    window->findChild<QPushButton*>(QStringLiteral("startButton"))->click();

    // Close once enough checks are under way, or after a generous bound so a run that never gets going still
    // ends (the test then reports how many were under way).
    const int wanted = qEnvironmentVariableIntValue("LARKSPIRE_DRIVER_CLOSE_WHEN_UNDER_WAY");
    auto* poll = new QTimer(window);
    const QDeadlineTimer giveUp(120000);
    QObject::connect(poll, &QTimer::timeout, window, [window, poll, giveUp, wanted] {
        const int underWay = ChecksUnderWay(*window);
        if (underWay < wanted && !giveUp.hasExpired()) return;
        poll->stop();
        std::fprintf(
            stderr, "driver: closing with %d checks under way, time-out %s s\n", underWay,
            qPrintable(window->findChild<QWidget*>(QStringLiteral("timeoutSetting"))->findChild<QSpinBox*>()->text()));
        std::fflush(stderr);
        window->close();
    });
    poll->start(50);
}

void ScheduleDrive() { QTimer::singleShot(500, Drive); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(ScheduleDrive)
