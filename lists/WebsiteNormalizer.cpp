#include "lists/WebsiteNormalizer.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <memory>
#include <stdexcept>

namespace larkspire {

namespace {

// The scheme and "www." prefix; "^" without multi-line mode anchors at the start of the text only.
constexpr char16_t PrefixPattern[] = u"^(?:https?:\\/\\/)?(?:www\\.)?";

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};

struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// Compiled once; a compiled pattern may be shared by threads that each use their own match data.
const pcre2_code& PrefixExpression()
{
    static const std::unique_ptr<pcre2_code, CodeDeleter> code = [] {
        int errorCode = 0;
        PCRE2_SIZE errorOffset = 0;
        pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(PrefixPattern), PCRE2_ZERO_TERMINATED, 0,
                                             &errorCode, &errorOffset, nullptr);
        if (!compiled) throw std::logic_error("the website prefix expression does not compile");
        return std::unique_ptr<pcre2_code, CodeDeleter>(compiled);
    }();
    return *code;
}

}  // namespace

QString NormalizeWebsite(const QString& text)
{
    QString result = text;
    if (result.endsWith(u'/')) result.chop(1);

    const pcre2_code& expression = PrefixExpression();
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> match(
        pcre2_match_data_create_from_pattern(&expression, nullptr));
    if (!match) throw std::bad_alloc();
    const int found = pcre2_match(&expression, reinterpret_cast<PCRE2_SPTR>(result.utf16()),
                                  static_cast<PCRE2_SIZE>(result.size()), 0, 0, match.get(), nullptr);
    if (found < 0) return result;
    const PCRE2_SIZE matchEnd = pcre2_get_ovector_pointer(match.get())[1];
    return result.mid(static_cast<qsizetype>(matchEnd));
}

}  // namespace larkspire
