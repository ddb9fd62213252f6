// The comma-terminated kernel text: 49 values in a five-digit form, each
// followed by a comma. It travels through scripting and the preferences file.
#pragma once

#include <cstdint>

// Length-prefixed five-digit form of one value (output: at least 16 bytes).
void FormatKernelValue(float value, char* output);
// Joins the value's text and a comma to the end of text (size bytes).
void AppendKernelValue(char* text, float value, uint32_t size);
void FormatKernelText(const float* values, int32_t count, char* output, uint32_t size);
// Reads count values from the end of the text; text may be null.
void ParseKernelText(float* values, int32_t count, const char* text);
float TakeLastKernelValue(char* text);
// A length-prefixed field: optional leading minus, digits, spaces, one
// point; anything else reads as 0.
float ParseDecimal(const char* field);
