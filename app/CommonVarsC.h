#pragma once

#include <QString>

namespace larkspire {

// The application constants, fixed when made and read-only afterwards (safe to read from any thread).
class CommonVars {
public:
    // The folders are derived from the running executable's location.
    CommonVars();
    // For tests: the folders derived from the given executable path.
    explicit CommonVars(const QString& executablePath);

    const QString SOFTWAREVERSION;
    const QString SOFTWARENAME;
    const QString MAINFORMCAPTION;
    const QString SUPPORTMAIL;
    const QString MAINDIR;
    const QString INDEXERDIR;
};

}  // namespace larkspire
