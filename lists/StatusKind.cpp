#include "lists/StatusKind.h"

#include "base/PingStatus.h"

namespace larkspire {
namespace {

QStringView View(std::u16string_view text) { return QStringView(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

StatusKind StatusKindOf(QStringView status)
{
    if (status.isEmpty()) return StatusKind::NotChecked;
    if (status == View(StatusCompleted)) return StatusKind::Completed;
    if (status == View(StatusPinging)) return StatusKind::UnderWay;
    if (status == View(StatusTimeout)) return StatusKind::Timeout;
    if (status == View(StatusAborted)) return StatusKind::Aborted;
    return StatusKind::Error;
}

bool IsFailure(StatusKind kind)
{
    return kind == StatusKind::Error || kind == StatusKind::Timeout || kind == StatusKind::Aborted;
}

}  // namespace larkspire
