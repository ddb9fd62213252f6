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

struct KernelToken {
  char text[42];  // at most 41 characters, zero-terminated
  bool endOfLine;
  bool endOfFile;
};

int16_t ReadAcfKernel(const char* path, LoadedKernel* kernel);
int16_t ReadTextKernel(const char* path, LoadedKernel* kernel);
int16_t WriteTextKernel(const char* path, const float* coefficients, int32_t size);
KernelChar ReadKernelChar(FileRef file);
KernelToken ReadKernelToken(FileRef file);
int16_t MeasureTextKernel(FileRef file, int32_t* rows, int32_t* columns);
void PlaceKernel(const LoadedKernel& kernel, float* grid);
