// The tarkel program as a person runs it: exit statuses, messages, and no
// output file whenever a run fails.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli/Failure.h"
#include "cli/Picture.h"
#include "cli/ProgressBar.h"
#include "tests/cli/CliSupport.h"

extern char** environ;

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
  for (const char* command : {"filter", "play", "preview", "info", "sample"}) {
    EXPECT_NE(overview.out.find(std::string("  ") + command), std::string::npos) << command;
    CliResult help = RunTarkelProgram({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.out.find(std::string("Usage: tarkel ") + command), 0u) << help.out;
    EXPECT_EQ(RunTarkelProgram({"help", command}).out, help.out);
  }
  const std::string filterHelp = RunTarkelProgram({"filter", "--help"}).out;
  for (const char* told : {"transposed", "CR LF, CR or LF", "1.50000e-3", "four decimals below 1", "15 x 15",
                           "8-bit levels", "--lossless", "vips conv", "--force"})
    EXPECT_NE(filterHelp.find(told), std::string::npos) << told;
  EXPECT_NE(RunTarkelProgram({"play", "--help"}).out.find("--keep-going"), std::string::npos);
  EXPECT_EQ(RunTarkelProgram({}).status, kExitUsage);
}

TEST_F(CliCommand, ArgumentMistakes) {
  ExpectFailure({"blur", sample}, kExitUsage, "unknown command \"blur\"");
  ExpectFailure({"filter", sample}, kExitUsage, "missing operands");
  ExpectFailure({"filter", sample, dir.Path("out.bmp")}, kExitUsage, ".jpg, .jpeg or .webp");
  ExpectFailure({"filter", sample, dir.Path("out.png"), "--scale", "big"}, kExitUsage, "--scale \"big\"");
}

TEST_F(CliCommand, UnusableInputsAndOutputs) {
  ExpectFailure({"filter", dir.Path("none.png"), dir.Path("out.png"), "--module", "/nonexistent/tarkel.so"},
                kExitModule, "cannot load /nonexistent/tarkel.so");
  ExpectFailure({"filter", dir.Path("none.png"), dir.Path("out.png")}, kExitInput, "none.png: cannot open");
  ExpectFailure({"filter", sample, dir.Path("missing/out.png")}, kExitOutput, "does not exist; create it first");
  ExpectFailure({"filter", sample, dir.Path("out.png"), "--kernel", dir.Path("none.txt")}, kExitKernel,
                "none.txt: cannot open");
  ExpectFailure({"filter", sample, dir.Path("out.png"), "--kernel-string", "2x2: 1,1,1,1"}, kExitKernel,
                "only odd sizes");
  ExpectFailure({"filter", sample, dir.Path("out.png"), "--mask", sample + ".missing"}, kExitInput, "cannot open");
  ExpectFailure({"play", dir.Path("none.json"), sample, dir.Path("out.png")}, kExitKernel,
                "none.json: cannot open");
}

// The identity kernel gives the input's pixels back exactly only through a lossless WebP.
TEST_F(CliCommand, WebpStaysLosslessWhenTheInputIs) {
  ASSERT_EQ(RunTarkelProgram({"sample", dir.Path("in.jpg"), "--size", "40x30"}).status, 0);
  struct Case {
    std::string input;
    std::vector<std::string> options;
    bool exact;
  };
  const Case cases[] = {
      {sample, {}, true},
      {sample, {"--quality", "90"}, false},
      {dir.Path("in.jpg"), {}, false},
      {dir.Path("in.jpg"), {"--lossless"}, true},
  };
  for (const Case& c : cases) {
    std::vector<std::string> options = {"--coefficients", IdentityCoefficients()};
    options.insert(options.end(), c.options.begin(), c.options.end());
    CliResult result = FilterFile(c.input, dir.Path("out.webp"), options);
    ASSERT_EQ(result.status, 0) << result.err;
    Picture in, out;
    ASSERT_FALSE(ReadPicture(c.input, &in));
    ASSERT_FALSE(ReadPicture(dir.Path("out.webp"), &out));
    EXPECT_EQ(in.image.samples == out.image.samples, c.exact) << c.input << " " << c.options.size();
  }
}

TEST_F(CliCommand, PreferencesThatCannotBeSavedAreWarnedOf) {
  CliResult result = RunShell("TARKEL_HOME=" + Quote(dir.Path("missing")) + " " + Quote(TarkelPath()) + " filter " +
                              Quote(sample) + " " + Quote(dir.Path("out.png")) + " --quiet");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("warning: $TARKEL_HOME (" + dir.Path("missing") + ") does not exist, so the plug-in's "
                            "preferences"),
            std::string::npos)
      << result.err;
}

// Children filter quietly; the parent draws one bar, counting the files, on a terminal.
TEST_F(CliCommand, PlayInParallelShowsOneBarCountingTheFiles) {
  ASSERT_EQ(RunTarkelProgram({"filter", sample, dir.Path("first.png"), "--quiet", "--coefficients",
                              IdentityCoefficients(), "--record", dir.Path("run.json")}).status, 0);
  ASSERT_EQ(mkdir(dir.Path("out").c_str(), 0755), 0);
  std::vector<std::string> arguments = {TarkelPath(), "play", dir.Path("run.json"), "--into", dir.Path("out"), "-j", "2"};
  for (const char* name : {"a.png", "b.png", "c.png"}) {
    ASSERT_EQ(RunTarkelProgram({"sample", dir.Path(name), "--size", "40x30"}).status, 0);
    arguments.push_back(dir.Path(name));
  }
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int terminal = -1;
  pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("TARKEL_PROGRESS_DELAY", "0", 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  std::string drawn;
  char buffer[512];
  for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;) drawn.append(buffer, size_t(got));
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << drawn;
  EXPECT_NE(drawn.find(FormatProgressBar("3 files", 33)), std::string::npos) << drawn;
  EXPECT_EQ(drawn.find("a.png ["), std::string::npos) << drawn;
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

TEST(CliInfo, ShowsWhatAWindowsModuleDeclares) {
  std::string module = TarkelPath();
  module = module.substr(0, module.find_last_of('/')) + "/../win64/tarkel.8BF";
  if (!FileExists(module)) GTEST_SKIP() << "the 64-bit Windows module is not built";
  CliResult info = RunTarkelProgram({"info", module});
  ASSERT_EQ(info.status, 0) << info.err;
  for (const char* text : {"64-bit Windows module", "Name:         Custom..", "Category:     MV*Process",
                           "Version:      4.0", "ENTRYPOINT (x64)", "grayscale, RGB colour, 16-bit grayscale, 48-bit RGB",
                           "event CsKr \"Custom Filter\"", "Parameters:   222", "Krnl  TEXT  Custom_Kernel",
                           "does not copy the source"})
    EXPECT_NE(info.out.find(text), std::string::npos) << text << "\n" << info.out;
  CliResult notWindows = RunTarkelProgram({"info", TarkelPath()});
  EXPECT_EQ(notWindows.status, kExitModule);
}

// Starts tarkel with its output in files; returns the process id.
pid_t StartTarkel(const std::vector<std::string>& arguments, const std::string& errorFile) {
  std::vector<std::string> all = {TarkelPath()};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// True once the process holds a file open in the directory: its temporary output, named or not.
bool WritesInto(pid_t pid, const CliTempDir& dir) {
  std::string fds = "/proc/" + std::to_string(pid) + "/fd";
  for (const std::string& fd : CliTempDir::ListFiles(fds)) {
    char target[4096];
    ssize_t size = readlink((fds + "/" + fd).c_str(), target, sizeof target - 1);
    if (size > 0 && std::string(target, size_t(size)).rfind(dir.path + "/", 0) == 0) return true;
  }
  return false;
}

bool WaitForOutput(pid_t pid, const CliTempDir& dir) {
  for (int i = 0; i < 2000 && !WritesInto(pid, dir); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return WritesInto(pid, dir);
}

TEST(CliInterrupt, CtrlCLeavesNoOutputAndTheInputUntouched) {
  CliTempDir dir, logs;
  std::string input = dir.Path("big.png");
  ASSERT_EQ(RunTarkelProgram({"sample", input, "--size", "3000x2000"}).status, 0);
  std::vector<uint8_t> before = ReadBytes(input);
  for (int signals : {1, 2}) {  // the first stops at a safe point, a second at once
    SCOPED_TRACE(signals);
    pid_t pid = StartTarkel({"filter", input, dir.Path("out.png"), "--quiet"}, logs.Path("err"));
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForOutput(pid, dir));
    for (int i = 0; i < signals; ++i) {
      kill(pid, SIGINT);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitInterrupted);
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"big.png"});
    EXPECT_TRUE(ReadBytes(input) == before);
    std::vector<uint8_t> message = ReadBytes(logs.Path("err"));
    if (signals == 1) {
      EXPECT_NE(std::string(message.begin(), message.end()).find("was not written"), std::string::npos);
    }
  }
}

// A termination signal at any moment (reading, filtering, writing, between
// the files of a batch) leaves no file behind and the inputs as they were;
// so does SIGKILL, which no handler sees.
TEST(CliInterrupt, SignalsAtAnyMomentLeaveNothingBehind) {
  CliTempDir dir, logs;
  std::vector<std::string> inputs = {dir.Path("a.png"), dir.Path("b.jpg"), dir.Path("c.tif")};
  for (const std::string& input : inputs)
    ASSERT_EQ(RunTarkelProgram({"sample", input, "--size", "1500x1000"}).status, 0);
  ASSERT_EQ(RunShell("mkdir " + Quote(dir.Path("out"))).status, 0);
  ASSERT_EQ(RunTarkelProgram({"filter", inputs[0], dir.Path("out/first.png"), "--quiet", "--record",
                              dir.Path("run.json"), "--coefficients", IdentityCoefficients()}).status, 0);
  ASSERT_EQ(RunShell("rm " + Quote(dir.Path("out/first.png"))).status, 0);
  std::vector<std::vector<uint8_t>> before;
  for (const std::string& input : inputs) before.push_back(ReadBytes(input));
  std::vector<std::string> batch = {"play", dir.Path("run.json"), "--into", dir.Path("out"), "-j", "2"};
  batch.insert(batch.end(), inputs.begin(), inputs.end());
  std::vector<std::string> single = {"filter", inputs[1], dir.Path("out/x.png"), "--quiet"};
  // SIGKILL goes to the single run only: a killed batch would leave its running children to finish.
  for (const auto& [arguments, signal] : {std::pair{single, SIGTERM}, std::pair{batch, SIGTERM}, std::pair{single, SIGKILL}})
    for (int milliseconds : {0, 40, 120, 300, 700}) {
      SCOPED_TRACE(arguments[0] + " after " + std::to_string(milliseconds) + " ms, signal " + std::to_string(signal));
      pid_t pid = StartTarkel(arguments, logs.Path("err"));
      ASSERT_GT(pid, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
      kill(pid, signal);
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      // Before its handlers are in place (while the program loads) the signal ends it outright.
      if (WIFEXITED(status))
        EXPECT_TRUE(WEXITSTATUS(status) == kExitInterrupted || WEXITSTATUS(status) == 0) << WEXITSTATUS(status);
      else
        EXPECT_EQ(WTERMSIG(status), signal);
      for (const std::string& name : CliTempDir::ListFiles(dir.Path("out")))
        EXPECT_EQ(name.find(".tarkel-"), std::string::npos) << name;
      for (size_t i = 0; i < inputs.size(); ++i) EXPECT_TRUE(ReadBytes(inputs[i]) == before[i]);
      ASSERT_EQ(RunShell("rm -f " + Quote(dir.Path("out")) + "/*").status, 0);
    }
}

}  // namespace
