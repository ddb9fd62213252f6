#include "dialog/KernelFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "filter/Kernel.h"
#include "filter/KernelText.h"
#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "contract/PluginApi.h"
#include "contract/ResultCodes.h"
#include "text/FieldWriters.h"

constexpr int32_t kAcfBytes = 54;
constexpr int32_t kAcfSide = 5;
constexpr int32_t kTokenLimit = 41;
// Only the centre 7 x 7 of a kernel is used; a file that measures larger than
// this square (4 MiB of coefficients) is refused rather than given gigabytes.
constexpr int32_t kLargestTextSide = 1023;

// Every reader starts from "nothing loaded", which is what a failure leaves.
static void ResetLoadedKernel(LoadedKernel* kernel) {
  kernel->coefficients = nullptr;
  kernel->size = 0;
  kernel->scale = 1.0f;
  kernel->addConstant = 0.0f;
}

static float BigEndianWord(const uint8_t* bytes, int32_t index) {
  return static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * index] << 8 | bytes[2 * index + 1]));
}

// A short file would leave words the file never held, so it is refused.
int16_t ReadAcfKernel(const char* path, LoadedKernel* kernel) {
  ResetLoadedKernel(kernel);
  FileRef file = kNoFile;
  int16_t code = FileOpen(path, &file);
  if (code != noErr) return code;
  uint8_t bytes[kAcfBytes] = {};
  int32_t count = kAcfBytes;
  code = FileRead(file, &count, bytes);
  FileClose(file);
  if (code != noErr) return code;
  if (count < kAcfBytes) return eofErr;
  auto* values = static_cast<float*>(NewBlock(kAcfSide * kAcfSide * sizeof(float)));
  if (values == nullptr) return memFullErr;
  for (int32_t i = 0; i < kAcfSide * kAcfSide; ++i) values[i] = BigEndianWord(bytes, i);
  kernel->coefficients = values;
  kernel->size = kAcfSide;
  kernel->scale = BigEndianWord(bytes, 25);
  kernel->addConstant = BigEndianWord(bytes, 26);
  return noErr;
}

void StartKernelText(KernelTextReader* reader, FileRef file) {
  reader->file = file;
  reader->next = 0;
  reader->count = 0;
  reader->ended = false;
  reader->afterCr = false;
}

static bool FillKernelText(KernelTextReader* reader) {
  int32_t count = int32_t(sizeof(reader->buffer));
  if (FileRead(reader->file, &count, reader->buffer) != noErr || count <= 0) {
    reader->ended = true;
    return false;
  }
  reader->next = 0;
  reader->count = count;
  return true;
}

// CR, LF and CR LF each end a line; the LF of a pair reads as a character
// the token reader skips.
KernelChar ReadKernelChar(KernelTextReader* reader) {
  if (reader->ended || (reader->next == reader->count && !FillKernelText(reader))) return {26, true, true};
  const uint8_t byte = reader->buffer[reader->next++];
  const bool lineFeedOfPair = byte == '\n' && reader->afterCr;
  reader->afterCr = byte == '\r';
  return {static_cast<char>(byte), byte == '\r' || (byte == '\n' && !lineFeedOfPair), false};
}

KernelToken ReadKernelToken(KernelTextReader* reader) {
  KernelToken token{};
  int32_t length = 0;
  bool leading = true;
  while (length < kTokenLimit) {
    const KernelChar next = ReadKernelChar(reader);
    token.endOfLine = next.endOfLine;
    token.endOfFile = next.endOfFile;
    const char c = next.character;
    if (next.endOfLine) break;
    if (c == '\n' || c == '\f' || c == '\0' || (c == ' ' && leading)) continue;
    if (c == '\t' || c == ',' || c == ' ') break;
    token.text[length++] = c;
    leading = false;
  }
  token.text[length] = 0;
  return token;
}

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

static bool AllDigits(const char* begin, const char* end) {
  return begin < end && std::all_of(begin, end, IsDigit);
}

// Optional minus, digits with at most one point, 'e', a sign, digits.
static bool IsExponentForm(const char* text, const char* e, const char* end) {
  const char* mantissa = text[0] == '-' ? text + 1 : text;
  const auto points = std::count(mantissa, e, '.');
  const auto digits = std::count_if(mantissa, e, IsDigit);
  const bool signedExponent = e + 1 < end && (e[1] == '+' || e[1] == '-');
  return points <= 1 && digits > 0 && digits + points == e - mantissa && signedExponent && AllDigits(e + 2, end);
}

float KernelFileValue(const char* text) {
  const char* end = text + std::strlen(text);
  const char* e = std::find(text, end, 'e');
  if (e == end || !IsExponentForm(text, e, end)) {
    char field[kTokenLimit + 2];
    CopyTextBounded(text, field, sizeof(field));
    TerminatedToPrefixed(field);
    return ParseDecimal(field);
  }
  float value = 0;
  if (std::from_chars(text, end, value).ec == std::errc::result_out_of_range) {
    // Beyond the float range the nearest float is infinity, below it zero.
    const float magnitude = e[1] == '-' ? 0.0f : INFINITY;
    value = text[0] == '-' ? -magnitude : magnitude;
  }
  return value;
}

int16_t MeasureTextKernel(KernelTextReader* reader, int32_t* rows, int32_t* columns) {
  *rows = 0;
  *columns = 0;
  int16_t code = FileSeek(reader->file, seekFromStart, 0);
  if (code != noErr) return code;
  StartKernelText(reader, reader->file);
  for (bool endOfFile = false; !endOfFile;) {
    int32_t values = 0;
    bool separated = false;  // a line of one value is no row
    for (;;) {
      const KernelToken token = ReadKernelToken(reader);
      ++values;
      if (token.endOfLine) {
        endOfFile = token.endOfFile;
        break;
      }
      separated = true;
    }
    *columns = std::max(*columns, values);
    if (separated) ++*rows;
  }
  return noErr;
}

// Every line fills one row, also the lines that did not count as rows.
static void ReadTextRows(KernelTextReader* reader, int32_t side, float* values) {
  for (int32_t row = 0; row < side; ++row) {
    for (int32_t column = 0;; ++column) {
      const KernelToken token = ReadKernelToken(reader);
      if (column < side) values[size_t(row) * size_t(side) + size_t(column)] = KernelFileValue(token.text);
      if (token.endOfFile) return;
      if (token.endOfLine) break;
    }
  }
}

// The square a measured file holds, refused above the largest side before
// anything is allocated for it.
static int16_t TextKernelSide(int32_t rows, int32_t columns, int32_t* side) {
  *side = std::min(rows, columns);
  if (*side > kLargestTextSide) return memFullErr;
  if (*side % 2 == 0) --*side;
  return noErr;
}

static int16_t ReadMeasuredTextKernel(KernelTextReader* reader, LoadedKernel* kernel) {
  int32_t rows = 0, columns = 0, side = 0;
  int16_t code = MeasureTextKernel(reader, &rows, &columns);
  if (code == noErr) code = TextKernelSide(rows, columns, &side);
  if (code != noErr || side < 1) return code;
  auto* values = static_cast<float*>(NewClearedBlock(uint32_t(side) * uint32_t(side) * sizeof(float)));
  if (values == nullptr) return memFullErr;
  code = FileSeek(reader->file, seekFromStart, 0);
  if (code != noErr) {
    DisposeBlock(values);
    return code;
  }
  StartKernelText(reader, reader->file);
  ReadTextRows(reader, side, values);
  kernel->coefficients = values;
  kernel->size = side;
  return noErr;
}

int16_t ReadTextKernel(const char* path, LoadedKernel* kernel) {
  ResetLoadedKernel(kernel);
  FileRef file = kNoFile;
  int16_t code = FileOpen(path, &file);
  if (code != noErr) return code;
  KernelTextReader reader;
  StartKernelText(&reader, file);
  code = ReadMeasuredTextKernel(&reader, kernel);
  FileClose(file);
  return code;
}

// Returns the first failed write's code, although the dialog ignores it.
int16_t WriteTextKernel(const char* path, const float* coefficients, int32_t size) {
  if (FileCreate(path, FourCC("ttxt"), FourCC("TEXT")) != noErr) {
    FileDelete(path);
    FileCreate(path, FourCC("ttxt"), FourCC("TEXT"));
  }
  FileRef file = kNoFile;
  int16_t code = FileOpen(path, &file);
  if (code != noErr) return code;
  for (int32_t row = 0; row < size; ++row) {
    for (int32_t column = 0; column < size; ++column) {
      const bool last = column == size - 1;
      const int16_t written = WriteFieldFloat(file, coefficients[row * size + column], !last, last);
      if (code == noErr) code = written;
    }
  }
  FileClose(file);
  return code;
}

void PlaceKernel(const LoadedKernel& kernel, float* grid) {
  constexpr size_t kSide = kKernelSide;
  const size_t n = kernel.size > 0 ? size_t(kernel.size) : 0;
  const float* source = kernel.coefficients;
  if (n == 0 || source == nullptr) return;
  if (n == kSide) {
    std::copy(source, source + kCoefficientCount, grid);
    return;
  }
  // Every other size lands transposed: file row r, column c goes to grid
  // row c, column r, centred.
  for (size_t row = 0; row < kSide; ++row) {
    for (size_t column = 0; column < kSide; ++column) {
      float& cell = grid[kSide * row + column];
      if (n > kSide) {
        const size_t margin = (n - kSide) / 2;
        cell = source[n * (margin + column) + (margin + row)];
      } else {
        const size_t margin = (kSide - n) / 2;
        const bool inside = column >= margin && column - margin < n && row >= margin && row - margin < n;
        cell = inside ? source[n * (column - margin) + (row - margin)] : 0.0f;
      }
    }
  }
}
