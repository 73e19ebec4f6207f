#pragma once

#include "base/AppInfo.h"
#include "ui/main/MainWindow.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace larkspire {

// A main window whose executable folder is a fresh temporary folder, so its services folder
// ("<temp>/indexer/") starts missing and every file the test writes stays inside it; its remembered settings
// live there too, never in the user's own.
class MainWindowFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Folder() + QStringLiteral("settings"));
    }

    QString Folder() const { return folder_.path() + QLatin1Char('/'); }
    QString ServicesFolder() const { return Folder() + QStringLiteral("indexer/"); }
    std::unique_ptr<AppInfo> MakeVars() const
    {
        return std::make_unique<AppInfo>((Folder() + QStringLiteral("larkspire-indexer")).toStdString());
    }
    std::unique_ptr<MainWindow> MakeWindow(unsigned processors = 4) const
    {
        return std::make_unique<MainWindow>(processors, MakeVars());
    }

    // Writes `bytes` to `name` inside the temporary folder (creating its sub-folders) and returns the path.
    QString WriteFile(const QString& name, const QByteArray& bytes) const;
    QString WriteServices(const QString& name, const QByteArray& bytes) const
    {
        return WriteFile(QStringLiteral("indexer/") + name, bytes);
    }
    static QByteArray ReadBytes(const QString& path);

    template <typename T>
    static T* Child(const QWidget& window, const char* name)
    {
        T* child = window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

private:
    QTemporaryDir folder_;
};

}  // namespace larkspire
