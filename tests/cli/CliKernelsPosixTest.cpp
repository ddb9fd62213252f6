// Kernels from other tools' notations and where they land in the 7 x 7 grid.
#include <vips/vips.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "cli/ForeignKernels.h"
#include "cli/KernelPlan.h"
#include "cli/Picture.h"
#include "cli/Values.h"
#include "dialog/KernelFiles.h"
#include "tests/cli/CliSupport.h"

namespace {

float At(const KernelGrid& grid, int row, int column) { return grid[size_t(7 * row + column)]; }

TEST(CliKernels, VipsMatrixGivesValuesScaleAndOffset) {
  ForeignKernel kernel;
  ASSERT_FALSE(ParseVipsMatrix("3 3 16 128\n1 2 1\n2 4 2\n1\t2 1\n\n", "blur.mat", &kernel));
  EXPECT_EQ(kernel.width, 3);
  EXPECT_EQ(kernel.height, 3);
  EXPECT_EQ(kernel.scale, 16.0);
  EXPECT_EQ(kernel.offset, 128.0);
  EXPECT_EQ(kernel.values, (std::vector<double>{1, 2, 1, 2, 4, 2, 1, 2, 1}));
  ASSERT_FALSE(ParseVipsMatrix("1 3\n-1.5e-1\n0\n2.5\n", "column.mat", &kernel));
  EXPECT_EQ(kernel.scale, 1.0);
  EXPECT_EQ(kernel.offset, 0.0);
  EXPECT_EQ(kernel.values, (std::vector<double>{-0.15, 0, 2.5}));
}

TEST(CliKernels, VipsMatrixFaultsAreNamed) {
  ForeignKernel kernel;
  auto refusal = [&](const std::string& text) {
    Failure failure = ParseVipsMatrix(text, "k.mat", &kernel);
    EXPECT_EQ(failure.code, kExitKernel) << text;
    return failure.message;
  };
  EXPECT_NE(refusal("").find("empty"), std::string::npos);
  EXPECT_NE(refusal("three by three\n").find("first line"), std::string::npos);
  EXPECT_NE(refusal("2 2\n1 1\n1 1\n").find("only odd sizes"), std::string::npos);
  EXPECT_NE(refusal("3 3\n1 1 1\n1 1 1\n").find("3 rows but 2"), std::string::npos);
  EXPECT_NE(refusal("3 1\n1 1\n").find("2 values where the header announces 3"), std::string::npos);
  EXPECT_NE(refusal("1 1\nx\n").find("\"x\": not a plain decimal"), std::string::npos);
  EXPECT_NE(refusal("1 1 0\n1\n").find("divide every sum by zero"), std::string::npos);
}

TEST(CliKernels, MagickStringsWithAndWithoutSize) {
  ForeignKernel kernel;
  ASSERT_FALSE(ParseMagickKernel("3x3: 0,-1,0, -1,5,-1, 0,-1,0", &kernel));
  EXPECT_EQ(kernel.width, 3);
  EXPECT_EQ(kernel.values[4], 5.0);
  ASSERT_FALSE(ParseMagickKernel("5x1+2+0: 1 2 3 2 1", &kernel));
  EXPECT_EQ(kernel.width, 5);
  EXPECT_EQ(kernel.height, 1);
  ASSERT_FALSE(ParseMagickKernel("3: 1,0,1,1,1,1,1,1,1", &kernel));
  EXPECT_EQ(kernel.height, 3);
  ASSERT_FALSE(ParseMagickKernel("1 2 3 4 5 6 7 8 9", &kernel));
  EXPECT_EQ(kernel.width, 3);

  auto refusal = [&](const std::string& text) {
    Failure failure = ParseMagickKernel(text, &kernel);
    EXPECT_EQ(failure.code, kExitKernel) << text;
    return failure.message;
  };
  EXPECT_NE(refusal("Gaussian:0x1").find("named kernels"), std::string::npos);
  EXPECT_NE(refusal("3x3+0+0: 1,1,1,1,1,1,1,1,1").find("not the centre"), std::string::npos);
  EXPECT_NE(refusal("3x3: 1,1,1").find("3 values for a 3 x 3"), std::string::npos);
  EXPECT_NE(refusal("1,2,3,4").find("give the size first"), std::string::npos);
  EXPECT_NE(refusal("4x4: 1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1").find("only odd sizes"), std::string::npos);
}

TEST(CliKernels, CoefficientListsNeedAll49) {
  KernelGrid grid{};
  std::string list;
  for (int i = 0; i < 49; ++i) list += std::to_string(i) + (i % 7 == 6 ? "\n" : ", ");
  ASSERT_FALSE(ParseCoefficientList(list, &grid));
  EXPECT_EQ(At(grid, 1, 2), 9.0f);  // row by row, not transposed
  EXPECT_NE(ParseCoefficientList("1,2,3", &grid).message.find("3 numbers"), std::string::npos);
}

TEST(CliKernels, PlacementKeepsEachTapsOffsetFromTheCentre) {
  auto kernel = [](int32_t width, int32_t height, std::vector<double> values) {
    ForeignKernel made;
    made.width = width;
    made.height = height;
    made.values = std::move(values);
    return made;
  };
  std::vector<double> nine(81, 0.0);
  nine[9 * 2 + 7] = 5;  // row 3, column 8: two rows up, three columns right of the centre
  const std::vector<std::pair<ForeignKernel, std::vector<std::pair<int, float>>>> cases = {
      {kernel(3, 3, {1, 2, 3, 0, 0, 0, 0, 0, 0}), {{7 * 2 + 2, 1}, {7 * 2 + 3, 2}, {7 * 2 + 4, 3}}},  // not transposed
      {kernel(3, 1, {1, 2, 3}), {{7 * 3 + 2, 1}, {7 * 3 + 3, 2}, {7 * 3 + 4, 3}}},  // a row stays a row
      {kernel(1, 3, {1, 2, 3}), {{7 * 2 + 3, 1}, {7 * 3 + 3, 2}, {7 * 4 + 3, 3}}},
      {kernel(9, 9, nine), {{7 * 1 + 6, 5}}},
  };
  for (const auto& [foreign, taps] : cases) {
    KernelGrid grid{}, expected{};
    for (auto [index, value] : taps) expected[size_t(index)] = value;
    ASSERT_FALSE(PlaceForeignKernel(foreign, "k", &grid));
    EXPECT_EQ(grid, expected) << foreign.width << " x " << foreign.height;
  }
  nine[0] = 1;
  KernelGrid grid{};
  Failure failure = PlaceForeignKernel(kernel(9, 9, nine), "wide.mat", &grid);
  EXPECT_EQ(failure.code, kExitKernel);
  EXPECT_NE(failure.message.find("wide.mat: the tap at row 1, column 1 lies outside the centre 7 x 7"),
            std::string::npos) << failure.message;
}

// A 9 x 9 matrix file whose one tap of 1 stands at row, column (from 0).
std::string NineByNineWithOneTap(int row, int column) {
  std::string text = "9 9\n";
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c) text += std::string(r == row && c == column ? "1" : "0") + (c == 8 ? "\n" : " ");
  return text;
}

// The reference is libvips's own convolution of the same matrix file, away from the edges.
TEST(CliKernels, MatricesAndKernelStringsGiveVipsConvPixels) {
  CliTempDir dir;
  Picture start;  // starts libvips the command's way
  ReadPicture("/nonexistent", &start);
  VipsImage *noise = nullptr, *gray = nullptr;
  ASSERT_EQ(vips_gaussnoise(&noise, 40, 30, "mean", 128.0, "sigma", 60.0, nullptr), 0);
  ASSERT_EQ(vips_cast_uchar(noise, &gray, nullptr), 0);
  ASSERT_EQ(vips_pngsave(gray, dir.Path("in.png").c_str(), nullptr), 0);
  struct Case {
    std::string matrix;
    std::vector<std::string> sameAsString;  // the same kernel as a string, or nothing
  };
  const Case cases[] = {
      {"3 3\n0 0 0\n0 0 1\n0 0 0\n", {"--kernel-string", "3x3: 0,0,0,0,0,1,0,0,0"}},
      {"3 3 4 10\n0 0 0\n3 1 0\n0 -1 0\n", {}},
      {"5 3 9\n1 0 2 0 1\n0 1 1 1 0\n1 0 0 0 3\n", {}},
      {NineByNineWithOneTap(5, 7), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.matrix);
    WriteString(dir.Path("k.mat"), c.matrix);
    VipsImage *mask = nullptr, *convolved = nullptr;
    ASSERT_EQ(vips_matrixload(dir.Path("k.mat").c_str(), &mask, nullptr), 0) << vips_error_buffer();
    ASSERT_EQ(vips_conv(gray, &convolved, mask, nullptr), 0) << vips_error_buffer();
    std::vector<std::vector<std::string>> runs = {{"--matrix", dir.Path("k.mat")}};
    if (!c.sameAsString.empty()) runs.push_back(c.sameAsString);
    for (const std::vector<std::string>& options : runs) {
      CliResult result = FilterFile(dir.Path("in.png"), dir.Path("out.png"), options);
      ASSERT_EQ(result.status, 0) << result.err;
      Picture out;
      ASSERT_FALSE(ReadPicture(dir.Path("out.png"), &out));
      int worst = 0;
      for (int y = 4; y < 26; ++y)
        for (int x = 4; x < 36; ++x) {
          double* pixel = nullptr;
          int bands = 0;
          ASSERT_EQ(vips_getpoint(convolved, &pixel, &bands, x, y, nullptr), 0);
          double reference = std::clamp(std::round(pixel[0]), 0.0, 255.0);
          g_free(pixel);
          worst = std::max(worst, int(std::fabs(out.image.Sample(x, y, 0) - reference)));
        }
      EXPECT_LE(worst, 1) << options[0];
    }
    g_object_unref(mask);
    g_object_unref(convolved);
  }
  g_object_unref(noise);
  g_object_unref(gray);
}

ParsedArguments Arguments(std::map<std::string, std::string> values, std::vector<std::string> switches = {}) {
  ParsedArguments parsed;
  parsed.values = std::move(values);
  parsed.switches = std::move(switches);
  return parsed;
}

TEST(CliKernels, PlansDefaultToUnitScaleWithoutAutoscaleForTypedKernels) {
  KernelPlan plan;
  ASSERT_FALSE(KernelPlanFromArguments(Arguments({{"kernel-string", "3x3: 0,-1,0,-1,5,-1,0,-1,0"}}), &plan));
  ASSERT_TRUE(plan.grid.has_value());
  EXPECT_EQ(At(*plan.grid, 3, 3), 5.0f);
  EXPECT_EQ(plan.scale, 1.0f);
  EXPECT_EQ(plan.offset, 0.0f);
  EXPECT_EQ(plan.autoscale, false);

  CliTempDir dir;
  WriteString(dir.Path("k.mat"), "1 1 4 -8\n2\n");
  plan = {};
  ASSERT_FALSE(KernelPlanFromArguments(Arguments({{"matrix", dir.Path("k.mat")}, {"offset", "3"}}), &plan));
  EXPECT_EQ(plan.scale, 4.0f);
  EXPECT_EQ(plan.offset, 3.0f);  // the option wins over the header

  plan = {};
  ASSERT_FALSE(KernelPlanFromArguments(Arguments({}, {"autoscale"}), &plan));
  EXPECT_FALSE(plan.grid.has_value());
  EXPECT_FALSE(plan.scale.has_value());  // the preferences keep theirs
  EXPECT_EQ(plan.autoscale, true);
}

TEST(CliKernels, PlansRefuseConflictsAndRanges) {
  KernelPlan plan;
  EXPECT_EQ(KernelPlanFromArguments(Arguments({{"kernel", "a.txt"}, {"matrix", "b.mat"}}), &plan).code, kExitUsage);
  EXPECT_EQ(KernelPlanFromArguments(Arguments({}, {"autoscale", "no-autoscale"}), &plan).code, kExitUsage);
  EXPECT_EQ(KernelPlanFromArguments(Arguments({{"scale", "10001"}}), &plan).code, kExitUsage);
  EXPECT_EQ(KernelPlanFromArguments(Arguments({{"offset", "ten"}}), &plan).code, kExitUsage);
  EXPECT_EQ(KernelPlanFromArguments(Arguments({{"kernel", "/nonexistent/k.txt"}}), &plan).code, kExitKernel);
  EXPECT_EQ(KernelPlanFromArguments(Arguments({{"kernel", "k.mat"}}), &plan).code, kExitUsage);
  EXPECT_EQ(KernelPlanFromArguments(Arguments({{"kernel", std::string(300, 'k') + ".TXT"}}), &plan).code, kExitUsage);
  CliTempDir dir;
  WriteString(dir.Path("big.mat"), "1 1 20000\n1\n");
  Failure failure = KernelPlanFromArguments(Arguments({{"matrix", dir.Path("big.mat")}}), &plan);
  EXPECT_EQ(failure.code, kExitKernel);
  EXPECT_NE(failure.message.find("up to 10000"), std::string::npos);
}

}  // namespace

namespace {

// Every kernel source takes the same numbers and refuses the same ones, with one message for scale 0.
TEST(CliValues, EverySourceAcceptsAndRefusesTheSameNumbers) {
  double value = 0;
  for (const char* good : {"1", "-1", "+2.5", ".5", "5.", "2e-3", "1E2", "99999", "-0"}) {
    EXPECT_TRUE(ReadDecimal(good, &value)) << good;
  }
  for (const char* bad : {"", "nan", "NaN", "inf", "-infinity", "0x10", "1e400", "1,5", "1.2.3", "e5", "--1", "1e", " 1"}) {
    EXPECT_FALSE(ReadDecimal(bad, &value)) << bad;
  }
  CliTempDir dir;
  KernelPlan plan;
  ForeignKernel kernel;
  KernelGrid grid{};
  for (const char* bad : {"nan", "0x10", "inf", "1e400", "100000"}) {
    SCOPED_TRACE(bad);
    std::string number = bad;
    EXPECT_EQ(ParseMagickKernel("1x1: " + number, &kernel).code, kExitKernel);
    EXPECT_EQ(ParseVipsMatrix("1 1\n" + number + "\n", "k.mat", &kernel).code, kExitKernel);
    std::string coefficients = number;
    for (int i = 1; i < 49; ++i) coefficients += ",0";
    EXPECT_EQ(ParseCoefficientList(coefficients, &grid).code, kExitKernel);
  }
  for (const char* bad : {"nan", "0x10", "inf", "0", "-1", "10001"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(KernelPlanFromArguments(Arguments({{"scale", bad}}), &plan).code, kExitUsage);
    EXPECT_EQ(ParseVipsMatrix(std::string("1 1 ") + bad + "\n1\n", "k.mat", &kernel).code, kExitKernel);
  }
  Failure option = KernelPlanFromArguments(Arguments({{"scale", "0"}}), &plan);
  Failure matrix = ParseVipsMatrix("1 1 0\n1\n", "k.mat", &kernel);
  std::string message = ScaleProblem(0);
  EXPECT_NE(option.message.find(message), std::string::npos) << option.message;
  EXPECT_NE(matrix.message.find(message), std::string::npos) << matrix.message;
  EXPECT_EQ(KernelPlanFromArguments(Arguments({{"offset", "10000.5"}}), &plan).code, kExitUsage);
  ASSERT_FALSE(KernelPlanFromArguments(Arguments({{"scale", "0.5"}, {"offset", "-10000"}}), &plan));
  EXPECT_EQ(plan.scale, 0.5f);
}

}  // namespace
