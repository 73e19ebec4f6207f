#include "app/CommonVarsC.h"
#include "ui/formAbout.h"
#include "ui/formMain.h"
#include "ui/formTextEditor.h"

#include <QApplication>

#include <memory>
#include <thread>

int main(int argc, char** argv)
{
    using namespace larkspire;
    QApplication application(argc, argv);
    // The caption of the information boxes. Set as the application's name rather than its display
    // name, which the desktop would append to every window title.
    QApplication::setApplicationName(CommonVars().SOFTWARENAME);
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.larkspire.Indexer"));

    TTFormMain FormMain(std::thread::hardware_concurrency(), std::make_unique<CommonVars>());
    TTFormTextEditor FormTextEditor;
    TTFormAbout FormAbout;
    FormMain.SetTextEditor(&FormTextEditor);
    FormMain.SetAboutWindow(&FormAbout);

    FormMain.show();
    return QApplication::exec();
}
