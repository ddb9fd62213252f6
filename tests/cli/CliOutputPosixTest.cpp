// Atomic output files, the progress bar and the command line of the tarkel
// command, without the plug-in.
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/Arguments.h"
#include "cli/AtomicOutput.h"
#include "cli/ModuleRun.h"
#include "cli/ProgressBar.h"
#include "tests/cli/CliSupport.h"

namespace {

TEST(CliOutput, CommitReplacesTheFileWholeAndKeepsItsMode) {
  CliTempDir dir;
  std::string path = dir.Path("out.png");
  WriteString(path, "old contents");
  chmod(path.c_str(), 0640);
  PendingOutput pending;
  ASSERT_FALSE(BeginOutput(path, false, &pending));
  EXPECT_EQ(ReadBytes(path).size(), 12u);  // untouched until the commit
  WriteString(pending.tempPath, "new");
  ASSERT_FALSE(CommitOutput(&pending));
  EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'n', 'e', 'w'}));
  struct stat info {};
  stat(path.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"out.png"});
}

TEST(CliOutput, AbandonLeavesTheOldFileAndNoTemporary) {
  CliTempDir dir;
  std::string path = dir.Path("out.png");
  WriteString(path, "old");
  PendingOutput pending;
  ASSERT_FALSE(BeginOutput(path, false, &pending));
  WriteString(pending.tempPath, "half a fi");
  AbandonOutput(&pending);
  EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"out.png"});
}

TEST(CliOutput, MissingDirectoriesAndDirectoryNamesFailBeforeAnyWork) {
  CliTempDir dir;
  PendingOutput pending;
  WriteString(dir.Path("kept.png"), "protected");
  chmod(dir.Path("kept.png").c_str(), 0444);
  Failure readOnly = BeginOutput(dir.Path("kept.png"), false, &pending);
  EXPECT_EQ(readOnly.code, kExitOutput);
  EXPECT_NE(readOnly.message.find("read-only, so it is not replaced; give --force"), std::string::npos);
  ASSERT_FALSE(BeginOutput(dir.Path("kept.png"), true, &pending));
  AbandonOutput(&pending);
  unlink(dir.Path("kept.png").c_str());
  Failure failure = BeginOutput(dir.Path("no/such/out.png"), false, &pending);
  EXPECT_EQ(failure.code, kExitOutput);
  EXPECT_NE(failure.message.find("does not exist"), std::string::npos);
  EXPECT_EQ(BeginOutput(dir.path, false, &pending).code, kExitOutput);
  EXPECT_EQ(BeginOutput(dir.path + "/", false, &pending).code, kExitUsage);
  EXPECT_TRUE(dir.Files().empty());
}

TEST(CliProgress, DrawsOnlyOnATerminalAndNotWhenQuiet) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  EXPECT_FALSE(NewProgressBar("a.png", false, pipeEnds[1]).enabled);
  close(pipeEnds[0]);
  close(pipeEnds[1]);

  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  EXPECT_FALSE(NewProgressBar("a.png", true, slave).enabled);
  ProgressBar bar = NewProgressBar("a.png", false, slave);
  EXPECT_TRUE(bar.enabled);
  bar.delaySeconds = 0;
  UpdateProgressBar(bar, 1, 2);
  UpdateProgressBar(bar, 1, 2);  // the same percentage is not drawn again
  EndProgressBar(bar);
  // The terminal may hand the two drawings over in pieces: read until both are in.
  std::string barText = FormatProgressBar("a.png", 50);
  size_t expected = 1 + barText.size() + 1 + FormatProgressBar("a.png", 100).size() + 1;  // the blanking is as wide as 100%
  std::string drawn;
  char buffer[512];
  while (drawn.size() < expected) {
    ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) break;
    drawn.append(buffer, size_t(got));
  }
  EXPECT_EQ(drawn.find("\r" + barText), 0u) << drawn;
  EXPECT_EQ(drawn.find("50%", drawn.find("50%") + 1), std::string::npos);
  EXPECT_EQ(drawn.back(), '\r');  // the line is blanked at the end
  close(master);
  close(slave);
}

TEST(CliProgress, WaitsForItsDelayBeforeDrawing) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  ProgressBar bar = NewProgressBar("a.png", false, slave);
  bar.delaySeconds = 3600;
  UpdateProgressBar(bar, 99, 100);
  EndProgressBar(bar);
  EXPECT_EQ(bar.shownPercent, -1);
  EXPECT_EQ(FormatProgressBar("x", 25), "x [##########..............................] 25%");
  close(master);
  close(slave);
}

TEST(CliSelection, TheMaskBlendsTheResultWithTheOriginal) {
  hostsim::Image original = hostsim::MakeImage(3, 1, 2, 16);
  original.mask = {255, 0, 128};
  hostsim::Image filtered = original;
  for (int32_t x = 0; x < 3; ++x) {
    original.SetSample(x, 0, 0, 1000);
    original.SetSample(x, 0, 1, 32768);
    filtered.SetSample(x, 0, 0, 31000);
    filtered.SetSample(x, 0, 1, 32768);
  }
  ApplySelection(original, &filtered);
  EXPECT_EQ(filtered.Sample(0, 0, 0), 31000);  // selected: the result
  EXPECT_EQ(filtered.Sample(1, 0, 0), 1000);   // not selected: the original
  EXPECT_EQ(filtered.Sample(2, 0, 0), (31000 * 128 + 1000 * 127 + 127) / 255);
  EXPECT_EQ(filtered.Sample(2, 0, 1), 32768);  // equal planes stay exact
}

CommandSpec TestCommand() {
  CommandSpec spec;
  spec.name = "test";
  spec.usage = "IN OUT";
  spec.options = {{"scale", 's', "X", "scale"}, {"quiet", 'q', "", "quiet"}};
  spec.minOperands = spec.maxOperands = 2;
  return spec;
}

TEST(CliArguments, ValuesSwitchesAndOperandsInAnyOrder) {
  ParsedArguments parsed;
  ASSERT_FALSE(ParseArguments(TestCommand(), {"-s", "-3", "in.png", "--quiet", "--scale=4", "--", "-out.png"}, &parsed));
  EXPECT_EQ(OptionValue(parsed, "scale"), "4");  // the last one wins; a negative number is a value
  EXPECT_TRUE(HasSwitch(parsed, "quiet"));
  EXPECT_EQ(parsed.operands, (std::vector<std::string>{"in.png", "-out.png"}));
}

TEST(CliArguments, MistakesNameTheOptionAndPointToHelp) {
  auto refusal = [](std::vector<std::string> arguments) {
    ParsedArguments parsed;
    Failure failure = ParseArguments(TestCommand(), arguments, &parsed);
    EXPECT_EQ(failure.code, kExitUsage);
    EXPECT_NE(failure.message.find("tarkel test --help"), std::string::npos);
    return failure.message;
  };
  EXPECT_NE(refusal({"--scal", "2", "a", "b"}).find("not expected: --scal"), std::string::npos);
  EXPECT_NE(refusal({"a", "b", "--scale"}).find("--scale: 1 required X missing"), std::string::npos);
  EXPECT_NE(refusal({"--quiet=yes", "a", "b"}).find("quiet was given a disallowed flag override"), std::string::npos);
  EXPECT_NE(refusal({"a"}).find("missing operands"), std::string::npos);
  EXPECT_NE(refusal({"a", "b", "c"}).find("unexpected operand c"), std::string::npos);
  ParsedArguments parsed;
  EXPECT_FALSE(ParseArguments(TestCommand(), {"--help"}, &parsed));  // help needs no operands
  EXPECT_TRUE(parsed.help);
  EXPECT_NE(FormatHelp(TestCommand()).find("-s, --scale X"), std::string::npos);
}

}  // namespace
