#include "base/PingStatus.h"

#include "base/AsciiText.h"

namespace larkspire {

std::u16string ErrorStatus(std::int32_t code) { return u"Error " + DecimalText(code); }

}  // namespace larkspire
