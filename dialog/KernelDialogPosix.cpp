#include "dialog/KernelDialog.h"

// Placeholder until the dialog lands: it cannot be shown.
int16_t RunKernelDialog(ImageStore*, JobRecord*, ConvolutionKernel*) { return -1; }
