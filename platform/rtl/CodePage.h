// Code page 936 (simplified Chinese, the 8-bit encoding of the product's ini,
// skin and string files) to UTF-8 and back, and the reader rule for 8-bit
// text: UTF-8 when it is valid UTF-8, code page 936 otherwise.
// All calls are thread-safe.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Bytes that are not valid code page 936, including a lead byte cut off at the
// end, become '?' each.
std::string Cp936ToUtf8(std::string_view bytes);
// Characters code page 936 cannot hold, and bytes that are not valid UTF-8,
// become '?' each.
std::string Utf8ToCp936(std::string_view utf8);
// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
// A leading UTF-8 byte-order mark is dropped; then valid UTF-8 stays as it
// is and anything else is read as code page 936.
std::string DecodeText8(std::string_view bytes);

// Decodes the UTF-8 sequence at s[i] into `cp` and returns its length, or 0
// when the bytes there are not a valid sequence (or `i` is past the end).
std::size_t DecodeUtf8Char(std::string_view s, std::size_t i, char32_t& cp);
// Appends `cp` (at most U+10FFFF, no surrogate) as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
