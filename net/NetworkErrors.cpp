#include "net/NetworkErrors.h"

#include "net/CheckReasons.h"

namespace larkspire {

CheckCutError::CheckCutError() : LarkspireError(reason::CutByAbort) {}

ConnectionResetError::ConnectionResetError(int osErrorCode) : TransportError(reason::ConnectionReset, osErrorCode) {}

}  // namespace larkspire
