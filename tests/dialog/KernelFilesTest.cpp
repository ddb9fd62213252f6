// Kernel files: the Adobe Custom Filter and text readers, the token rules,
// the text writer and the placement into the 7 x 7 grid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dialog/KernelFiles.h"
#include "contract/Memory.h"
#include "contract/ResultCodes.h"
#include "tests/support/TestSupport.h"
#include "text/NumberFormat.h"

namespace {

using namespace std::string_literals;

// Files under the fixed "c:\" root, which the module and the test both reach.
class KernelFilesTest : public FixedFilesTest {
 protected:
  void TearDown() override {
    for (const std::string& name : names) RemoveFile(FixedPath(name));
    FixedFilesTest::TearDown();
  }

  std::string Place(const std::string& name, const std::string& content) {
    names.push_back(name);
    WriteString(FixedPath(name), content);
    return name;
  }

  std::string PlaceBytes(const std::string& name, const std::vector<uint8_t>& content) {
    names.push_back(name);
    WriteBytes(FixedPath(name), content);
    return name;
  }

  // The tokens of a file, up to and including the one at its end.
  std::vector<KernelToken> Tokens(const std::string& content) {
    const std::string name = Place("c:\\TkTokens.txt", content);
    FileRef file = kNoFile;
    EXPECT_EQ(FileOpen(name.c_str(), &file), 0);
    KernelTextReader reader;
    StartKernelText(&reader, file);
    std::vector<KernelToken> tokens;
    do tokens.push_back(ReadKernelToken(&reader));
    while (!tokens.back().endOfFile && tokens.size() < 10000);
    FileClose(file);
    return tokens;
  }

  LoadedKernel ReadText(const std::string& content, int16_t* status = nullptr) {
    LoadedKernel kernel{};
    int16_t code = ReadTextKernel(Place("c:\\TkKernel.txt", content).c_str(), &kernel);
    if (status != nullptr) *status = code;
    return kernel;
  }

  std::vector<float> Grid(const LoadedKernel& kernel) {
    std::vector<float> grid(49, -7.0f);
    PlaceKernel(kernel, grid.data());
    return grid;
  }

  std::vector<std::string> names;
};

std::vector<std::string> Texts(const std::vector<KernelToken>& tokens) {
  std::vector<std::string> texts;
  for (const KernelToken& t : tokens) texts.emplace_back(t.text);
  return texts;
}

// Lines of values joined with the given separator, each ended by CR LF.
std::string TextKernel(int rows, int columns, const std::string& separator, int first = 1) {
  std::string text;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) text += std::to_string(first + r * columns + c) + (c + 1 < columns ? separator : "");
    text += "\r\n";
  }
  return text;
}

std::vector<uint8_t> AcfBytes(const std::vector<int16_t>& words) {
  std::vector<uint8_t> bytes;
  for (int16_t w : words) {
    bytes.push_back(uint8_t(uint16_t(w) >> 8));
    bytes.push_back(uint8_t(w & 0xFF));
  }
  return bytes;
}

TEST_F(KernelFilesTest, PlacementTransposesEverySizeButSeven) {
  for (int n : {1, 3, 5, 7, 9, 11}) {
    std::vector<float> source(size_t(n) * n);
    for (int i = 0; i < n * n; ++i) source[i] = float(i + 1);
    LoadedKernel kernel{source.data(), n, 1.0f, 0.0f};
    std::vector<float> grid = Grid(kernel);
    for (int row = 0; row < 7; ++row) {
      for (int column = 0; column < 7; ++column) {
        // Grid cell (row, column) relative to the loaded kernel's centre.
        int fileRow = column + (n - 7) / 2, fileColumn = row + (n - 7) / 2;
        if (n == 7) fileRow = row, fileColumn = column;
        bool inside = fileRow >= 0 && fileRow < n && fileColumn >= 0 && fileColumn < n;
        float expected = inside ? source[size_t(fileRow) * n + fileColumn] : 0.0f;
        ASSERT_EQ(grid[7 * row + column], expected) << n << ": " << row << "," << column;
      }
    }
  }
  LoadedKernel empty{nullptr, 0, 1.0f, 0.0f};
  EXPECT_EQ(Grid(empty), std::vector<float>(49, -7.0f));
}

TEST_F(KernelFilesTest, SeparatorsEmptyValuesAndLineEnds) {
  EXPECT_EQ(Texts(Tokens("1,,2\r")), (std::vector<std::string>{"1", "", "2", ""}));
  EXPECT_EQ(Texts(Tokens("1 ,2")), (std::vector<std::string>{"1", "", "2"}));
  EXPECT_EQ(Texts(Tokens("1\t\t2")), (std::vector<std::string>{"1", "", "2"}));
  EXPECT_EQ(Texts(Tokens("1,  2")), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Texts(Tokens("   -3\t4")), (std::vector<std::string>{"-3", "4"}));
  EXPECT_EQ(Texts(Tokens("1\f2\0003\r"s)), (std::vector<std::string>{"123", ""}));

  // "1 2 3 " then CR: four values on the line, the last one empty.
  std::vector<KernelToken> tokens = Tokens("1 2 3 \r\n5");
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_FALSE(tokens[2].endOfLine);
  EXPECT_STREQ(tokens[3].text, "");
  EXPECT_TRUE(tokens[3].endOfLine);
  EXPECT_FALSE(tokens[3].endOfFile);
  EXPECT_STREQ(tokens[4].text, "5");
  EXPECT_TRUE(tokens[4].endOfLine && tokens[4].endOfFile);

  // An empty file: one empty value at the end of the file.
  tokens = Tokens("");
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_TRUE(tokens[0].endOfLine && tokens[0].endOfFile);
}

// CR LF, CR and LF each end a line, a CR LF pair once; so the three kinds of
// file read alike, empty lines included.
TEST_F(KernelFilesTest, EveryKindOfLineEndEndsALine) {
  const std::vector<std::string> lines{"1", "", "", "2", ""};
  EXPECT_EQ(Texts(Tokens("1\r\n\r\n\r\n2\r\n")), lines);
  EXPECT_EQ(Texts(Tokens("1\r\r\r2\r")), lines);
  EXPECT_EQ(Texts(Tokens("1\n\n\n2\n")), lines);
  EXPECT_EQ(Texts(Tokens("1\n\r2\r\n")), (std::vector<std::string>{"1", "", "2", ""}));  // LF CR is two
  for (const KernelToken& token : Tokens("1\r\n2\n3\r4"))
    EXPECT_TRUE(token.endOfLine) << token.text;
}

// Characters one byte per file call, as they were read before the reader had
// a buffer: the buffered one must hand out the same characters and flags
// (tokens are made from nothing else).
struct BytewiseReader {
  FileRef file;
  bool afterCr = false;

  KernelChar Next() {
    uint8_t byte = 0;
    int32_t count = 1;
    if (FileRead(file, &count, &byte) != 0 || count != 1) return {26, true, true};
    const bool pairedLineFeed = byte == '\n' && afterCr;
    afterCr = byte == '\r';
    return {char(byte), byte == '\r' || (byte == '\n' && !pairedLineFeed), false};
  }
};

TEST_F(KernelFilesTest, BufferedReaderMatchesTheBytewiseOne) {
  std::mt19937 random(4);
  const std::string alphabet = "0123456789.-e+ ,\t\r\n\f\r\n";
  for (int trial = 0; trial < 40; ++trial) {
    // Lengths around the buffer's size put pairs and tokens across its edges.
    const size_t length = trial < 20 ? random() % 200 : 4090 + random() % 9000;
    std::string content(length, ' ');
    for (char& c : content) c = trial % 4 == 3 ? char(random()) : alphabet[random() % alphabet.size()];
    // Files are opened for exclusive use: each reader gets its own copy.
    FileRef bufferedFile = kNoFile, bytewiseFile = kNoFile;
    ASSERT_EQ(FileOpen(Place("c:\\TkBuffered.txt", content).c_str(), &bufferedFile), 0);
    ASSERT_EQ(FileOpen(Place("c:\\TkBytewise.txt", content).c_str(), &bytewiseFile), 0);
    KernelTextReader buffered;
    StartKernelText(&buffered, bufferedFile);
    BytewiseReader bytewise{bytewiseFile};
    for (size_t at = 0;; ++at) {
      const KernelChar a = ReadKernelChar(&buffered), b = bytewise.Next();
      ASSERT_EQ(a.character, b.character) << trial << " " << at;
      ASSERT_EQ(a.endOfLine, b.endOfLine) << trial << " " << at;
      ASSERT_EQ(a.endOfFile, b.endOfFile) << trial << " " << at;
      if (a.endOfFile) break;
    }
    FileClose(bufferedFile);
    FileClose(bytewiseFile);
  }
}

TEST_F(KernelFilesTest, LongValuesAreCutAfterFortyOneCharacters) {
  std::string digits(45, '7');
  std::vector<KernelToken> tokens = Tokens(digits + "\t1");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(std::string(tokens[0].text), std::string(41, '7'));
  EXPECT_FALSE(tokens[0].endOfLine);
  EXPECT_EQ(std::string(tokens[1].text), "7777");
  EXPECT_STREQ(tokens[2].text, "1");
  // Exactly 41: the separator behind it then ends an empty value.
  EXPECT_EQ(Texts(Tokens(std::string(41, '1') + ",2")), (std::vector<std::string>{std::string(41, '1'), "", "2"}));
}

TEST_F(KernelFilesTest, EndOfFileIsReportedAsCharacter26) {
  const std::string name = Place("c:\\TkChar.txt", "a\r");
  FileRef file = kNoFile;
  ASSERT_EQ(FileOpen(name.c_str(), &file), 0);
  KernelTextReader reader;
  StartKernelText(&reader, file);
  KernelChar a = ReadKernelChar(&reader), cr = ReadKernelChar(&reader), end = ReadKernelChar(&reader);
  FileClose(file);
  EXPECT_EQ(a.character, 'a');
  EXPECT_FALSE(a.endOfLine || a.endOfFile);
  EXPECT_TRUE(cr.endOfLine && !cr.endOfFile);
  EXPECT_EQ(end.character, 26);
  EXPECT_TRUE(end.endOfLine && end.endOfFile);
  // A file that is not open reads as its end.
  StartKernelText(&reader, kNoFile);
  KernelChar closed = ReadKernelChar(&reader);
  EXPECT_TRUE(closed.endOfFile);
}

TEST_F(KernelFilesTest, MeasuringCountsOnlyLinesOfTwoOrMoreValues) {
  auto measure = [&](const std::string& content) {
    const std::string name = Place("c:\\TkMeasure.txt", content);
    FileRef file = kNoFile;
    EXPECT_EQ(FileOpen(name.c_str(), &file), 0);
    KernelTextReader reader;
    StartKernelText(&reader, file);
    int32_t rows = -1, columns = -1;
    EXPECT_EQ(MeasureTextKernel(&reader, &rows, &columns), 0);
    FileClose(file);
    return std::make_pair(rows, columns);
  };
  EXPECT_EQ(measure(TextKernel(3, 3, "\t")), std::make_pair(3, 3));
  EXPECT_EQ(measure("1\r\n2\r\n\r\n3\t4\r\n"), std::make_pair(1, 2));
  EXPECT_EQ(measure("1\t2\t3\t4\n5\t6\n"), std::make_pair(2, 4));
  EXPECT_EQ(measure("1\t2\t3\t4\r5\t6\r"), std::make_pair(2, 4));
  EXPECT_EQ(measure(""), std::make_pair(0, 1));
  // Measuring starts from the beginning wherever the file stands.
  const std::string name = Place("c:\\TkMeasure.txt", TextKernel(5, 5, " "));
  FileRef file = kNoFile;
  ASSERT_EQ(FileOpen(name.c_str(), &file), 0);
  KernelTextReader reader;
  StartKernelText(&reader, file);
  ReadKernelToken(&reader);
  int32_t rows = 0, columns = 0;
  EXPECT_EQ(MeasureTextKernel(&reader, &rows, &columns), 0);
  EXPECT_EQ(rows, 5);
  EXPECT_EQ(columns, 5);
  FileClose(file);
}

// Only the centre 7 x 7 is used: a file that measures more than 1023 x 1023
// is refused rather than given gigabytes (a few kilobytes of commas measure
// 32767 x 32767), also when it would be cut to an odd 1023.
TEST_F(KernelFilesTest, TextKernelsAbove1023AreRefused) {
  auto commas = [](int32_t side) {
    std::string content(size_t(side), ',');
    for (int32_t row = 1; row < side; ++row) content += "\r\n,";
    return content + "\r\n";
  };
  int16_t status = -1;
  LoadedKernel kernel = ReadText(commas(1023), &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(kernel.size, 1023);
  DisposeBlock(kernel.coefficients);
  for (int32_t side : {1024, 1025}) {
    kernel = ReadText(commas(side), &status);
    EXPECT_EQ(status, memFullErr) << side;
    EXPECT_EQ(kernel.size, 0);
    EXPECT_EQ(kernel.coefficients, nullptr);
  }
}

TEST_F(KernelFilesTest, TextKernelsOfEverySizeLandInTheGrid) {
  // 5 x 5 with 1..5 in the first row: down grid column 1.
  LoadedKernel kernel = ReadText("1 2 3 4 5\r\n" + std::string("0 0 0 0 0\r\n") + "0 0 0 0 0\r\n0 0 0 0 0\r\n0 0 0 0 0\r\n");
  ASSERT_EQ(kernel.size, 5);
  EXPECT_EQ(kernel.scale, 1.0f);
  EXPECT_EQ(kernel.addConstant, 0.0f);
  std::vector<float> grid = Grid(kernel);
  for (int row = 1; row <= 5; ++row) EXPECT_EQ(grid[7 * row + 1], float(row)) << row;
  EXPECT_EQ(grid[7 * 1 + 2], 0.0f);
  DisposeBlock(kernel.coefficients);

  // 9 x 9: the centre 7 x 7, transposed.
  kernel = ReadText(TextKernel(9, 9, "\t"));
  ASSERT_EQ(kernel.size, 9);
  grid = Grid(kernel);
  EXPECT_EQ(grid[0], 11.0f);           // file row 1, column 1
  EXPECT_EQ(grid[1], 20.0f);           // file row 2, column 1
  EXPECT_EQ(grid[7 * 6 + 6], 71.0f);   // file row 7, column 7
  DisposeBlock(kernel.coefficients);

  // 7 lines of 6 values: 5 x 5 from the first five values of the first five lines.
  kernel = ReadText(TextKernel(7, 6, ","));
  ASSERT_EQ(kernel.size, 5);
  EXPECT_EQ(std::vector<float>(kernel.coefficients, kernel.coefficients + 25),
            (std::vector<float>{1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17, 19, 20, 21, 22, 23, 25, 26, 27, 28, 29}));
  DisposeBlock(kernel.coefficients);

  // LF-only and CR-only line ends give the same kernel as CR LF.
  kernel = ReadText(TextKernel(7, 7, "\t", 3));
  const std::vector<float> crlf(kernel.coefficients, kernel.coefficients + 49);
  DisposeBlock(kernel.coefficients);
  for (char kept : {'\n', '\r'}) {
    std::string single = TextKernel(7, 7, "\t", 3);
    std::erase(single, kept == '\n' ? '\r' : '\n');
    kernel = ReadText(single);
    ASSERT_EQ(kernel.size, 7);
    EXPECT_EQ(std::vector<float>(kernel.coefficients, kernel.coefficients + 49), crlf);
    DisposeBlock(kernel.coefficients);
  }
}

TEST_F(KernelFilesTest, EveryLineTakesARowWhenReading) {
  // The empty line was not counted as a row, but it is read as one.
  LoadedKernel kernel = ReadText("1\t2\t3\r\n\r\n4\t5\t6\r\n7\t8\t9\r\n");
  ASSERT_EQ(kernel.size, 3);
  EXPECT_EQ(std::vector<float>(kernel.coefficients, kernel.coefficients + 9),
            (std::vector<float>{1, 2, 3, 0, 0, 0, 4, 5, 6}));
  DisposeBlock(kernel.coefficients);
}

TEST_F(KernelFilesTest, ValueSyntaxReadsAnythingElseAsZero) {
  LoadedKernel kernel = ReadText("1.5e-3\t+2\t1.2.3\r\n-0.25\t.5\t- 4\r\n1 0\t,\tx\r\n");  // "- 4" is "-" and "4"
  ASSERT_EQ(kernel.size, 3);
  EXPECT_EQ(std::vector<float>(kernel.coefficients, kernel.coefficients + 9),
            (std::vector<float>{0.0015f, 0, 0, -0.25f, 0.5f, 0, 1, 0, 0}));
  DisposeBlock(kernel.coefficients);
}

// The exponent form as the number text format writes it reads as its value;
// every other use of a letter still reads as 0.
TEST_F(KernelFilesTest, ExponentFormReadsAsWritten) {
  EXPECT_EQ(KernelFileValue("1.23450e+4"), 12345.0f);
  EXPECT_EQ(KernelFileValue("0.12340e-3"), 0.0001234f);
  EXPECT_EQ(KernelFileValue("-3.50000e+12"), -3.5e12f);
  EXPECT_EQ(KernelFileValue("10.00000e+4"), 100000.0f);  // a carried first digit
  EXPECT_EQ(KernelFileValue("5e-1"), 0.5f);
  EXPECT_EQ(KernelFileValue("9.99999e+99"), INFINITY);
  EXPECT_EQ(KernelFileValue("-9.99999e+99"), -INFINITY);
  EXPECT_EQ(KernelFileValue("1.00000e-99"), 0.0f);
  for (const char* zero : {"1.5e3", "1.5E-3", "+1.5e-3", "1.2.3e+1", "1e+", "e+3", ".e+3", "1.5e-3x", "1.5e--3",
                           "1.5e+3e+1", "-", "-e+1", "1 e+1"})
    EXPECT_EQ(KernelFileValue(zero), 0.0f) << zero;
  // Texts without the exponent keep the decimal reading.
  EXPECT_EQ(KernelFileValue("0.11110"), 0.1111f);
  EXPECT_EQ(KernelFileValue(std::string(41, '9').c_str()), INFINITY);
}

TEST_F(KernelFilesTest, TextWithoutASquareLoadsNothing) {
  int16_t status = -1;
  for (const std::string& content : {std::string("1\r\n2\r\n3\r\n"), std::string(""), std::string("5")}) {
    LoadedKernel kernel = ReadText(content, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(kernel.size, 0);
    EXPECT_EQ(kernel.coefficients, nullptr);
  }
  LoadedKernel missing{};
  EXPECT_EQ(ReadTextKernel("c:\\TkNoSuchKernel.txt", &missing), fnfErr);
  EXPECT_EQ(missing.size, 0);
  EXPECT_EQ(ReadAcfKernel("c:\\TkNoSuchKernel.acf", &missing), fnfErr);
  EXPECT_EQ(missing.coefficients, nullptr);
}

TEST_F(KernelFilesTest, AdobeCustomFilterFilesAreBigEndianWords) {
  std::vector<int16_t> words;
  for (int i = 1; i <= 25; ++i) words.push_back(int16_t(i == 7 ? -300 : i));
  words.push_back(9);
  words.push_back(10);
  std::vector<uint8_t> bytes = AcfBytes(words);
  bytes.resize(80, 0xEE);  // anything after the first 54 bytes is ignored
  LoadedKernel kernel{};
  ASSERT_EQ(ReadAcfKernel(PlaceBytes("c:\\TkFilter.acf", bytes).c_str(), &kernel), 0);
  ASSERT_EQ(kernel.size, 5);
  EXPECT_EQ(kernel.coefficients[0], 1.0f);
  EXPECT_EQ(kernel.coefficients[6], -300.0f);
  EXPECT_EQ(kernel.coefficients[24], 25.0f);
  EXPECT_EQ(kernel.scale, 9.0f);
  EXPECT_EQ(kernel.addConstant, 10.0f);
  std::vector<float> grid = Grid(kernel);
  EXPECT_EQ(grid[7 * 1 + 1], 1.0f);
  EXPECT_EQ(grid[7 * 2 + 1], 2.0f);  // file row 0, column 1
  EXPECT_EQ(grid[7 * 1 + 2], 6.0f);  // file row 1, column 0
  EXPECT_EQ(grid[0], 0.0f);
  DisposeBlock(kernel.coefficients);
}

TEST_F(KernelFilesTest, ShortAdobeCustomFilterFilesAreRefused) {
  std::vector<uint8_t> bytes = AcfBytes(std::vector<int16_t>(27, 3));
  for (size_t length : {size_t(0), size_t(1), size_t(50), size_t(53)}) {
    LoadedKernel kernel{};
    int16_t status = ReadAcfKernel(
        PlaceBytes("c:\\TkShort.acf", std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(length))).c_str(), &kernel);
    EXPECT_NE(status, 0) << length;
    EXPECT_EQ(kernel.size, 0) << length;
    EXPECT_EQ(kernel.coefficients, nullptr) << length;
  }
}

TEST_F(KernelFilesTest, SavedIdentityIsSevenTabSeparatedLines) {
  std::vector<float> identity(49, 0.0f);
  identity[24] = 1.0f;
  Place("c:\\TkSaved.txt", std::string(2000, 'x'));  // creating empties the old file
  EXPECT_EQ(WriteTextKernel("c:\\TkSaved.txt", identity.data(), 7), 0);
  std::string zeros = "0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\r\n";
  std::string expected = zeros + zeros + zeros + "0.0\t0.0\t0.0\t1.00000\t0.0\t0.0\t0.0\r\n" + zeros + zeros + zeros;
  std::vector<uint8_t> bytes = ReadBytes(FixedPath("c:\\TkSaved.txt"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

  LoadedKernel kernel{};
  ASSERT_EQ(ReadTextKernel("c:\\TkSaved.txt", &kernel), 0);
  ASSERT_EQ(kernel.size, 7);
  EXPECT_EQ(Grid(kernel), identity);
  DisposeBlock(kernel.coefficients);
}

TEST_F(KernelFilesTest, SmallCoefficientsSaveInExponentFormAndReadBack) {
  std::vector<float> grid(49, 2.0f);
  grid[0] = 0.0001f;
  names.push_back("c:\\TkSmall.txt");
  WriteTextKernel("c:\\TkSmall.txt", grid.data(), 7);
  std::vector<uint8_t> bytes = ReadBytes(FixedPath("c:\\TkSmall.txt"));
  char text[16];
  FormatNumberText(0.0001f, text);  // 0.0001f lies just below 1e-4: "1.00000e-4"
  ASSERT_NE(std::string(text).find('e'), std::string::npos);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + long(std::strlen(text)) + 1), std::string(text) + "\t");
  LoadedKernel kernel{};
  ASSERT_EQ(ReadTextKernel("c:\\TkSmall.txt", &kernel), 0);
  ASSERT_EQ(kernel.size, 7);
  EXPECT_EQ(kernel.coefficients[0], 0.0001f);
  EXPECT_EQ(kernel.coefficients[1], 2.0f);
  DisposeBlock(kernel.coefficients);
}

// Save then Load gives every coefficient as its written text says, from the
// smallest taps to the largest.
TEST_F(KernelFilesTest, SavedKernelsLoadAsTheirTextSays) {
  std::mt19937 random(15);
  std::uniform_real_distribution<double> exponent(-6.0, std::log10(9999.0));
  names.push_back("c:\\TkRound.txt");
  for (int trial = 0; trial < 50; ++trial) {
    std::vector<float> grid(49);
    for (float& value : grid) value = float((random() % 2 ? -1 : 1) * std::pow(10.0, exponent(random)));
    WriteTextKernel("c:\\TkRound.txt", grid.data(), 7);
    LoadedKernel kernel{};
    ASSERT_EQ(ReadTextKernel("c:\\TkRound.txt", &kernel), 0);
    ASSERT_EQ(kernel.size, 7);
    for (int i = 0; i < 49; ++i) {
      char text[16];
      FormatNumberText(grid[size_t(i)], text);
      EXPECT_EQ(kernel.coefficients[i], std::strtof(text, nullptr)) << text;
    }
    DisposeBlock(kernel.coefficients);
  }
}

// Random bytes as kernel files, short, long and binary: the readers must
// stay inside their buffers (the sanitizer build checks) and hand back
// consistent kernels.
TEST_F(KernelFilesTest, RandomBytesNeverBreakTheReaders) {
  std::mt19937 random(61);
  const std::string alphabet = "0123456789.-+e ,\t\r\n\f";
  for (int trial = 0; trial < 200; ++trial) {
    size_t length = trial < 100 ? random() % 64 : random() % 2000;
    std::vector<uint8_t> bytes(length);
    for (uint8_t& b : bytes)
      b = trial % 2 ? uint8_t(random()) : uint8_t(alphabet[random() % alphabet.size()]);
    const std::string name = PlaceBytes("c:\\TkRandom.dat", bytes);
    for (bool text : {true, false}) {
      LoadedKernel kernel{};
      int16_t status = text ? ReadTextKernel(name.c_str(), &kernel) : ReadAcfKernel(name.c_str(), &kernel);
      ASSERT_EQ(kernel.coefficients == nullptr, kernel.size == 0) << trial;
      if (text) {
        ASSERT_EQ(status, 0) << trial;
        ASSERT_TRUE(kernel.size == 0 || kernel.size % 2 == 1) << trial;
      } else {
        ASSERT_EQ(kernel.size != 0, length >= 54) << trial;
      }
      std::vector<float> grid(49, 0.0f);
      PlaceKernel(kernel, grid.data());
      DisposeBlock(kernel.coefficients);
    }
  }
}

}  // namespace
