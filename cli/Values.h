// The one rule for the numbers of every kernel source (options, kernel
// strings, matrix files, settings files): plain decimals only, as in "-1",
// "0.25" or "2e-3"; no NaN, infinity or hexadecimal; each quantity within
// the range the plug-in records and plays back, and a scale factor of 0 is
// refused everywhere, since every sum would be divided by it.
#pragma once

#include <string>

#include "cli/Failure.h"
#include "filter/RecordedSettings.h"

// The largest coefficient magnitude the recorded kernel text carries.
constexpr double kCoefficientLimit = SettingOf(kKernelParam).maximum;

// True when text is a plain finite decimal; value gets it.
bool ReadDecimal(const std::string& text, double* value);

// "" when the value is allowed, else why not ("must lie in ...").
std::string CoefficientProblem(double value);
std::string ScaleProblem(double value);
std::string OffsetProblem(double value);
// The problem of a number setting's value, by its declared range.
std::string SettingProblem(const RecordedSetting& setting, double value);

// where: the option, file or key, for the message.
Failure ValueFailure(ExitCode code, const std::string& where, const std::string& text, const std::string& problem);
