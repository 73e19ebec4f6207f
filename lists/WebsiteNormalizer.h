#pragma once

#include <QString>

namespace larkspire {

// The form of a websites line that goes into the templates: one trailing "/" removed, then one
// leading "http://", "https://", "www.", "http://www." or "https://www." (case-sensitive).
// Safe to call from any thread.
QString NormalizeWebsite(const QString& text);

}  // namespace larkspire
