#include "cli/KernelPlan.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/Values.h"

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
         "offset). --matrix, --kernel-string and --coefficients are typed into the dialog's\n"
         "fields; their scale factor is 1 (a matrix file's header scale and offset apply)\n"
         "and Autoscale is off, unless --scale, --offset or --autoscale say otherwise.\n"
         "Without any of them the plug-in's last kernel (its preferences) is used.\n\n"
         "Kernel text files: one row per line, values separated by tabs, commas or spaces;\n"
         "lines may end in CR LF, CR or LF. A value is a decimal (-0.25, .5, 3) or the\n"
         "exponent form the plug-in's Save writes (1.50000e-3, 1.23450e+4); anything else\n"
         "(+2, 1.2.3, 1e5) reads as 0.\n\n"
         "Recorded settings (--record, the preferences) carry each coefficient in five\n"
         "digits: four decimals below 1 (0.1111, 0.0005), so finer taps play back cut to\n"
         "that grid; taps below 0.0001 record as 0. Only a kernel of all zeros is\n"
         "replaced by the plug-in's default.\n\n"
         "Orientation: a kernel of other than 7 x 7 lands in the grid as the dialog's Load\n"
         "puts it, centred and transposed: the file's first row becomes the first column\n"
         "of the centre square (a 3 x 3 whose first row is 1,2,3 weighs the pixels left of\n"
         "the centre by 1, 2, 3 from top to bottom).\n"
         "A symmetric kernel is unchanged by this; give 7 x 7 or --coefficients to place\n"
         "a non-symmetric kernel exactly. Larger kernels give their centre 7 x 7, kernels\n"
         "that are not square are padded with zeros to a square first.\n";
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

// The dialog's Load takes paths of up to 255 characters and tells the formats by extension.
static Failure CheckLoadable(const std::string& path) {
  std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : "";
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (extension != ".acf" && extension != ".txt")
    return Fail(kExitUsage, path + ": --kernel takes .acf and .txt files, as the dialog's Load; use --matrix for "
                                   "a libvips matrix");
  if (path.size() > 255)
    return Fail(kExitUsage, path + ": longer than the 255 characters the dialog's Load takes; move the file or "
                                   "link it from a shorter path");
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(kExitKernel, path + ": cannot open the kernel file; check the name");
  return {};
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
    if (Failure failure = CheckLoadable(plan->loadFile)) return failure;
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
    PlaceForeignKernel(kernel, &grid);
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
