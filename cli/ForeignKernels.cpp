#include "cli/ForeignKernels.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "cli/Values.h"

namespace {

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits on commas and white space; empty fields between two commas are errors.
std::vector<std::string> SplitNumbers(const std::string& text) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : text + " ") {
    if (!IsSeparator(c)) {
      field += c;
      continue;
    }
    if (!field.empty()) fields.push_back(field);
    field.clear();
  }
  return fields;
}

Failure ParseNumbers(const std::vector<std::string>& fields, const std::string& where, std::vector<double>* values) {
  for (const std::string& field : fields) {
    double value = 0;
    if (!ReadDecimal(field, &value)) return ValueFailure(kExitKernel, where, field, "");
    if (std::string problem = CoefficientProblem(value); !problem.empty())
      return ValueFailure(kExitKernel, where, field, problem);
    values->push_back(value);
  }
  return {};
}

Failure ParseQuantity(const std::string& text, const std::string& where, std::string (*problemOf)(double),
                      double* value) {
  if (!ReadDecimal(text, value)) return ValueFailure(kExitKernel, where, text, "");
  if (std::string problem = problemOf(*value); !problem.empty()) return ValueFailure(kExitKernel, where, text, problem);
  return {};
}

Failure CheckSize(int32_t width, int32_t height, const std::string& where) {
  if (width < 1 || height < 1 || width > 1001 || height > 1001)
    return Fail(kExitKernel, where + ": the kernel is " + std::to_string(width) + " x " + std::to_string(height) +
                                 "; sizes run from 1 to 1001");
  if (width % 2 == 0 || height % 2 == 0)
    return Fail(kExitKernel, where + ": the kernel is " + std::to_string(width) + " x " + std::to_string(height) +
                                 "; only odd sizes have a centre pixel");
  return {};
}

bool ParseCount(const std::string& text, int32_t* value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *value = std::atoi(text.c_str());
  return true;
}

}  // namespace

Failure ParseVipsMatrix(const std::string& text, const std::string& name, ForeignKernel* kernel) {
  std::istringstream lines(text);
  std::string line;
  std::vector<std::vector<std::string>> rows;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields = SplitNumbers(line);
    if (!fields.empty()) rows.push_back(fields);
  }
  if (rows.empty()) return Fail(kExitKernel, name + ": empty; a matrix file starts with \"width height [scale [offset]]\"");
  const std::vector<std::string>& header = rows[0];
  if (header.size() < 2 || header.size() > 4 || !ParseCount(header[0], &kernel->width) ||
      !ParseCount(header[1], &kernel->height))
    return Fail(kExitKernel, name + ": the first line must be \"width height [scale [offset]]\"");
  if (Failure failure = CheckSize(kernel->width, kernel->height, name)) return failure;
  kernel->scale = 1.0;
  kernel->offset = 0.0;
  if (header.size() > 2)
    if (Failure failure = ParseQuantity(header[2], name + " scale", ScaleProblem, &kernel->scale)) return failure;
  if (header.size() > 3)
    if (Failure failure = ParseQuantity(header[3], name + " offset", OffsetProblem, &kernel->offset)) return failure;
  if (rows.size() - 1 != size_t(kernel->height))
    return Fail(kExitKernel, name + ": the header announces " + std::to_string(kernel->height) + " rows but " +
                                 std::to_string(rows.size() - 1) + " follow");
  kernel->values.clear();
  for (size_t r = 1; r < rows.size(); ++r) {
    std::string where = name + " row " + std::to_string(r);
    if (rows[r].size() != size_t(kernel->width))
      return Fail(kExitKernel, where + ": " + std::to_string(rows[r].size()) + " values where the header announces " +
                                   std::to_string(kernel->width));
    if (Failure failure = ParseNumbers(rows[r], where, &kernel->values)) return failure;
  }
  return {};
}

// "WxH[+X+Y]" (or "N" for a square) before a kernel string's colon.
static Failure ParseMagickGeometry(const std::string& text, const std::string& where, ForeignKernel* kernel) {
  std::string geometry = text;
  geometry.erase(std::remove(geometry.begin(), geometry.end(), ' '), geometry.end());
  size_t plus = geometry.find('+');
  std::string size = geometry.substr(0, plus);
  size_t x = size.find_first_of("xX");
  if (!ParseCount(size.substr(0, x), &kernel->width) ||
      !ParseCount(x == std::string::npos ? size : size.substr(x + 1), &kernel->height))
    return Fail(kExitKernel, where + ": \"" + geometry + "\" is no size; named kernels are not understood, give "
                                     "the values as in \"3x3: 0,-1,0,-1,5,-1,0,-1,0\"");
  if (Failure failure = CheckSize(kernel->width, kernel->height, where)) return failure;
  if (plus == std::string::npos) return {};
  std::string origin = geometry.substr(plus + 1);
  size_t second = origin.find('+');
  int32_t ox = -1, oy = -1;
  if (second == std::string::npos || !ParseCount(origin.substr(0, second), &ox) ||
      !ParseCount(origin.substr(second + 1), &oy) || ox != kernel->width / 2 || oy != kernel->height / 2)
    return Fail(kExitKernel, where + ": the origin \"+" + origin + "\" is not the centre; the filter always " +
                                 "centres its kernel");
  return {};
}

Failure ParseMagickKernel(const std::string& text, ForeignKernel* kernel) {
  const std::string where = "kernel string";
  size_t colon = text.find(':');
  kernel->values.clear();
  kernel->scale = 1.0;
  kernel->offset = 0.0;
  if (colon != std::string::npos)
    if (Failure failure = ParseMagickGeometry(text.substr(0, colon), where, kernel)) return failure;
  std::string body = colon == std::string::npos ? text : text.substr(colon + 1);
  if (Failure failure = ParseNumbers(SplitNumbers(body), where, &kernel->values)) return failure;
  int32_t count = int32_t(kernel->values.size());
  if (colon == std::string::npos) {
    int32_t side = int32_t(std::lround(std::sqrt(double(count))));
    if (side * side != count || side % 2 == 0)
      return Fail(kExitKernel, where + ": " + std::to_string(count) +
                                   " values; give the size first, as in \"3x3: 0,-1,0,-1,5,-1,0,-1,0\"");
    kernel->width = kernel->height = side;
    return {};
  }
  if (count != kernel->width * kernel->height)
    return Fail(kExitKernel, where + ": " + std::to_string(count) + " values for a " + std::to_string(kernel->width) +
                                 " x " + std::to_string(kernel->height) + " kernel");
  return {};
}

Failure ParseCoefficientList(const std::string& text, KernelGrid* grid) {
  std::vector<double> values;
  if (Failure failure = ParseNumbers(SplitNumbers(text), "coefficients", &values)) return failure;
  if (values.size() != grid->size())
    return Fail(kExitKernel, "coefficients: " + std::to_string(values.size()) +
                                 " numbers; give all 49, row by row, separated by commas");
  std::transform(values.begin(), values.end(), grid->begin(), [](double v) { return float(v); });
  return {};
}

Failure PlaceForeignKernel(const ForeignKernel& kernel, const std::string& where, KernelGrid* grid) {
  grid->fill(0.0f);
  for (int32_t row = 0; row < kernel.height; ++row)
    for (int32_t column = 0; column < kernel.width; ++column) {
      double value = kernel.values[size_t(row) * kernel.width + column];
      int32_t gridRow = row - kernel.height / 2 + 3, gridColumn = column - kernel.width / 2 + 3;
      if (gridRow >= 0 && gridRow < 7 && gridColumn >= 0 && gridColumn < 7) {
        (*grid)[size_t(7 * gridRow + gridColumn)] = float(value);
      } else if (value != 0) {
        return Fail(kExitKernel, where + ": the tap at row " + std::to_string(row + 1) + ", column " +
                                     std::to_string(column + 1) +
                                     " lies outside the centre 7 x 7, the largest kernel the plug-in applies");
      }
    }
  return {};
}
