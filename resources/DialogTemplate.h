// The kernel dialog's template: its resource id, the ids of its controls
// and the template image the generator writes.
#pragma once

#include <cstdint>

#include "resources/ResourceBytes.h"

constexpr uint16_t kKernelDialogId = 9550;

constexpr uint16_t kOkButtonId = 1;
constexpr uint16_t kCancelButtonId = 2;
constexpr uint16_t kResetButtonId = 3;
constexpr uint16_t kLoadButtonId = 4;
constexpr uint16_t kSaveButtonId = 5;
constexpr uint16_t kPreviewFrameId = 6;
constexpr uint16_t kVerticalScrollBarId = 7;
constexpr uint16_t kHorizontalScrollBarId = 8;
// The 7 x 7 kernel grid: the field of row r, column c has id 9 + 7r + c.
constexpr uint16_t kFirstKernelFieldId = 9;
constexpr uint16_t kLastKernelFieldId = 57;
constexpr uint16_t kScaleFieldId = 58;
constexpr uint16_t kAddConstantFieldId = 59;
constexpr uint16_t kAutoscaleBoxId = 60;
constexpr uint16_t kLabelId = 0xFFFF;  // labels and the credit line

constexpr int kKernelDialogControlCount = 64;
constexpr const char* kCreditText = "Tarkel custom convolution filter";

// The dialog template: the header, then the 64 controls in tab order, each
// on a 4-byte boundary, standard classes as ordinals, texts in 16-bit
// characters.
ResourceBytes BuildDialogTemplate();
