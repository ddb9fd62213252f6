// The tarkel program as a person runs it: exit statuses, messages, and no
// output file whenever a run fails.
#include "cli/Failure.h"
#include "tests/CliSupport.h"

namespace {

struct CliCommand : ::testing::Test {
  CliTempDir dir;
  std::string sample;

  void SetUp() override {
    sample = dir.Path("in.png");
    ASSERT_EQ(RunTarkelProgram({"sample", sample, "--size", "40x30"}).status, 0);
  }
  // Runs tarkel and checks that it failed with status and a message holding text.
  void ExpectFailure(const std::vector<std::string>& arguments, int status, const std::string& text) {
    CliResult result = RunTarkelProgram(arguments);
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_NE(result.err.find(text), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"in.png"}) << "nothing else is written";
  }
};

TEST_F(CliCommand, HelpForEveryCommand) {
  CliResult overview = RunTarkelProgram({"--help"});
  EXPECT_EQ(overview.status, 0);
  for (const char* command : {"filter", "play", "sample"}) {
    EXPECT_NE(overview.out.find(std::string("  ") + command), std::string::npos) << command;
    CliResult help = RunTarkelProgram({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.out.find(std::string("Usage: tarkel ") + command), 0u) << help.out;
    EXPECT_EQ(RunTarkelProgram({"help", command}).out, help.out);
  }
  EXPECT_NE(RunTarkelProgram({"filter", "--help"}).out.find("transposed"), std::string::npos);
  EXPECT_EQ(RunTarkelProgram({}).status, kExitUsage);
}

TEST_F(CliCommand, ArgumentMistakes) {
  ExpectFailure({"blur", sample}, kExitUsage, "unknown command \"blur\"");
  ExpectFailure({"filter", sample}, kExitUsage, "missing operands");
  ExpectFailure({"filter", sample, dir.Path("out.jpg")}, kExitUsage, "name the file .png, .tif or .tiff");
  ExpectFailure({"filter", sample, dir.Path("out.png"), "--scale", "big"}, kExitUsage, "--scale \"big\"");
}

TEST_F(CliCommand, UnusableInputsAndOutputs) {
  ExpectFailure({"filter", dir.Path("none.png"), dir.Path("out.png"), "--module", "/nonexistent/tarkel.so"},
                kExitModule, "cannot load /nonexistent/tarkel.so");
  ExpectFailure({"filter", dir.Path("none.png"), dir.Path("out.png")}, kExitInput, "none.png: cannot open");
  ExpectFailure({"filter", sample, dir.Path("missing/out.png")}, kExitOutput, "does not exist; create it first");
  ExpectFailure({"filter", sample, dir.Path("out.png"), "--kernel", dir.Path("none.txt")}, kExitKernel,
                "cannot open the kernel file");
  ExpectFailure({"filter", sample, dir.Path("out.png"), "--kernel-string", "2x2: 1,1,1,1"}, kExitKernel,
                "only odd sizes");
  ExpectFailure({"filter", sample, dir.Path("out.png"), "--mask", sample + ".missing"}, kExitInput, "cannot open");
  ExpectFailure({"play", dir.Path("none.json"), sample, dir.Path("out.png")}, kExitKernel,
                "cannot open the settings file");
}

TEST_F(CliCommand, SampleWritesEveryKind) {
  ExpectFailure({"sample", dir.Path("x.png"), "--kind", "cmyk"}, kExitUsage, "choose gray");
  for (const char* kind : {"gray", "gray-alpha", "rgb", "rgba"}) {
    std::string path = dir.Path(std::string(kind) + ".tif");
    CliResult result = RunTarkelProgram({"sample", path, "--kind", kind, "--depth", "16", "--size", "9x7"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, path + "\n");
  }
}

}  // namespace
