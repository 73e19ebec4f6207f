#include "base/AppInfo.h"
#include "base/ServicesFolderChoice.h"
#include "ui/about/AboutWindow.h"
#include "ui/editor/ListEditorWindow.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QIcon>

#include <memory>
#include <thread>
#include <utility>

int main(int argc, char** argv)
{
    using namespace larkspire;
    QApplication application(argc, argv);
    // The caption of the information boxes. Set as the application's name rather than its display
    // name, which the desktop would append to every window title.
    QApplication::setApplicationName(QString::fromStdString(AppInfo().name));
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.larkspire.Indexer"));
    // Set on the application, so that a window manager shows it on every window also without the desktop entry.
    // Drawing it takes Qt's SVG icon engine (Debian package libqt6svg6).
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/example.larkspire.Indexer.svg")));

    auto info = std::make_unique<AppInfo>();
    CreateServicesFolderOnFirstStart(info->programFolder, info->servicesFolder);
    MainWindow mainWindow(std::thread::hardware_concurrency(), std::move(info));
    ListEditorWindow listEditorWindow;
    AboutWindow aboutWindow;
    mainWindow.SetTextEditor(&listEditorWindow);
    mainWindow.SetAboutWindow(&aboutWindow);

    mainWindow.show();
    return QApplication::exec();
}
