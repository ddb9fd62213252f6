// Zero-terminated and length-prefixed texts, and copies and joins that never
// pass the end of their buffer.
#pragma once

#include <cstdint>

// A length-prefixed text (count byte, characters) becomes zero-terminated in
// place: the characters move one place to the front.
void PrefixedToTerminated(char* text);
// A zero-terminated text becomes length-prefixed in place; the length is
// capped at 255 characters.
void TerminatedToPrefixed(char* text);
// Copies up to the terminator or `size` characters, then forces a terminator
// into the last byte of target. A null source gives an empty target.
void CopyTextBounded(const char* source, char* target, uint32_t size);
// target = first followed by as much of second as fits in size bytes.
// first and target may be the same buffer.
void JoinTextBounded(const char* first, const char* second, char* target, uint32_t size);
