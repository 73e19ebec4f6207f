#pragma once

#include <QStringView>

namespace larkspire {

// What a row's status text says about its check, for the window's summary and colours and for the exports.
enum class StatusKind { NotChecked, UnderWay, Completed, Error, Timeout, Aborted };

// An empty status is a row not checked yet; "Error <code>" and any text no check ends with count as errors,
// so that no row falls outside the summary.
StatusKind StatusKindOf(QStringView status);

// A check that ended without success: an HTTP error, a time-out or aborted.
bool IsFailure(StatusKind kind);

}  // namespace larkspire
