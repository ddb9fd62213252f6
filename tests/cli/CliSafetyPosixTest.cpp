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
