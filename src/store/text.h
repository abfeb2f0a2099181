#pragma once
// Text helpers shared by the whole core: UTF-8 checks, Windows-1252 decoding of files written on
// the old platform, line splitting, trimming and the case-insensitive comparisons of the store.

#include <string>
#include <string_view>
#include <vector>

namespace tidewell::store {

bool isValidUtf8(std::string_view bytes);
std::string windows1252ToUtf8(std::string_view bytes);
// Text of a file as UTF-8: valid UTF-8 lines are kept, other lines are read as Windows-1252.
std::string decodeFileText(std::string_view bytes);

// Splits at CR LF, LF or a CR alone; a final line end does not start another line.
std::vector<std::string> splitLines(std::string_view text);
// Every line followed by CR LF.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

// Removes blanks and tabs at both ends.
std::string_view trim(std::string_view text);
std::vector<std::string> split(std::string_view text, std::string_view separator);
bool containsLineBreak(std::string_view text);
// A value as one field of a TAB-separated line: a TAB or line end inside it would split the
// line, so each becomes a blank.
std::string oneLineField(std::string_view value);
// The same, with an empty value written "-" so the line keeps its columns; tabFieldValue reads
// it back.
std::string tabField(std::string_view value);
std::string tabFieldValue(std::string_view field);

// Lower-case form for comparisons without regard to case: ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic letters are folded; everything else is kept.
std::string foldCase(std::string_view text);
std::string toUpperAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);
bool containsIgnoreCase(std::string_view text, std::string_view needle);
// The same for a needle that is already folded (foldCase), as a search over many texts has.
bool containsFolded(std::string_view text, std::string_view foldedNeedle);
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);
// The bytes as characters of the alphabet (2^bitsPerCharacter of them), most significant bits
// first, the last character padded with zero bits and no padding characters: base32 and
// base64url as RFC 4648 writes them without "=".
std::string encodeBits(const unsigned char* bytes, std::size_t count, std::string_view alphabet,
                       int bitsPerCharacter);
// Every byte other than letters, digits and "-._~" as %XX (a query value or a mailto: part).
std::string percentEncode(std::string_view text);

}  // namespace tidewell::store
