// Image files as photographers have them: the public PNG suites through the
// whole command, metadata and orientation carried to the output, pages and
// impossible sizes refused from the header, 16-bit alpha kept exactly.
#include <tiffio.h>
#include <vips/vips.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "cli/Commands.h"
#include "cli/Failure.h"
#include "cli/Picture.h"
#include "tests/cli/CliSupport.h"

namespace {

// Left of the centre weighs more than right: turning the image changes the result.
const std::vector<std::string> kAsymmetric = {"--kernel-string", "3x3: 0,0,0,3,1,0,0,0,0", "--scale", "4"};

struct VipsUnref {
  void operator()(VipsImage* image) const { g_object_unref(image); }
};
using VipsPtr = std::unique_ptr<VipsImage, VipsUnref>;

VipsPtr Load(const std::string& path) {
  Picture start;  // starts libvips the command's way
  ReadPicture("/nonexistent", &start);
  VipsImage* image = vips_image_new_from_file(path.c_str(), nullptr);
  EXPECT_NE(image, nullptr) << path << ": " << vips_error_buffer();
  return VipsPtr(image);
}

VipsPtr Noise(int width, int height, int bands) {
  Picture start;
  ReadPicture("/nonexistent", &start);
  std::vector<uint8_t> bytes(size_t(width) * height * bands);
  std::mt19937 random(7);
  for (uint8_t& byte : bytes) byte = uint8_t(random());
  VipsImage* image = vips_image_new_from_memory_copy(bytes.data(), bytes.size(), width, height, bands, VIPS_FORMAT_UCHAR);
  VipsImage* typed = nullptr;
  vips_copy(image, &typed, "interpretation", bands >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_B_W, nullptr);
  g_object_unref(image);
  return VipsPtr(typed);
}

std::vector<uint8_t> Blob(VipsImage* image, const char* name) {
  const void* data = nullptr;
  size_t size = 0;
  if (vips_image_get_typeof(image, name) == 0 || vips_image_get_blob(image, name, &data, &size) != 0) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

std::string Text(VipsImage* image, const char* name) {
  const char* text = nullptr;
  if (vips_image_get_typeof(image, name) == 0 || vips_image_get_string(image, name, &text) != 0) return "";
  return text;
}

// A PNG text chunk's value by keyword: libvips numbers them in file order.
std::string PngText(VipsImage* image, const std::string& keyword) {
  std::string found;
  auto look = [](VipsImage* in, const char* name, GValue*, void* context) -> void* {
    auto* pair = static_cast<std::pair<std::string, std::string>*>(context);
    std::string field = name;
    if (field.rfind("png-comment-", 0) == 0 && field.size() > pair->first.size() &&
        field.compare(field.size() - pair->first.size() - 1, std::string::npos, "-" + pair->first) == 0)
      pair->second = Text(in, name);
    return nullptr;
  };
  std::pair<std::string, std::string> context(keyword, "");
  vips_image_map(image, look, &context);
  return context.second;
}

// A small but well-formed display profile: header and one tag, the white point.
std::vector<uint8_t> MinimalProfile(const char* space = "RGB ") {
  std::vector<uint8_t> profile(164, 0);
  auto put = [&](size_t at, const char* text) { std::memcpy(profile.data() + at, text, 4); };
  auto word = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) profile[at + size_t(i)] = uint8_t(value >> (24 - 8 * i));
  };
  word(0, 164);
  word(8, 0x02100000);
  put(12, "mntr");
  put(16, space);
  put(20, "XYZ ");
  put(36, "acsp");
  for (size_t at : {68, 152}) {  // D50, in the header and as the white point
    word(at, 0x0000F6D6);
    word(at + 4, 0x00010000);
    word(at + 8, 0x0000D32D);
  }
  word(128, 1);
  put(132, "wtpt");
  word(136, 144);
  word(140, 20);
  put(144, "XYZ ");
  return profile;
}

struct CliImageFiles : ::testing::Test {
  CliTempDir dir;

  CliResult Filter(const std::string& in, const std::string& out, const std::vector<std::string>& options) {
    return FilterFile(in, out, options);
  }
  Picture Read(const std::string& path) {
    Picture picture;
    Failure failure = ReadPicture(path, &picture);
    EXPECT_FALSE(failure) << failure.message;
    return picture;
  }
  void Save(VipsImage* image, const std::string& name) {
    ASSERT_EQ(vips_image_write_to_file(image, dir.Path(name).c_str(), nullptr), 0) << vips_error_buffer();
  }
};

std::vector<std::string> SuiteImages() {
  std::vector<std::string> paths;
  std::string root = std::string(TARKEL_SOURCE_DIR) + "/../shared/testimages";
  if (!std::filesystem::is_directory(root)) return paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (entry.path().extension() == ".png") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  return paths;
}

TEST_F(CliImageFiles, PublicSuitesComeBackIdenticalOrAreRefused) {
  std::vector<std::string> images = SuiteImages();
  if (images.empty()) GTEST_SKIP() << "no ../shared/testimages";
  int read = 0, refused = 0;
  for (const std::string& in : images) {
    SCOPED_TRACE(in);
    std::string out = dir.Path("out.png");
    // In this process: starting the program two hundred times would take most of a minute.
    int status = RunTarkel({"filter", in, out, "--quiet", "--coefficients", IdentityCoefficients()});
    ASSERT_TRUE(status == 0 || status == kExitInput) << status;
    if (status != 0) {
      ++refused;
      EXPECT_TRUE(dir.Files().empty());
      continue;
    }
    ++read;
    Picture before = Read(in), after = Read(out);
    ASSERT_EQ(after.image.planes, before.image.planes);
    ASSERT_EQ(after.image.depth, before.image.depth);
    for (int32_t y = 0; y < before.image.height; ++y)
      for (int32_t x = 0; x < before.image.width; ++x)
        for (int32_t p = 0; p < before.image.planes; ++p) {
          int step = before.image.depth == 16 && !(before.alpha && p == before.image.planes - 1) ? 1 : 0;
          ASSERT_LE(std::abs(before.image.Sample(x, y, p) - after.image.Sample(x, y, p)), step) << x << "," << y;
        }
    std::filesystem::remove(out);
  }
  EXPECT_GE(read, 100);
  EXPECT_GE(refused, 25);  // the crashers, damaged files and those under 15 x 15
}

TEST_F(CliImageFiles, MetadataTravelsToTheOutput) {
  VipsPtr image = Noise(48, 32, 3);
  std::vector<uint8_t> profile = MinimalProfile();
  std::string xmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF/></x:xmpmeta>";
  vips_image_set_blob_copy(image.get(), "icc-profile-data", profile.data(), profile.size());
  vips_image_set_blob_copy(image.get(), "xmp-data", xmp.data(), xmp.size());
  vips_image_set_string(image.get(), "exif-ifd0-Artist", "A. Photographer (A. Photographer, ASCII, 16 components, 16 bytes)");
  vips_image_set_string(image.get(), "png-comment-0-Title", "Harbour at dawn");
  image->Xres = image->Yres = 300 / 25.4;
  for (const char* name : {"in.png", "in.tif", "in.jpg", "in.webp"}) {
    SCOPED_TRACE(name);
    Save(image.get(), name);
    std::string out = dir.Path(std::string("out-") + name);
    CliResult result = Filter(dir.Path(name), out, {"--coefficients", IdentityCoefficients()});
    ASSERT_EQ(result.status, 0) << result.err;
    VipsPtr source = Load(dir.Path(name)), written = Load(out);
    for (const char* blob : {"icc-profile-data", "xmp-data"})
      EXPECT_TRUE(Blob(source.get(), blob) == Blob(written.get(), blob)) << blob;
    EXPECT_EQ(Text(source.get(), "exif-ifd0-Artist"), Text(written.get(), "exif-ifd0-Artist"));
    EXPECT_EQ(PngText(source.get(), "Title"), PngText(written.get(), "Title"));
    EXPECT_NEAR(source->Xres, written->Xres, 0.01);
    EXPECT_NEAR(source->Yres, written->Yres, 0.01);
  }
  // What the format holds arrives at all: a 300 dpi photo stays 300 dpi with its profile.
  VipsPtr jpeg = Load(dir.Path("out-in.jpg"));
  EXPECT_TRUE(Blob(jpeg.get(), "icc-profile-data") == profile);
  EXPECT_NEAR(jpeg->Xres * 25.4, 300, 0.5);
  EXPECT_EQ(PngText(Load(dir.Path("out-in.png")).get(), "Title"), "Harbour at dawn");
}

// exiftool's short report (Make: Acme, one tag a line), numbers as stored,
// warnings included.
std::string ExifTool(const std::string& path) {
  return RunShell("exiftool -S -n -warning -Make -Artist -GPSLatitude -DateTimeOriginal -IPTC:City -XMP-dc:Title "
                  "-IFD0:Orientation -XMP-tiff:Orientation -ExifImageWidth -ExifImageHeight " + Quote(path)).out;
}

TEST_F(CliImageFiles, PhotoMetadataReadsTheSameInEveryOutput) {
  const struct {
    const char* name;
    bool iptc;  // holds IPTC where libvips reads it
  } formats[] = {{"jpg", true}, {"tif", true}, {"png", false}, {"webp", false}};
  for (const auto& in : formats) {
    std::string source = dir.Path(std::string("in.") + in.name);
    ASSERT_EQ(RunTarkelProgram({"sample", source, "--size", "40x30"}).status, 0);
    ASSERT_EQ(RunShell("exiftool -q -overwrite_original -Make=Acme -Artist='A. Photographer' -GPSLatitude=51.5 "
                       "-GPSLatitudeRef=N -DateTimeOriginal='2024:05:01 10:00:00' -IPTC:City=Lisbon "
                       "-XMP-dc:Title=Harbour -IFD0:Orientation#=6 -XMP-tiff:Orientation#=6 " + Quote(source))
                  .status, 0);
    for (const auto& out : formats) {
      SCOPED_TRACE(std::string(in.name) + " to " + out.name);
      std::string path = dir.Path(std::string(in.name) + "." + out.name);
      CliResult result = Filter(source, path, {"--coefficients", IdentityCoefficients()});
      ASSERT_EQ(result.status, 0) << result.err;
      std::string report = ExifTool(path);
      for (const char* line : {"Make: Acme\n", "Artist: A. Photographer\n", "GPSLatitude: 51.5\n",
                               "DateTimeOriginal: 2024:05:01 10:00:00\n", "Title: Harbour\n"})
        EXPECT_NE(report.find(line), std::string::npos) << line << report;
      EXPECT_EQ(report.find("City: Lisbon") != std::string::npos, in.iptc && out.iptc) << report;
      // Turned upright, and both copies of the orientation say so.
      EXPECT_EQ(Read(path).image.width, 30);
      EXPECT_EQ(report.find("Orientation: 6"), std::string::npos) << report;
      EXPECT_NE(report.find("Orientation: 1"), std::string::npos) << report;
      // The size the EXIF states is the one written, not the unturned source's.
      if (report.find("ExifImageHeight") != std::string::npos) {
        EXPECT_NE(report.find("ExifImageWidth: 30\n"), std::string::npos) << report;
        EXPECT_NE(report.find("ExifImageHeight: 40\n"), std::string::npos) << report;
      }
      for (size_t at = report.find("Warning: "); at != std::string::npos; at = report.find("Warning: ", at + 1))
        EXPECT_EQ(report.compare(at, 17, "Warning: [minor] "), 0) << report;
      if (std::string(out.name) == "png") {
        EXPECT_EQ(RunShell("pngcheck -q " + Quote(path)).status, 0) << path;
      }
    }
  }
}

TEST_F(CliImageFiles, MetadataDescribesThePixelsWritten) {
  VipsPtr gray = Noise(40, 30, 1);
  std::vector<uint8_t> profile = MinimalProfile("GRAY");
  vips_image_set_blob_copy(gray.get(), "icc-profile-data", profile.data(), profile.size());
  Save(gray.get(), "gray.jpg");
  ASSERT_EQ(RunTarkelProgram({"sample", dir.Path("text.png"), "--size", "40x30"}).status, 0);
  ASSERT_EQ(RunShell("exiftool -q -overwrite_original '-PNG:Title-de=Ünïcödé' " +
                     Quote(dir.Path("text.png"))).status, 0);
  const struct {
    const char *in, *out, *tags, *expected;
  } cases[] = {
      // WebP holds colour only: the gray pixels become RGB, so the gray profile goes.
      {"gray.jpg", "gray.webp", "-ICC_Profile:ColorSpaceData", ""},
      {"gray.jpg", "gray-out.jpg", "-ICC_Profile:ColorSpaceData", "ColorSpaceData: GRAY\n"},
      // International text stays UTF-8, with its language.
      {"text.png", "text-out.png", "-PNG:Title-de", "Title-de: Ünïcödé\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    CliResult result = Filter(dir.Path(c.in), dir.Path(c.out), {"--coefficients", IdentityCoefficients()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(RunShell(std::string("exiftool -S ") + c.tags + " " + Quote(dir.Path(c.out))).out, c.expected);
  }
  EXPECT_NE(RunShell("pngcheck -vt " + Quote(dir.Path("text-out.png"))).out.find("language tag = de"), std::string::npos);
}

TEST_F(CliImageFiles, AnAsymmetricKernelActsOnThePhotoAsTheUserSeesIt) {
  VipsPtr upright = Noise(40, 30, 3);
  VipsImage* stored = nullptr;
  ASSERT_EQ(vips_rot(upright.get(), &stored, VIPS_ANGLE_D270, nullptr), 0);
  VipsPtr sideways(stored);
  vips_image_set_int(sideways.get(), "orientation", 6);  // turn 90 degrees clockwise to view
  Save(sideways.get(), "portrait.jpg");
  // The same decoded pixels, already upright, as a lossless file.
  VipsImage* turned = nullptr;
  ASSERT_EQ(vips_autorot(Load(dir.Path("portrait.jpg")).get(), &turned, nullptr), 0);
  VipsPtr uprightDecoded(turned);
  ASSERT_EQ(uprightDecoded->Xsize, 40);
  Save(uprightDecoded.get(), "upright.png");

  ASSERT_EQ(Filter(dir.Path("portrait.jpg"), dir.Path("a.png"), kAsymmetric).status, 0);
  ASSERT_EQ(Filter(dir.Path("upright.png"), dir.Path("b.png"), kAsymmetric).status, 0);
  Picture a = Read(dir.Path("a.png")), b = Read(dir.Path("b.png"));
  EXPECT_EQ(a.image.width, 40);
  EXPECT_TRUE(a.image.samples == b.image.samples);
  ASSERT_EQ(Filter(dir.Path("portrait.jpg"), dir.Path("c.jpg"), kAsymmetric).status, 0);
  for (const char* name : {"a.png", "c.jpg"}) {
    VipsPtr out = Load(dir.Path(name));
    EXPECT_EQ(vips_image_get_orientation(out.get()), 1) << name;
    EXPECT_EQ(out->Xsize, 40) << name;
  }
}

TEST_F(CliImageFiles, JpegKeepsAPhotographersQualityAndRefusesAlpha) {
  // Coded in strips on four threads, stitched, the file decodes to what
  // libvips's encoder gives at the same quality, its EXIF stating the height.
  setenv("VIPS_CONCURRENCY", "4", 1);
  const struct {
    int width, height, bands;
    const char* quality;
  } cases[] = {{40, 30, 3, "92"}, {203, 701, 3, "92"}, {203, 701, 3, "75"}, {203, 701, 1, "92"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " x " + std::to_string(c.bands) +
                 " Q" + c.quality);
    Save(Noise(c.width, c.height, c.bands).get(), "in.png");
    CliResult result = Filter(dir.Path("in.png"), dir.Path("out.jpg"),
                              {"--coefficients", IdentityCoefficients(), "--quality", c.quality});
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(vips_jpegsave(Load(dir.Path("in.png")).get(), dir.Path("libvips.jpg").c_str(), "Q", std::stoi(c.quality),
                            nullptr), 0);
    EXPECT_TRUE(Read(dir.Path("out.jpg")).image.samples == Read(dir.Path("libvips.jpg")).image.samples);
    EXPECT_EQ(RunShell("exiftool -S -ExifImageHeight " + Quote(dir.Path("out.jpg"))).out,
              "ExifImageHeight: " + std::to_string(c.height) + "\n");
  }
  unsetenv("VIPS_CONCURRENCY");
  Save(Noise(40, 30, 3).get(), "in.jpg");
  Save(Noise(40, 30, 4).get(), "alpha.png");
  CliResult alpha = Filter(dir.Path("alpha.png"), dir.Path("alpha.jpg"), {"--coefficients", IdentityCoefficients()});
  EXPECT_EQ(alpha.status, kExitUsage);
  EXPECT_NE(alpha.err.find("JPEG holds no alpha"), std::string::npos) << alpha.err;
  CliResult quality = Filter(dir.Path("in.jpg"), dir.Path("out2.jpg"), {"--quality", "101"});
  EXPECT_EQ(quality.status, kExitUsage);
  CliResult compression = Filter(dir.Path("in.jpg"), dir.Path("out2.jpg"), {"--compression", "lzw"});
  EXPECT_EQ(compression.status, kExitUsage);
}

TEST_F(CliImageFiles, SixteenBitAlphaComesBackBitIdentical) {
  std::string in = dir.Path("in.png");
  ASSERT_EQ(RunTarkelProgram({"sample", in, "--kind", "rgba", "--depth", "16", "--size", "40x30"}).status, 0);
  Picture picture = Read(in);
  for (int32_t x = 0; x < 40; ++x) picture.image.SetSample(x, 0, 3, uint16_t(x * 1 + 1));  // off the host grid
  ASSERT_FALSE(WritePicture(in, picture, PictureFormat::png));
  ASSERT_EQ(Filter(in, dir.Path("out.png"), {"--coefficients", IdentityCoefficients()}).status, 0);
  Picture after = Read(dir.Path("out.png"));
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(after.image.Sample(x, y, 3), picture.image.Sample(x, y, 3));
  // An uncompressed TIFF holds the rows as they lie in memory: the same samples.
  ASSERT_EQ(Filter(in, dir.Path("out.tif"), {"--coefficients", IdentityCoefficients()}).status, 0);
  EXPECT_TRUE(Read(dir.Path("out.tif")).image.samples == after.image.samples);
}

uint32_t Crc(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string BigEndian(uint32_t value) {
  return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

// A PNG whose header declares the size and whose data is a few bytes.
std::string PngDeclaring(uint32_t width, uint32_t height, char depth, char colourType) {
  auto chunk = [](const std::string& type, const std::string& data) {
    return BigEndian(uint32_t(data.size())) + type + data + BigEndian(Crc(type + data));
  };
  std::string header = BigEndian(width) + BigEndian(height) + depth + colourType + std::string(3, '\0');
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
         chunk("IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)) + chunk("IEND", "");
}

TEST_F(CliImageFiles, ImpossibleSizesAndPagesAreRefusedFromTheHeader) {
  WriteString(dir.Path("huge.png"), PngDeclaring(100000, 100000, 8, 2));
  CliResult huge = Filter(dir.Path("huge.png"), dir.Path("out.png"), {});
  EXPECT_EQ(huge.status, kExitInput) << huge.err;
  EXPECT_NE(huge.err.find("100000 x 100000 pixels"), std::string::npos) << huge.err;
  WriteString(dir.Path("large.png"), PngDeclaring(30000, 30000, 16, 6));
  CliResult large = Filter(dir.Path("large.png"), dir.Path("out.png"), {"--max-memory", "1G"});
  EXPECT_EQ(large.status, kExitInput) << large.err;
  EXPECT_NE(large.err.find("--max-memory 1024 MiB"), std::string::npos) << large.err;
  EXPECT_EQ(Filter(dir.Path("large.png"), dir.Path("out.png"), {"--max-memory", "lots"}).status, kExitUsage);
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"huge.png", "large.png"}));
}

TEST_F(CliImageFiles, EveryPageIsFilteredWithTheSameSettings) {
  VipsPtr pages = Noise(30, 60, 3);
  vips_image_set_int(pages.get(), "page-height", 20);
  Save(pages.get(), "pages.tif");
  for (int page = 0; page < 3; ++page) {
    VipsImage* one = nullptr;
    ASSERT_EQ(vips_extract_area(pages.get(), &one, 0, 20 * page, 30, 20, nullptr), 0);
    VipsPtr owned(one);
    vips_image_remove(owned.get(), "page-height");
    Save(owned.get(), "page" + std::to_string(page) + ".tif");
  }
  ASSERT_EQ(RunShell("exiftool -q -overwrite_original -IPTC:City=Lisbon " + Quote(dir.Path("pages.tif"))).status, 0);
  ASSERT_EQ(Filter(dir.Path("pages.tif"), dir.Path("out.tif"), kAsymmetric).status, 0);
  EXPECT_EQ(RunShell("exiftool -S -IPTC:City " + Quote(dir.Path("out.tif"))).out, "City: Lisbon\n");
  VipsImage* all = nullptr;
  ASSERT_NE(all = vips_image_new_from_file(dir.Path("out.tif").c_str(), "n", -1, nullptr), nullptr);
  VipsPtr filtered(all);
  EXPECT_EQ(vips_image_get_n_pages(filtered.get()), 3);
  Picture stack = Read(dir.Path("out.tif"));
  ASSERT_EQ(stack.pages, 3);
  for (int page = 0; page < 3; ++page) {
    std::string name = "page" + std::to_string(page);
    ASSERT_EQ(Filter(dir.Path(name + ".tif"), dir.Path(name + "-out.tif"), kAsymmetric).status, 0);
    hostsim::Samples alone = Read(dir.Path(name + "-out.tif")).image.samples;
    EXPECT_TRUE(std::equal(alone.begin(), alone.end(), stack.image.samples.begin() + alone.size() * size_t(page)))
        << name;
  }
  CliResult png = Filter(dir.Path("pages.tif"), dir.Path("out.png"), kAsymmetric);
  EXPECT_EQ(png.status, kExitUsage);
  EXPECT_NE(png.err.find("3 pages"), std::string::npos) << png.err;
  EXPECT_FALSE(FileExists(dir.Path("out.png")));
}

TEST_F(CliImageFiles, GifFramesAndNetpbmFilesOpenAsTheyDecode) {
  VipsPtr frame = Noise(30, 20, 3);
  VipsImage* frames[] = {frame.get(), frame.get(), frame.get()};
  VipsImage* joined = nullptr;
  ASSERT_EQ(vips_arrayjoin(frames, &joined, 3, "across", 1, nullptr), 0);
  VipsPtr animation(joined);
  vips_image_set_int(animation.get(), "page-height", 20);
  Save(animation.get(), "frames.gif");
  Save(frame.get(), "one.gif");
  Save(frame.get(), "colour.ppm");
  Save(Noise(30, 20, 1).get(), "gray.pgm");
  const struct {
    const char* name;
    int32_t pages, planes;
  } cases[] = {{"frames.gif", 3, 4}, {"one.gif", 1, 3}, {"colour.ppm", 1, 3}, {"gray.pgm", 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out = dir.Path(std::string(c.name) + ".tif");
    CliResult result = Filter(dir.Path(c.name), out, {"--coefficients", IdentityCoefficients()});
    ASSERT_EQ(result.status, 0) << result.err;
    Picture in = Read(dir.Path(c.name)), filtered = Read(out);
    EXPECT_EQ(filtered.pages, c.pages);
    EXPECT_EQ(filtered.image.planes, c.planes);
    EXPECT_TRUE(filtered.image.samples == in.image.samples);
  }
}

TEST_F(CliImageFiles, DamagedFilesAreRefusedUnlessDamageIsAccepted) {
  Save(Noise(64, 48, 3).get(), "whole.jpg");
  std::vector<uint8_t> whole = ReadBytes(dir.Path("whole.jpg"));
  std::vector<uint8_t> cut(whole.begin(), whole.begin() + whole.size() * 2 / 3);
  WriteBytes(dir.Path("cut.jpg"), cut);
  std::vector<uint8_t> tall = whole;
  for (size_t at = 2; at + 9 < tall.size(); at += 2 + size_t(tall[at + 2] << 8 | tall[at + 3]))
    if (tall[at] == 0xFF && tall[at + 1] == 0xC0) {
      for (size_t side : {at + 5, at + 7}) tall[side] = 30000 >> 8, tall[side + 1] = 30000 & 0xFF;
      break;
    }
  WriteBytes(dir.Path("tall.jpg"), tall);
  Save(Noise(64, 48, 3).get(), "whole.png");
  std::vector<uint8_t> png = ReadBytes(dir.Path("whole.png"));
  png.resize(png.size() - 40);
  WriteBytes(dir.Path("cut.png"), png);
  const struct {
    const char* name;
    const char* damage;
  } cases[] = {{"cut.jpg", "Premature end"}, {"tall.jpg", "30000 x 30000"}, {"cut.png", "damaged"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CliResult refused = Filter(dir.Path(c.name), dir.Path("out.tif"), {});
    EXPECT_EQ(refused.status, kExitInput);
    EXPECT_NE(refused.err.find(std::string(c.name) + ": truncated or damaged"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find(c.damage), std::string::npos) << refused.err;
    EXPECT_FALSE(FileExists(dir.Path("out.tif")));
  }
  CliResult accepted = Filter(dir.Path("cut.jpg"), dir.Path("out.tif"), {"--accept-damaged"});
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_NE(accepted.err.find("warning: " + dir.Path("cut.jpg") + ": truncated or damaged"), std::string::npos)
      << accepted.err;
  EXPECT_EQ(Read(dir.Path("out.tif")).image.height, 48);
}

// A 16 x 16 TIFF written by libtiff with the tags given.
void WriteTiff(const std::string& path, uint16_t photometric, uint16_t samples, const std::vector<uint16_t>& extra,
               const std::vector<uint8_t>& pixel) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 16u);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 16u);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (!extra.empty()) TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(extra.size()), extra.data());
  std::vector<uint8_t> line;
  for (int x = 0; x < 16; ++x) line.insert(line.end(), pixel.begin(), pixel.end());
  for (uint32_t y = 0; y < 16; ++y) TIFFWriteScanline(tiff, line.data(), y, 0);
  TIFFClose(tiff);
}

TEST_F(CliImageFiles, TiffVariantsEnterAsEditorsOpenThem) {
  WriteTiff(dir.Path("white.tif"), PHOTOMETRIC_MINISWHITE, 1, {}, {0});
  Picture white = Read(dir.Path("white.tif"));
  EXPECT_EQ(white.image.planes, 1);
  EXPECT_EQ(white.image.Sample(3, 3, 0), 255);
  WriteTiff(dir.Path("premultiplied.tif"), PHOTOMETRIC_RGB, 4, {EXTRASAMPLE_ASSOCALPHA}, {50, 60, 64, 128});
  Picture straight = Read(dir.Path("premultiplied.tif"));
  ASSERT_TRUE(straight.alpha);
  EXPECT_NEAR(straight.image.Sample(3, 3, 0), 100, 1);
  EXPECT_NEAR(straight.image.Sample(3, 3, 2), 128, 1);
  EXPECT_EQ(straight.image.Sample(3, 3, 3), 128);
}

}  // namespace
