#include "filter/Kernel.h"

#include <algorithm>

// A symmetric smoothing kernel; its coefficients add up to about 0.99832.
const float DefaultKernel[kCoefficientCount] = {
    0.0f,     0.00307f, 0.00676f, 0.0086f,  0.00676f, 0.00307f, 0.0f,
    0.00307f, 0.01106f, 0.02355f, 0.02991f, 0.02355f, 0.01106f, 0.00307f,
    0.00676f, 0.02355f, 0.04937f, 0.0635f,  0.04937f, 0.02355f, 0.00676f,
    0.0086f,  0.02991f, 0.0635f,  0.08152f, 0.0635f,  0.02991f, 0.0086f,
    0.00676f, 0.02355f, 0.04937f, 0.0635f,  0.04937f, 0.02355f, 0.00676f,
    0.00307f, 0.01106f, 0.02355f, 0.02991f, 0.02355f, 0.01106f, 0.00307f,
    0.0f,     0.00307f, 0.00676f, 0.0086f,  0.00676f, 0.00307f, 0.0f,
};

bool IsEmptyKernel(const float* coefficients) {
  return std::all_of(coefficients, coefficients + kCoefficientCount, [](float c) { return c == 0; });
}
