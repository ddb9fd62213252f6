// The number text format: "0.0", or six significant digits in a fixed or an
// exponent form, the same bytes on every target.
#pragma once

// Length-prefixed (buffer of at least 14 bytes).
void FormatNumberCounted(float value, char* buffer);
// Zero-terminated.
void FormatNumberText(float value, char* buffer);
