#include "ping/RowChecker.h"

#include "ping/HttpUtilC.h"

namespace larkspire {

std::u16string CheckWithHttpUtil(const std::u16string& url, int timeoutSeconds) {
    HttpUtil HttpClient(timeoutSeconds, false);
    std::u16string status;
    HttpClient.GetPage(url, status);
    return status;
}

}  // namespace larkspire
