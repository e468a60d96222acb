// Base64 text of the signature the backup request carries: the standard
// alphabet with "=" padding. Encoding only; the library never decodes.
#pragma once

#include <cstddef>
#include <span>

namespace zpos {

// Room for the text of the largest signature (2000 bytes) and its NUL.
inline constexpr std::size_t kBase64TextSize = 4098;

// Length of the text for `n` source bytes, padding included.
constexpr std::size_t base64_length(std::size_t n) { return (n + 2) / 3 * 4; }

// Encodes `source` into `dest` and puts a NUL after the text. Returns the text
// length; a source whose text does not fit gives 0 and an empty text.
int base64_encode(std::span<const char> source, std::span<char> dest);

}  // namespace zpos
