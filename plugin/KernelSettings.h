// The filter's recorded settings between the preferences, the run's list
// and the kernel: declared from the preferences, made into the kernel before
// the dialog, stored back into both after it.
#pragma once

#include <cstdint>

struct ConvolutionKernel;
struct ImageStore;
struct JobRecord;
struct ParamList;
struct PluginHandle;

int16_t DeclareFilterParameters(JobRecord* job, ParamList* list);
int16_t PrepareFilter(ImageStore* backingStore, JobRecord* job, PluginHandle** filterHandle, ParamList* list,
                      bool suppressDialog);
void LoadKernel(JobRecord* job, ParamList* list, ConvolutionKernel* kernel, bool sixteenBit);
void StoreKernel(JobRecord* job, ParamList* list, ConvolutionKernel* kernel);
