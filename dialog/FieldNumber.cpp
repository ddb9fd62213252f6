#include "dialog/FieldNumber.h"

#include <charconv>
#include <cstring>
#include <limits>

static bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal exponent of the number's leading digit, for a text that
// from_chars found out of range: above 0 it overflowed, else it underflowed.
static long LeadingExponent(const char* at, const char* end) {
  long position = 0;  // digits before the point, less zeros after it
  bool seenPoint = false;
  bool seenDigit = false;
  for (; at < end && (IsDigit(*at) || *at == '.'); ++at) {
    if (*at == '.') {
      seenPoint = true;
    } else if (*at != '0' || seenDigit) {
      if (!seenDigit && seenPoint) --position;
      seenDigit = true;
      if (!seenPoint) ++position;
    } else if (seenPoint) {
      --position;
    }
  }
  long exponent = 0;
  if (at < end && (*at == 'e' || *at == 'E')) {
    ++at;
    bool negative = at < end && *at == '-';
    if (at < end && (*at == '-' || *at == '+')) ++at;
    for (; at < end && IsDigit(*at) && exponent < 100000; ++at) exponent = exponent * 10 + (*at - '0');
    if (negative) exponent = -exponent;
  }
  return position + exponent;
}

float ConvertFieldText(const char* text) {
  const char* at = text;
  while (IsBlank(*at)) ++at;
  bool negative = *at == '-';
  if (*at == '-' || *at == '+') ++at;
  if (*at == '-' || *at == '+') return 0.0f;  // from_chars would take a second sign
  const char* end = at + std::strlen(at);
  double value = 0.0;
  auto [stop, error] = std::from_chars(at, end, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range)
    value = LeadingExponent(at, stop) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  else if (error != std::errc())
    value = 0.0;
  return float(negative ? -value : value);
}
