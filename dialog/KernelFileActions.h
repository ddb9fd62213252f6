// The kernel dialog's Load and Save buttons, on its working kernel of 53
// floats (coefficients, scale factor, add constant, autoscale, sixteen-bit).
#pragma once

// Asks for a kernel file; a file read with a usable kernel replaces the
// coefficients, scale factor and add constant, and sets the autoscale switch
// (off for an Adobe Custom Filter file). True when the kernel changed; the
// dialog refreshes its fields and preview in every case.
bool LoadKernelFileAction(float* working);

// Asks for a file name and writes the 49 coefficients as a 7 x 7 text
// kernel. Failures are silent.
void SaveKernelFileAction(const float* working);
