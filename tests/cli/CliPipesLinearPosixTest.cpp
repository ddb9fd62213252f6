// Standard input and output as image files, and filtering in linear light,
// through the built tarkel program.
#include "cli/Picture.h"
#include "tests/cli/CliSupport.h"

namespace {

// The 49 coefficients of a blur that averages each pixel with its right-hand
// neighbour (give --scale 2).
std::string TwoPixelBlur() {
  std::string list;
  for (int i = 0; i < 49; ++i) list += std::string(i == 0 ? "" : ",") + (i == 24 || i == 25 ? "1" : "0");
  return list;
}

// A 1-pixel black and white checkerboard.
void WriteCheckerboard(const std::string& path, int32_t channels, int32_t depth) {
  Picture picture;
  picture.image = hostsim::MakeImage(32, 32, channels, depth);
  uint16_t white = depth == 16 ? 65535 : 255;
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 32; ++x)
      for (int32_t c = 0; c < channels; ++c) picture.image.SetSample(x, y, c, (x + y) % 2 ? white : 0);
  ASSERT_FALSE(WritePicture(path, picture, PictureFormat::png));
}

// The mean of every sample away from the borders, on the 8-bit scale.
double InnerMean(const std::string& path) {
  Picture picture;
  EXPECT_FALSE(ReadPicture(path, &picture));
  const hostsim::Image& image = picture.image;
  double sum = 0;
  int count = 0;
  for (int32_t y = 4; y < image.height - 4; ++y)
    for (int32_t x = 4; x < image.width - 4; ++x)
      for (int32_t c = 0; c < image.planes; ++c, ++count) sum += image.Sample(x, y, c);
  return sum / count / (image.depth == 16 ? 257.0 : 1.0);
}

TEST(CliLinear, ABlurredCheckerboardAveragesHalfTheLightInLinearLight) {
  CliTempDir dir;
  for (int32_t channels : {1, 3})
    for (int32_t depth : {8, 16}) {
      SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(depth) + " bits");
      std::string in = dir.Path("check.png"), out = dir.Path("out.png");
      WriteCheckerboard(in, channels, depth);
      for (bool linear : {false, true}) {
        std::vector<std::string> options = {"--coefficients", TwoPixelBlur(), "--scale", "2", "--no-autoscale"};
        if (linear) options.push_back("--linear");
        CliResult result = FilterFile(in, out, options);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_NEAR(InnerMean(out), linear ? 188 : 128, 1.0) << (linear ? "--linear" : "gamma-encoded");
      }
    }
  // The round trip alone changes nothing in an 8-bit photo.
  std::string sample = dir.Path("sample.png"), same = dir.Path("same.png");
  ASSERT_EQ(RunTarkelProgram({"sample", sample, "--size", "48x32"}).status, 0);
  CliResult result = FilterFile(sample, same, {"--coefficients", IdentityCoefficients(), "--linear", "--no-autoscale"});
  ASSERT_EQ(result.status, 0) << result.err;
  Picture before, after;
  ASSERT_FALSE(ReadPicture(sample, &before));
  ASSERT_FALSE(ReadPicture(same, &after));
  EXPECT_EQ(before.image.samples, after.image.samples);
}

TEST(CliPipes, StandardInputAndOutputCarryTheImageAndAFailureWritesNothing) {
  CliTempDir dir;
  std::string sample = dir.Path("sample.png"), file = dir.Path("file.png"), piped = dir.Path("piped.png");
  std::string scratch = dir.Path("tmp");
  std::string garbage = dir.Path("garbage.png");
  ASSERT_EQ(RunShell("mkdir " + Quote(scratch)).status, 0);
  WriteString(garbage, "not an image");
  ASSERT_EQ(RunTarkelProgram({"sample", sample, "--size", "48x32"}).status, 0);
  std::string kernel = " --coefficients " + IdentityCoefficients() + " --no-autoscale --quiet";
  std::string tarkel = "TMPDIR=" + Quote(scratch) + " " + Quote(TarkelPath());
  std::string settings = dir.Path("settings.json");
  ASSERT_EQ(FilterFile(sample, file, {"--coefficients", IdentityCoefficients(), "--no-autoscale", "--record", settings}).status, 0);
  // The subshells keep the pipes' own ends from RunShell's redirections.
  CliResult result = RunShell("(cat " + Quote(sample) + " | " + tarkel + " filter - - --format png" + kernel + " > " +
                              Quote(piped) + ")");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadBytes(piped), ReadBytes(file));
  struct Refused {
    std::string arguments;
    int status;
    std::string says;
  };
  for (const Refused& refused : {
           Refused{"filter - - --format png" + kernel + " < " + Quote(garbage), kExitInput, "standard input"},
           Refused{"filter " + Quote(sample) + " -" + kernel, kExitUsage, "--format"},
           Refused{"filter " + Quote(sample) + " - --format gif" + kernel, kExitUsage, "--format \"gif\""},
           Refused{"filter " + Quote(sample) + " " + Quote(dir.Path("x.png")) + " --format png" + kernel, kExitUsage,
                   "standard output"},
           Refused{"play " + Quote(settings) + " --into " + Quote(scratch) + " - < " + Quote(sample), kExitUsage,
                   "--into"},
           Refused{"play " + Quote(settings) + " --into " + Quote(scratch) + " " + Quote(sample) + " --format png",
                   kExitUsage, "--into"},
       }) {
    SCOPED_TRACE(refused.arguments);
    result = RunShell("(" + tarkel + " " + refused.arguments + " > " + Quote(piped) + ")");
    EXPECT_EQ(result.status, refused.status);
    EXPECT_NE(result.err.find(refused.says), std::string::npos) << result.err;
    EXPECT_TRUE(ReadBytes(piped).empty());
  }
  EXPECT_TRUE(CliTempDir::ListFiles(scratch).empty());  // no temporary file stays behind
}

}  // namespace
