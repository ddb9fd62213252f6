#include "cli/KernelPlan.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/DialogScript.h"
#include "cli/Picture.h"
#include "cli/Values.h"
#include "dialog/KernelFiles.h"
#include "contract/Memory.h"
#include "contract/ResultCodes.h"

std::vector<OptionSpec> KernelOptions() {
  return {
      {"kernel", 'k', "FILE", "load a kernel file with the dialog's Load button (.acf or .txt)"},
      {"matrix", 0, "FILE", "a libvips matrix file: \"W H [scale [offset]]\", then the rows"},
      {"kernel-string", 0, "SPEC", "an ImageMagick-style kernel, as in \"3x3: 0,-1,0,-1,5,-1,0,-1,0\""},
      {"coefficients", 0, "LIST", "the grid's 49 numbers, row by row, separated by commas"},
      {"scale", 's', "X", "scale factor: each weighted sum is divided by X (above 0, up to 10000)"},
      {"offset", 'o', "Y", "add constant: added after the division (-10000 to 10000)"},
      {"autoscale", 'a', "", "stretch the result so that its darkest pixel is black, its lightest white"},
      {"no-autoscale", 0, "", "use the scale factor and add constant"},
  };
}

std::string KernelOptionsDetails() {
  return "Kernels: --kernel loads the file inside the plug-in, exactly as the dialog's Load\n"
         "button does (a .txt file turns Autoscale on, an .acf file brings its own scale and\n"
         "offset); a file with a value outside the ranges below, or with no number other\n"
         "than 0, is refused. --matrix, --kernel-string and --coefficients are typed into\n"
         "the dialog's fields; their scale factor is 1 (a matrix file's header scale and\n"
         "offset apply) and Autoscale is off, unless --scale, --offset or --autoscale say\n"
         "otherwise. Without any of them the plug-in's last kernel (its preferences) is used.\n"
         "Coefficients lie in -99999 to 99999, the scale factor above 0 up to 10000, the\n"
         "add constant in -10000 to 10000. On 16-bit images the add constant still counts\n"
         "in 8-bit levels: --offset 5 adds about 5 * 257 to a 16-bit sample.\n\n"
         "Kernel text files: one row per line, values separated by tabs, commas or spaces;\n"
         "lines may end in CR LF, CR or LF. A value is a decimal (-0.25, .5, 3) or the\n"
         "exponent form the plug-in's Save writes (1.50000e-3, 1.23450e+4); anything else\n"
         "(+2, 1.2.3, 1e5) reads as 0.\n\n"
         "Recordings (--record) carry each coefficient in five digits, that is with\n"
         "four decimals below 1 (0.1111, 0.0005). With --record the kernel is cut to those\n"
         "digits before the run, so that playing the recording back gives the very same\n"
         "pixels; a kernel of all zeros (which plays back as the plug-in's default) or with\n"
         "a tap that would record as 0 (below 0.0001) is refused before anything is written.\n\n"
         "Orientation: --matrix and --kernel-string mean what they mean in libvips and\n"
         "ImageMagick: the tap at row r, column c weighs the pixel r rows below and c\n"
         "columns right of the kernel's top left corner, centred on the pixel filtered\n"
         "(as vips conv does). Kernels up to 7 x 7 of any odd size fit; a larger one only\n"
         "when its taps outside the centre 7 x 7 are 0. Kernel text files keep the dialog's\n"
         "Load rule, which stored files rely on: a file of other than 7 x 7 lands centred\n"
         "and transposed (its first row becomes the first column of the centre square),\n"
         "a larger one gives its centre 7 x 7.\n";
}

static Failure ParseQuantityOption(const ParsedArguments& arguments, const std::string& name,
                                  std::string (*problemOf)(double), std::optional<float>* value) {
  if (!HasValue(arguments, name)) return {};
  std::string text = OptionValue(arguments, name);
  double number = 0;
  if (!ReadDecimal(text, &number)) return ValueFailure(kExitUsage, "--" + name, text, "");
  if (std::string problem = problemOf(number); !problem.empty()) return ValueFailure(kExitUsage, "--" + name, text, problem);
  *value = float(number);
  return {};
}

static Failure ReadTextFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(kExitKernel, path + ": cannot open the kernel file; check the name");
  std::ostringstream content;
  content << in.rdbuf();
  *text = content.str();
  return {};
}

static std::string Lowered(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// What the dialog's Load would bring, refused when it lies outside the ranges
// a recording plays back or holds no number the plug-in reads.
static Failure LoadedKernelProblem(const std::string& path, int16_t status, const LoadedKernel& loaded, bool text,
                                   const ParsedArguments& arguments) {
  // The plug-in's Load refuses squares above 1023 x 1023 before allocating them.
  if (status == memFullErr && text)
    return Fail(kExitKernel, path + ": holds more than 1023 rows and columns of values, more than the dialog's "
                                    "Load takes; keep the centre 7 x 7, which is all the plug-in applies");
  if (status != noErr) return Fail(kExitKernel, path + ": cannot be read (" + ResultCodeName(status) + ")");
  if (loaded.size < 1)
    return Fail(kExitKernel, path + ": no line holds two or more values; a kernel text file holds one row of "
                                    "numbers per line, separated by tabs, commas or spaces");
  size_t count = size_t(loaded.size) * size_t(loaded.size);
  if (std::all_of(loaded.coefficients, loaded.coefficients + count, [](float value) { return value == 0; }))
    return Fail(kExitKernel, path + (text ? ": no value reads as a number other than 0 (values are decimals "
                                            "such as -0.25 or 3; anything else reads as 0)"
                                          : ": all 25 coefficients are 0"));
  for (size_t i = 0; i < count; ++i)
    if (std::string problem = CoefficientProblem(loaded.coefficients[i]); !problem.empty())
      return ValueFailure(kExitKernel, path + " row " + std::to_string(i / size_t(loaded.size) + 1) + ", column " +
                                           std::to_string(i % size_t(loaded.size) + 1),
                          FieldText(loaded.coefficients[i]), problem);
  // --scale and --offset replace what the file brings.
  if (std::string problem = ScaleProblem(loaded.scale); !problem.empty() && !HasValue(arguments, "scale"))
    return ValueFailure(kExitKernel, path + " scale", FieldText(loaded.scale), problem);
  if (std::string problem = OffsetProblem(loaded.addConstant); !problem.empty() && !HasValue(arguments, "offset"))
    return ValueFailure(kExitKernel, path + " offset", FieldText(loaded.addConstant), problem);
  return {};
}

// The dialog's Load takes paths of up to 255 characters and tells the formats
// by extension; the file is read here with the plug-in's own reader first.
static Failure CheckLoadable(const std::string& path, const ParsedArguments& arguments) {
  std::string extension = Lowered(path.size() >= 4 ? path.substr(path.size() - 4) : "");
  if (extension != ".acf" && extension != ".txt")
    return Fail(kExitUsage, path + ": --kernel takes .acf and .txt files, as the dialog's Load; use --matrix for "
                                   "a libvips matrix");
  if (path.size() > 255)
    return Fail(kExitUsage, path + ": longer than the 255 characters the dialog's Load takes; move the file or "
                                   "link it from a shorter path");
  if (Failure failure = CheckRegularFile(path, kExitKernel)) return failure;
  bool text = extension == ".txt";
  LoadedKernel loaded{};
  int16_t status = text ? ReadTextKernel(path.c_str(), &loaded) : ReadAcfKernel(path.c_str(), &loaded);
  Failure failure = LoadedKernelProblem(path, status, loaded, text, arguments);
  DisposeBlock(loaded.coefficients);
  return failure;
}

Failure KernelPlanFromArguments(const ParsedArguments& arguments, KernelPlan* plan) {
  int sources = 0;
  for (const char* name : {"kernel", "matrix", "kernel-string", "coefficients"}) sources += HasValue(arguments, name);
  if (sources > 1)
    return Fail(kExitUsage, "give only one of --kernel, --matrix, --kernel-string and --coefficients");
  if (HasSwitch(arguments, "autoscale") && HasSwitch(arguments, "no-autoscale"))
    return Fail(kExitUsage, "give --autoscale or --no-autoscale, not both");
  plan->description = "the plug-in's last kernel";
  if (HasValue(arguments, "kernel")) {
    plan->loadFile = OptionValue(arguments, "kernel");
    plan->description = plan->loadFile;
    if (Failure failure = CheckLoadable(plan->loadFile, arguments)) return failure;
  } else if (HasValue(arguments, "coefficients")) {
    KernelGrid grid{};
    if (Failure failure = ParseCoefficientList(OptionValue(arguments, "coefficients"), &grid)) return failure;
    plan->grid = grid;
    plan->description = "--coefficients";
  } else if (HasValue(arguments, "matrix") || HasValue(arguments, "kernel-string")) {
    ForeignKernel kernel;
    if (HasValue(arguments, "matrix")) {
      std::string path = OptionValue(arguments, "matrix"), text;
      if (Failure failure = ReadTextFile(path, &text)) return failure;
      if (Failure failure = ParseVipsMatrix(text, path, &kernel)) return failure;
      plan->description = path;
    } else {
      if (Failure failure = ParseMagickKernel(OptionValue(arguments, "kernel-string"), &kernel)) return failure;
      plan->description = "--kernel-string";
    }
    KernelGrid grid{};
    if (Failure failure = PlaceForeignKernel(kernel, plan->description, &grid)) return failure;
    plan->grid = grid;
    plan->scale = float(kernel.scale);
    plan->offset = float(kernel.offset);
  }
  if (plan->grid) {
    if (!plan->scale) plan->scale = 1.0f;
    if (!plan->offset) plan->offset = 0.0f;
    plan->autoscale = false;
  }
  if (Failure failure = ParseQuantityOption(arguments, "scale", ScaleProblem, &plan->scale)) return failure;
  if (Failure failure = ParseQuantityOption(arguments, "offset", OffsetProblem, &plan->offset)) return failure;
  if (HasSwitch(arguments, "autoscale")) plan->autoscale = true;
  if (HasSwitch(arguments, "no-autoscale")) plan->autoscale = false;
  return {};
}
