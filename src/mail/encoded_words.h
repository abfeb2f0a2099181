#pragma once
// Header text prepared for GMime's RFC 2047 decoder. GMime 3.2 decodes neighbouring base64
// encoded words of one charset as a single stream, so the padding of the first ends the text,
// and it drops the last bytes of a word without padding; mail programs decode each word by
// itself and read a missing padding as if it were there. Stateless.
#include <string>
#include <string_view>

namespace tidewell::mail {

// The text with every base64 ("B") encoded word rewritten as a "Q" encoded word of the same
// bytes and charset; everything else, and every word that does not read as an encoded word,
// is left as it is.
std::string base64WordsAsQuoted(std::string_view text);

// The length of the header section of a raw message: up to and including its first empty line,
// or all of it when there is none.
std::size_t headerSectionLength(std::string_view raw);

}  // namespace tidewell::mail
