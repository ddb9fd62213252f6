// Writers for the little-endian resource images the generator emits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using ResourceBytes = std::vector<uint8_t>;

void PutByte(ResourceBytes& bytes, uint8_t value);
void PutWord(ResourceBytes& bytes, uint16_t value);
void PutLong(ResourceBytes& bytes, uint32_t value);
void PutZeros(ResourceBytes& bytes, size_t count);
// A count byte, then the characters; callers assert at compile time that
// their texts fit a count byte.
void PutPrefixedText(ResourceBytes& bytes, std::string_view text);
// The characters widened to 16 bits, then a zero character.
void PutWideText(ResourceBytes& bytes, std::string_view text);
// Zero bytes up to the next multiple of alignment from the image's start.
void PadTo(ResourceBytes& bytes, size_t alignment);
