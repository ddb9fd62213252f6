// Whole runs of the tarkel program through the plug-in module: identity
// kernels leave files as they were, alpha and unselected pixels stay, a
// recorded run plays back like the run it was recorded from, the module's
// refusals reach the user by name, and the progress bar only on a terminal.
#include "cli/Failure.h"
#include "cli/Picture.h"
#include "tests/cli/CliSupport.h"

namespace {

std::string Example(const std::string& name) { return std::string(TARKEL_SOURCE_DIR) + "/examples/" + name; }

const std::vector<std::string> kSharpen = {"--kernel-string", "3x3: 0,-1,0,-1,5,-1,0,-1,0"};

struct CliRun : ::testing::Test {
  CliTempDir dir;

  std::string Sample(const std::string& name, const std::string& kind, const std::string& depth,
                     const std::string& size = "64x48") {
    std::string path = dir.Path(name);
    CliResult result = RunTarkelProgram({"sample", path, "--kind", kind, "--depth", depth, "--size", size});
    EXPECT_EQ(result.status, 0) << result.err;
    return path;
  }
  CliResult Filter(const std::string& in, const std::string& out, const std::vector<std::string>& options) {
    return FilterFile(in, out, options);
  }
  Picture Read(const std::string& path) {
    Picture picture;
    EXPECT_FALSE(ReadPicture(path, &picture)) << path;
    return picture;
  }
};

// Every value a 16-bit host holds, so that the file's values survive the host range.
void PutOnHostGrid(Picture& picture) {
  ToHostRange(picture.image);
  FromHostRange(picture.image);
}

TEST_F(CliRun, IdentityKernelLeavesEveryKindOfFileBitIdentical) {
  for (const char* extension : {".png", ".tif"})
    for (const char* kind : {"gray", "gray-alpha", "rgb", "rgba"})
      for (const char* depth : {"8", "16"}) {
        std::string name = std::string(kind) + "-" + depth + extension;
        SCOPED_TRACE(name);
        std::string in = Sample(name, kind, depth);
        if (std::string(depth) == "16") {
          Picture picture = Read(in);
          PutOnHostGrid(picture);
          ASSERT_FALSE(WritePicture(in, picture, extension[1] == 'p' ? PictureFormat::png : PictureFormat::tiff));
        }
        std::string out = dir.Path("out-" + name);
        CliResult result = Filter(in, out, {"--coefficients", IdentityCoefficients()});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(ReadBytes(in) == ReadBytes(out));
      }
}

TEST_F(CliRun, AFileDamagedPartWayIsNamedWhileThePlugInRuns) {
  std::string whole = Sample("whole.png", "rgb", "8", "600x900");
  std::vector<uint8_t> bytes = ReadBytes(whole);
  bytes.resize(bytes.size() * 2 / 3);
  std::string cut = dir.Path("cut.png");
  WriteBytes(cut, bytes);
  CliResult result = Filter(cut, dir.Path("out.png"), kSharpen);
  EXPECT_EQ(result.status, kExitInput);
  EXPECT_NE(result.err.find("cut.png: truncated or damaged"), std::string::npos) << result.err;
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"cut.png", "whole.png"}));
}

TEST_F(CliRun, AlphaPassesThroughAndUnselectedPixelsStay) {
  std::string in = Sample("in.png", "rgba", "8");
  Picture mask;
  mask.image = hostsim::MakeImage(64, 48, 1, 8);
  for (int32_t y = 0; y < 48; ++y)
    for (int32_t x = 32; x < 64; ++x) mask.image.SetSample(x, y, 0, 255);  // the right half is selected
  ASSERT_FALSE(WritePicture(dir.Path("mask.png"), mask, PictureFormat::png));
  std::vector<std::string> options = kSharpen;
  options.insert(options.end(), {"--mask", dir.Path("mask.png")});
  CliResult result = Filter(in, dir.Path("out.png"), options);
  ASSERT_EQ(result.status, 0) << result.err;
  Picture before = Read(in), after = Read(dir.Path("out.png"));
  ASSERT_TRUE(after.alpha);
  bool changedRight = false;
  for (int32_t y = 0; y < 48; ++y)
    for (int32_t x = 0; x < 64; ++x) {
      ASSERT_EQ(after.image.Sample(x, y, 3), before.image.Sample(x, y, 3)) << x << "," << y;
      for (int32_t c = 0; c < 3; ++c) {
        if (x < 32) {
          ASSERT_EQ(after.image.Sample(x, y, c), before.image.Sample(x, y, c)) << x << "," << y;
        }
        changedRight |= after.image.Sample(x, y, c) != before.image.Sample(x, y, c);
      }
    }
  EXPECT_TRUE(changedRight);
}

TEST_F(CliRun, RecordedSettingsPlayBackLikeTheInteractiveRun) {
  std::string first = Sample("first.png", "rgb", "8", "50x40");
  std::string second = Sample("second.tif", "gray", "16", "70x30");
  for (const std::vector<std::string>& kernel :
       {kSharpen, std::vector<std::string>{"--kernel", Example("sharpen.txt"), "--no-autoscale"},
        std::vector<std::string>{"--matrix", Example("sharpen.mat"), "--offset", "20", "--scale", "2"},
        std::vector<std::string>{"--kernel-string", "3: 1,2,1,2,4,2,1,2,1", "--autoscale"}}) {
    SCOPED_TRACE(kernel[1]);
    std::vector<std::string> options = kernel;
    options.insert(options.end(), {"--record", dir.Path("run.json")});
    CliResult recorded = Filter(first, dir.Path("first-out.png"), options);
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    CliResult interactive = Filter(second, dir.Path("interactive.tif"), kernel);
    ASSERT_EQ(interactive.status, 0) << interactive.err;
    CliResult played = RunTarkelProgram({"play", dir.Path("run.json"), second, dir.Path("played.tif"), "--quiet"});
    ASSERT_EQ(played.status, 0) << played.err;
    EXPECT_TRUE(ReadBytes(dir.Path("played.tif")) == ReadBytes(dir.Path("interactive.tif")));
    EXPECT_FALSE(ReadBytes(dir.Path("played.tif")) == ReadBytes(second));
  }
}

TEST_F(CliRun, PlayingAFileGivesTheSamePixelsWhateverEarlierRunsLeft) {
  std::string in = Sample("in.png", "rgb", "8");
  ASSERT_EQ(Filter(in, dir.Path("recorded.png"), {"--kernel-string", "3x3: 0,-1,0,-1,5,-1,0,-1,0", "--scale", "2",
                                                   "--offset", "7", "--record", dir.Path("run.json")}).status, 0);
  std::vector<std::vector<uint8_t>> results;
  for (const char* earlier : {"--autoscale", "--no-autoscale"}) {
    // An earlier run leaves another kernel, scale, offset and Autoscale in the preferences.
    ASSERT_EQ(Filter(in, dir.Path("other.png"), {"--kernel-string", "1x1: 3", "--scale", "5", "--offset", "-40", earlier})
                  .status, 0);
    CliResult played = RunTarkelProgram({"play", dir.Path("run.json"), in, dir.Path("played.png"), "--quiet"});
    ASSERT_EQ(played.status, 0) << played.err;
    results.push_back(ReadBytes(dir.Path("played.png")));
  }
  EXPECT_TRUE(results[0] == results[1]);
  EXPECT_TRUE(results[0] == ReadBytes(dir.Path("recorded.png")));
}

TEST_F(CliRun, AKernelFileWithScaleZeroIsRefusedAsTheOptionIs) {
  std::string in = Sample("in.png", "rgb", "8");
  std::string acf(54, '\0');
  acf[2 * 12 + 1] = 1;  // big-endian words: the centre of the 5 x 5 is 1, the scale (word 25) 0
  WriteString(dir.Path("zero.acf"), acf);
  CliResult loaded = Filter(in, dir.Path("out.png"), {"--kernel", dir.Path("zero.acf")});
  EXPECT_EQ(loaded.status, kExitKernel);
  CliResult typed = Filter(in, dir.Path("out.png"), {"--scale", "0"});
  for (const CliResult& result : {loaded, typed})
    EXPECT_NE(result.err.find("divide every sum by zero"), std::string::npos) << result.err;
  EXPECT_FALSE(FileExists(dir.Path("out.png")));
  CliResult overridden = Filter(in, dir.Path("out.png"), {"--kernel", dir.Path("zero.acf"), "--scale", "1"});
  EXPECT_EQ(overridden.status, 0) << overridden.err;
}

TEST_F(CliRun, PlayWritesABatchIntoADirectory) {
  std::string a = Sample("a.png", "rgb", "8"), b = Sample("b.png", "gray", "8");
  std::vector<std::string> options = kSharpen;
  options.insert(options.end(), {"--record", dir.Path("run.json")});
  ASSERT_EQ(Filter(a, dir.Path("a-sharp.png"), options).status, 0);
  std::string into = dir.Path("batch");
  ASSERT_EQ(RunShell("mkdir " + Quote(into)).status, 0);
  CliResult played = RunTarkelProgram({"play", dir.Path("run.json"), "--into", into, a, b, "--quiet"});
  ASSERT_EQ(played.status, 0) << played.err;
  EXPECT_TRUE(ReadBytes(into + "/a.png") == ReadBytes(dir.Path("a-sharp.png")));
  EXPECT_TRUE(FileExists(into + "/b.png"));
}

TEST_F(CliRun, PlayInParallelGivesWhatOneAtATimeGives) {
  std::vector<std::string> inputs;
  for (const char* name : {"a.png", "b.tif", "c.png", "d.png"}) inputs.push_back(Sample(name, "rgb", "8"));
  std::vector<std::string> options = kSharpen;
  options.insert(options.end(), {"--record", dir.Path("run.json")});
  ASSERT_EQ(Filter(inputs[0], dir.Path("first.png"), options).status, 0);
  for (const char* jobs : {"1", "3"}) {
    std::string into = dir.Path(std::string("j") + jobs);
    ASSERT_EQ(RunShell("mkdir " + Quote(into)).status, 0);
    std::vector<std::string> arguments = {"play", dir.Path("run.json"), "--into", into, "-j", jobs};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    CliResult played = RunTarkelProgram(arguments);
    ASSERT_EQ(played.status, 0) << played.err;
  }
  for (const char* name : {"a.png", "b.tif", "c.png", "d.png"})
    EXPECT_TRUE(ReadBytes(dir.Path(std::string("j1/") + name)) == ReadBytes(dir.Path(std::string("j3/") + name)))
        << name;

  WriteString(dir.Path("broken.png"), "not a picture");
  ASSERT_EQ(RunShell("mkdir " + Quote(dir.Path("mixed"))).status, 0);
  CliResult mixed = RunTarkelProgram({"play", dir.Path("run.json"), "--into", dir.Path("mixed"), "-j", "2",
                                      dir.Path("broken.png"), inputs[1]});
  EXPECT_EQ(mixed.status, kExitInput);
  EXPECT_NE(mixed.err.find("broken.png: not a"), std::string::npos) << mixed.err;
  EXPECT_EQ(RunTarkelProgram({"play", dir.Path("run.json"), "--into", dir.Path("mixed"), "-j", "0", inputs[0]}).status,
            kExitUsage);
}

TEST_F(CliRun, RefusalsOfTheModuleAndItsDialogAreNamed) {
  std::string tiny = Sample("tiny.png", "rgb", "8", "14x200");
  CliResult small = Filter(tiny, dir.Path("out.png"), kSharpen);
  EXPECT_EQ(small.status, kExitInput);
  EXPECT_NE(small.err.find("needs at least 15 x 15"), std::string::npos) << small.err;
  EXPECT_FALSE(FileExists(dir.Path("out.png")));

  std::string in = Sample("in.png", "rgb", "8");
  WriteString(dir.Path("single.txt"), "1\r\n2\r\n3\r\n");  // no line of two values: nothing to load
  CliResult empty = Filter(in, dir.Path("out.png"), {"--kernel", dir.Path("single.txt")});
  EXPECT_EQ(empty.status, kExitKernel);
  EXPECT_NE(empty.err.find("single.txt: no line holds two or more values"), std::string::npos) << empty.err;
  EXPECT_FALSE(FileExists(dir.Path("out.png")));

  WriteString(dir.Path("bad.json"), "{\"format\": \"tarkel-settings\", \"version\": 1, \"descriptor\": [}");
  CliResult bad = RunTarkelProgram({"play", dir.Path("bad.json"), in, dir.Path("out.png")});
  EXPECT_EQ(bad.status, kExitKernel);
  EXPECT_FALSE(FileExists(dir.Path("out.png")));
}

TEST_F(CliRun, ProgressBarOnlyOnATerminal) {
  std::string in = Sample("in.png", "rgb", "8", "200x150");
  std::string command = "TARKEL_PROGRESS_DELAY=0 " + Quote(TarkelPath()) + " filter " + Quote(in) + " " +
                        Quote(dir.Path("out.png")) + " --kernel-string '3: 0,-1,0,-1,5,-1,0,-1,0'";
  // script(1) runs the command on a pseudo-terminal and copies what it shows.
  CliResult onTerminal = RunShell("script -qec " + Quote(command) + " /dev/null");
  ASSERT_EQ(onTerminal.status, 0) << onTerminal.out;
  std::string barStart = in;
  barStart.append(" [#");
  EXPECT_NE(onTerminal.out.find(barStart), std::string::npos) << onTerminal.out;
  EXPECT_NE(onTerminal.out.find("] 99%\r"), std::string::npos) << onTerminal.out;
  CliResult quiet = RunShell("script -qec " + Quote(command + " --quiet") + " /dev/null");
  EXPECT_EQ(quiet.out.find("%"), std::string::npos) << quiet.out;
  CliResult piped = RunShell(command);
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.err, "");
}

TEST_F(CliRun, PreviewShowsTheFilteredViewInsideAWhiteBorder) {
  std::string in = Sample("in.png", "rgb", "8", "300x250");
  CliResult result = RunTarkelProgram({"preview", in, dir.Path("view.png"), "--coefficients", IdentityCoefficients(),
                                       "--scroll", "50,20"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, dir.Path("view.png") + "\n");
  Picture view = Read(dir.Path("view.png")), source = Read(in);
  EXPECT_EQ(view.image.width, 196);
  EXPECT_EQ(view.image.height, 183);
  for (int32_t c = 0; c < 3; ++c) {
    EXPECT_EQ(view.image.Sample(1, 100, c), 255);  // the border where the window does not fit
    uint16_t level = source.image.Sample(50 + 100, 20 + 90, c) >> 3;
    EXPECT_EQ(view.image.Sample(100, 90, c), uint16_t(level << 3 | level >> 2)) << c;
  }
  EXPECT_EQ(RunTarkelProgram({"preview", in, dir.Path("view.tif")}).status, kExitUsage);
}

}  // namespace
