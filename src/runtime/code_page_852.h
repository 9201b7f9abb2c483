// Code page 852, the Central European code page of the DRG and VZP data files: their text
// fields carry Czech letters as single bytes 0x80-0xFF. Texts that leave the library for a
// reader expecting Unicode (the host application's strings, a JSON report) are turned into
// UTF-8 here, so a quoted field value reads as the letters the hospital typed.
#pragma once
#include <string>
#include <string_view>

namespace quervik {

// The Unicode character of a code page 852 byte (bytes below 0x80 are ASCII).
char32_t codePage852Character(unsigned char byte);

// Writes the character as UTF-8 to out (room for 4 bytes) and returns how many bytes it took
// (no check: the caller passes a Unicode scalar value, or a lone surrogate it wants kept).
size_t encodeUtf8(char32_t c, char* out);

// The text as UTF-8: a sequence that is already well-formed UTF-8 stays as it is (file names
// the caller gave, texts the library composed), and every byte that is not part of one is read
// as a code page 852 character.
std::string utf8FromDataText(std::string_view text);
// Every byte read as a code page 852 character: the bytes of a data file's field, which are
// never meant as UTF-8.
std::string utf8FromCodePage852(std::string_view bytes);

// The length of the well-formed UTF-8 sequence at the start of text (1-4), or 0 when it does
// not start with one (no overlong forms, no surrogates, nothing beyond U+10FFFF).
size_t utf8SequenceLength(std::string_view text);

}  // namespace quervik
