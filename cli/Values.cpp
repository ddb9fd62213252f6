#include "cli/Values.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Skips a run of digits from at; returns how many.
size_t SkipDigits(const std::string& text, size_t* at) {
  size_t start = *at;
  while (*at < text.size() && IsDigit(text[*at])) ++*at;
  return *at - start;
}

bool IsPlainDecimal(const std::string& text) {
  size_t at = 0;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  size_t digits = SkipDigits(text, &at);
  if (at < text.size() && text[at] == '.') {
    ++at;
    digits += SkipDigits(text, &at);
  }
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    if (SkipDigits(text, &at) == 0) return false;
  }
  return at == text.size();
}

std::string Range(double low, double high) {
  char text[64];
  std::snprintf(text, sizeof text, "%g to %g", low, high);
  return text;
}

}  // namespace

bool ReadDecimal(const std::string& text, double* value) {
  if (!IsPlainDecimal(text)) return false;
  *value = std::strtod(text.c_str(), nullptr);
  return std::isfinite(*value);
}

std::string CoefficientProblem(double value) {
  return std::fabs(value) <= kCoefficientLimit ? "" : "a coefficient must lie in " + Range(-kCoefficientLimit, kCoefficientLimit);
}

std::string ScaleProblem(double value) {
  if (value == 0) return "a scale factor of 0 would divide every sum by zero; give one above 0, up to 10000";
  return value > 0 && value <= SettingOf(kScaleParam).maximum ? "" : "the scale factor must lie above 0, up to 10000";
}

std::string OffsetProblem(double value) { return SettingProblem(SettingOf(kOffsetParam), value); }

std::string SettingProblem(const RecordedSetting& setting, double value) {
  if (&setting == &SettingOf(kScaleParam)) return ScaleProblem(value);
  if (value >= setting.minimum && value <= setting.maximum) return "";
  return std::string(setting.description) + " must lie in " + Range(setting.minimum, setting.maximum);
}

Failure ValueFailure(ExitCode code, const std::string& where, const std::string& text, const std::string& problem) {
  return Fail(code, where + " \"" + text + "\": " +
                        (problem.empty() ? "not a plain decimal number (no NaN, infinity or hexadecimal)" : problem));
}
