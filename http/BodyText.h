#pragma once

#include <string>
#include <string_view>

namespace larkspire {

// The charset parameter of a Content-Type value, empty when there is none.
std::u16string CharsetOfContentType(std::u16string_view contentType);

// The charset an HTML body declares in a meta tag ("charset" or "http-equiv" Content-Type), empty when none.
std::u16string CharsetOfHtmlMeta(std::string_view body);

// UTF-8 bytes as text, each ill-formed sequence as one U+FFFD (and a leading byte-order mark dropped).
std::u16string DecodeUtf8(std::string_view bytes);

// The body as text: decoded by the charset of contentType or, for HTML, of a meta tag. UTF-8 and the
// Windows-1252 family (ISO-8859-1 and ASCII included, as browsers read them) are decoded; any other or
// no charset maps each byte to the character of the same code.
std::u16string DecodeBodyText(std::string_view body, std::u16string_view contentType);

}  // namespace larkspire
