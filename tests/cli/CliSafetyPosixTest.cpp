// Nothing the user has is ever lost: no output lands on an input or on
// another output, replacing the input needs --in-place, and a refusal names
// the file and the real cause.
#include <sys/stat.h>
#include <unistd.h>

#include "cli/Failure.h"
#include "tests/cli/CliSupport.h"

namespace {

struct CliSafety : ::testing::Test {
  CliTempDir dir;
  std::string photo;
  std::vector<uint8_t> original;

  void SetUp() override {
    ASSERT_EQ(mkdir(dir.Path("a").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.Path("b").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.Path("out").c_str(), 0755), 0);
    photo = dir.Path("a/x.png");
    ASSERT_EQ(RunTarkelProgram({"sample", photo, "--size", "40x30"}).status, 0);
    ASSERT_EQ(RunTarkelProgram({"sample", dir.Path("b/x.png"), "--size", "40x30", "--kind", "gray"}).status, 0);
    original = ReadBytes(photo);
  }
  std::string Settings() {
    std::string settings = dir.Path("s.json");
    CliResult run = RunTarkelProgram({"filter", photo, dir.Path("first.png"), "--quiet", "--coefficients", IdentityCoefficients(),
                                      "--record", settings});
    EXPECT_EQ(run.status, 0) << run.err;
    unlink(dir.Path("first.png").c_str());
    return settings;
  }
  // Refused with status 2, a message holding text, and every file as it was.
  void ExpectRefused(const std::vector<std::string>& arguments, const std::string& text) {
    std::vector<std::string> before = dir.Files();
    CliResult result = RunTarkelProgram(arguments);
    EXPECT_EQ(result.status, kExitUsage) << result.err;
    EXPECT_NE(result.err.find(text), std::string::npos) << result.err;
    EXPECT_TRUE(ReadBytes(photo) == original);
    EXPECT_EQ(dir.Files(), before);
  }
};

TEST_F(CliSafety, OutputsNeverReplaceInputsOrEachOther) {
  std::vector<std::string> kernel = {"--coefficients", IdentityCoefficients(), "--quiet"};
  auto filter = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), kernel.begin(), kernel.end());
    return arguments;
  };
  ExpectRefused(filter({"filter", photo, photo}), "--in-place");
  ExpectRefused(filter({"filter", photo, dir.Path("a/../a/x.png")}), "would overwrite the input image");
  ASSERT_EQ(symlink(photo.c_str(), dir.Path("link.png").c_str()), 0);
  ExpectRefused(filter({"filter", photo, dir.Path("link.png")}), "would overwrite the input image");
  ExpectRefused(filter({"filter", dir.Path("link.png"), photo}), "would overwrite the input image");
  ExpectRefused(filter({"filter", photo, dir.Path("out.png"), "--record", photo}), "--record");
  ExpectRefused(filter({"filter", photo, dir.Path("out.png"), "--record", dir.Path("out.png")}), "name the same file");
  ExpectRefused(filter({"filter", photo, dir.Path("out.png"), "--record", dir.Path("b/x.png")}),
                "b/x.png: exists and is not a settings file");
  ExpectRefused(filter({"filter", photo, dir.Path("out.png"), "--mask", dir.Path("out.png")}), "--mask");
  std::string settings = Settings();
  std::vector<uint8_t> recorded = ReadBytes(settings);
  ExpectRefused({"play", settings, "--into", dir.Path("out"), photo, dir.Path("b/x.png")}, "name the same file");
  ExpectRefused({"play", settings, "--into", dir.Path("a"), photo}, "--in-place");
  ExpectRefused({"play", settings, photo, settings}, "the settings file");
  EXPECT_TRUE(ReadBytes(settings) == recorded);
}

TEST_F(CliSafety, InPlaceReplacesTheInputOnlyWhenAsked) {
  CliResult result = RunTarkelProgram({"filter", photo, photo, "--in-place", "--quiet", "--kernel-string",
                                       "3x3: 0,-1,0,-1,5,-1,0,-1,0"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_FALSE(ReadBytes(photo) == original);
  EXPECT_EQ(CliTempDir().Files().size(), 0u);
  std::vector<std::string> files = dir.Files();
  EXPECT_EQ(files, (std::vector<std::string>{"a", "b", "out"}));
}

TEST_F(CliSafety, ReadOnlyOutputsAreReplacedOnlyWithForce) {
  std::string kept = dir.Path("b/x.png");
  chmod(kept.c_str(), 0444);
  std::vector<uint8_t> before = ReadBytes(kept);
  std::vector<std::string> run = {"filter", photo, kept, "--quiet", "--coefficients", IdentityCoefficients()};
  CliResult refused = RunTarkelProgram(run);
  EXPECT_EQ(refused.status, kExitOutput);
  EXPECT_NE(refused.err.find("x.png: the file is read-only, so it is not replaced; give --force"), std::string::npos)
      << refused.err;
  EXPECT_TRUE(ReadBytes(kept) == before);
  run.push_back("--force");
  CliResult forced = RunTarkelProgram(run);
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_TRUE(ReadBytes(kept) == original);  // the identity kernel gives the photo back
}

// A 5 x 5 Adobe Custom Filter file: 25 big-endian coefficients, then scale and offset.
std::string AcfFile(int16_t centre, int16_t scale, int16_t offset) {
  std::string bytes;
  for (int i = 0; i < 27; ++i) {
    int16_t word = i == 12 ? centre : i == 25 ? scale : i == 26 ? offset : 0;
    bytes += char(uint16_t(word) >> 8);
    bytes += char(word & 0xFF);
  }
  return bytes;
}

// Kernels and recordings that would not do what they say are refused before anything is written, with the cause.
TEST_F(CliSafety, MisleadingKernelsAndRecordingsAreRefused) {
  WriteString(dir.Path("offset.acf"), AcfFile(1, 1, -23186));
  WriteString(dir.Path("negative.acf"), AcfFile(1, -3, 0));
  WriteString(dir.Path("words.txt"), "one two\r\nthree four\r\n");
  WriteString(dir.Path("huge.txt"), "0 1.00000e+6 0\r\n0 0 0\r\n0 0 0\r\n");
  std::string row = "1", wide;
  for (int column = 1; column < 1100; ++column) row += " 1";
  for (int line = 0; line < 1100; ++line) wide += row + "\r\n";
  WriteString(dir.Path("wide.txt"), wide);
  WriteString(dir.Path("big.mat"), "99999 99999\n1\n");
  std::string zeros = "0", tiny = "0";
  for (int i = 1; i < 49; ++i) {
    zeros += ",0";
    tiny += i == 24 ? ",0.00004" : ",0";
  }
  struct Case {
    std::vector<std::string> options;
    int status;
    std::string text;
  };
  const std::string out = dir.Path("out/o.png"), json = dir.Path("out/s.json");
  const Case cases[] = {
      {{"--kernel", dir.Path("offset.acf")}, kExitKernel, "offset.acf offset \"-23186\": the add constant must lie in"},
      {{"--kernel", dir.Path("negative.acf")}, kExitKernel, "negative.acf scale \"-3\": the scale factor must lie above 0"},
      {{"--kernel", dir.Path("words.txt")}, kExitKernel, "words.txt: no value reads as a number other than 0"},
      {{"--kernel", dir.Path("huge.txt")}, kExitKernel, "huge.txt row 1, column 2 \"1000000\": a coefficient must lie in"},
      {{"--kernel", dir.Path("wide.txt")}, kExitKernel, "wide.txt: holds more than 1023 rows and columns"},
      {{"--matrix", dir.Path("big.mat")}, kExitKernel, "big.mat: the kernel is 99999 x 99999; sizes run from 1 to 1001"},
      {{"--coefficients", zeros, "--record", json}, kExitKernel, "--record: an all-zero kernel"},
      {{"--coefficients", tiny, "--scale", "0.00004", "--record", json}, kExitKernel,
       "--record: the tap 3.9999999e-05 at row 4, column 4 records as 0"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"filter", photo, out, "--quiet"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    CliResult result = RunTarkelProgram(arguments);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.err.find(c.text), std::string::npos) << result.err;
    EXPECT_TRUE(CliTempDir::ListFiles(dir.Path("out")).empty());
  }
  CliResult jobs = RunTarkelProgram({"play", Settings(), "-j", "1000", "--into", dir.Path("out"), photo});
  EXPECT_EQ(jobs.status, kExitUsage);
  EXPECT_NE(jobs.err.find("-j \"1000\": give 1 to 256"), std::string::npos) << jobs.err;
  CliResult scroll = RunTarkelProgram({"preview", photo, out, "--scroll", "99999,99999"});
  EXPECT_EQ(scroll.status, kExitUsage);
  EXPECT_NE(scroll.err.find("each number must lie in"), std::string::npos) << scroll.err;
}

// What --record writes plays back the very pixels of the run, taps finer than a recording holds included.
TEST_F(CliSafety, RecordingsPlayBackThePixelsThatRan) {
  std::string ninths;  // a 3 x 3 box blur in the centre
  for (int i = 0; i < 49; ++i)
    ninths += std::string(i == 0 ? "" : ",") + (i % 7 >= 2 && i % 7 <= 4 && i / 7 >= 2 && i / 7 <= 4 ? "0.11111111" : "0");
  const std::string ran = dir.Path("out/ran.png"), played = dir.Path("out/played.png"), json = dir.Path("out/s.json");
  CliResult run = RunTarkelProgram({"filter", photo, ran, "--quiet", "--coefficients", ninths, "--record", json});
  ASSERT_EQ(run.status, 0) << run.err;
  CliResult play = RunTarkelProgram({"play", json, photo, played, "--quiet"});
  ASSERT_EQ(play.status, 0) << play.err;
  EXPECT_TRUE(ReadBytes(ran) == ReadBytes(played));
}

TEST_F(CliSafety, ABatchKeepsGoingPastBrokenFilesWhenAsked) {
  std::string settings = Settings();
  WriteString(dir.Path("a/broken.png"), "not a picture");
  ASSERT_EQ(RunTarkelProgram({"sample", dir.Path("a/tiny.png"), "--size", "14x40"}).status, 0);
  std::vector<std::string> inputs = {dir.Path("a/broken.png"), photo, dir.Path("a/tiny.png")};
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(jobs);
    std::vector<std::string> arguments = {"play", settings, "--into", dir.Path("out"), "-k", "-j", jobs, "--quiet"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    CliResult result = RunTarkelProgram(arguments);
    EXPECT_EQ(result.status, kExitInput) << result.err;
    for (const char* text : {"broken.png: not a", "tiny.png: 14 x 40 pixels", "2 of 3 images failed",
                             "broken.png (exit 3)", "tiny.png (exit 3)"})
      EXPECT_NE(result.err.find(text), std::string::npos) << text << "\n" << result.err;
    EXPECT_TRUE(ReadBytes(dir.Path("out/x.png")) == original);
    EXPECT_EQ(CliTempDir::ListFiles(dir.Path("out")), std::vector<std::string>{"x.png"});
    unlink(dir.Path("out/x.png").c_str());
  }
  // An output format that cannot be written is known before the first file.
  CliResult heic = RunTarkelProgram({"play", settings, "--into", dir.Path("out"), "-k", photo, dir.Path("a/y.heic")});
  EXPECT_EQ(heic.status, kExitUsage);
  EXPECT_NE(heic.err.find("y.heic: cannot tell the output format"), std::string::npos) << heic.err;
  EXPECT_TRUE(CliTempDir::ListFiles(dir.Path("out")).empty());
}

TEST_F(CliSafety, RefusalsNameTheFileAndTheCause) {
  ASSERT_EQ(RunTarkelProgram({"sample", dir.Path("tiny.png"), "--size", "14x40"}).status, 0);
  CliResult tiny = RunTarkelProgram({"filter", dir.Path("tiny.png"), dir.Path("out.png"), "--quiet"});
  EXPECT_EQ(tiny.status, kExitInput) << tiny.err;
  EXPECT_NE(tiny.err.find("tiny.png: 14 x 40 pixels"), std::string::npos) << tiny.err;
  std::string settings = Settings();
  CliResult played = RunTarkelProgram({"play", settings, "--into", dir.Path("b"), "--quiet", dir.Path("tiny.png")});
  EXPECT_EQ(played.status, kExitInput);
  EXPECT_NE(played.err.find("tiny.png"), std::string::npos) << played.err;

  ASSERT_EQ(mkfifo(dir.Path("fifo.png").c_str(), 0600), 0);
  CliResult fifo = RunTarkelProgram({"filter", dir.Path("fifo.png"), dir.Path("out.png"), "--quiet"});
  EXPECT_EQ(fifo.status, kExitInput);
  EXPECT_NE(fifo.err.find("not a regular file"), std::string::npos) << fifo.err;
  CliResult directory = RunTarkelProgram({"filter", dir.Path("a"), dir.Path("out.png"), "--quiet"});
  EXPECT_EQ(directory.status, kExitInput);
  EXPECT_NE(directory.err.find("a directory"), std::string::npos) << directory.err;

  std::string longName = dir.Path(std::string(300, 'n') + ".png");
  CliResult tooLong = RunTarkelProgram({"filter", photo, longName, "--quiet"});
  EXPECT_EQ(tooLong.status, kExitOutput);
  EXPECT_NE(tooLong.err.find("longer than"), std::string::npos) << tooLong.err;
  std::string longest = dir.Path(std::string(250, 'n') + ".png");
  CliResult legal = RunTarkelProgram({"filter", photo, longest, "--quiet", "--coefficients", IdentityCoefficients()});
  EXPECT_EQ(legal.status, 0) << legal.err;

  // A module cut short: the DOS header points past the end of the file.
  WriteString(dir.Path("cut.8BF"), std::string("MZ") + std::string(58, '\0') + std::string("\x00\x10\x00\x00", 4));
  for (const std::string& module : {dir.Path("a"), settings, std::string("/dev/null"), dir.Path("cut.8BF")}) {
    CliResult info = RunTarkelProgram({"info", module});
    EXPECT_EQ(info.status, kExitModule) << module;
    EXPECT_NE(info.err.find(module + ": "), std::string::npos) << info.err;
  }
}

}  // namespace
