// Kernel files: Adobe Custom Filter (.acf, read) and kernel text (.txt,
// read and written), and the placement of a loaded kernel in the 7 x 7 grid.
#pragma once

#include <cstdint>

#include "store/FileLayer.h"

struct LoadedKernel {
  float* coefficients;  // size * size, row order; freed with DisposeBlock
  int32_t size;         // odd; 0: nothing loaded
  float scale;
  float addConstant;
};

struct KernelChar {
  char character;  // 26 at the end of the file
  bool endOfLine;
  bool endOfFile;
};

// A text kernel file read through a buffer. It keeps what a character-wise
// reader would see: a read that fails or finds nothing ends the file for
// good, and a CR is remembered so that the LF of a CR LF pair is no second
// line end.
struct KernelTextReader {
  FileRef file;
  int32_t next;   // next unread byte of buffer
  int32_t count;  // bytes the buffer holds
  bool ended;
  bool afterCr;
  uint8_t buffer[4096];
};

struct KernelToken {
  char text[42];  // at most 41 characters, zero-terminated
  bool endOfLine;
  bool endOfFile;
};

int16_t ReadAcfKernel(const char* path, LoadedKernel* kernel);
int16_t ReadTextKernel(const char* path, LoadedKernel* kernel);
int16_t WriteTextKernel(const char* path, const float* coefficients, int32_t size);
// Starts reading at the file's current position.
void StartKernelText(KernelTextReader* reader, FileRef file);
KernelChar ReadKernelChar(KernelTextReader* reader);
KernelToken ReadKernelToken(KernelTextReader* reader);
// Measures from the start of the file, wherever the reader stands.
int16_t MeasureTextKernel(KernelTextReader* reader, int32_t* rows, int32_t* columns);
// One value of a kernel file: the kernel text's decimal syntax, or the
// exponent form the number text format writes (1.23450e+4, 0.12340e-3).
float KernelFileValue(const char* text);
void PlaceKernel(const LoadedKernel& kernel, float* grid);
