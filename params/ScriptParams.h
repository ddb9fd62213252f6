// The bridge between the host's scripting descriptors and the ParamList:
// values recorded in the host's descriptor are read into the list before the
// filter runs, and every entry of the list is recorded after it ran.
#pragma once

#include <cstdint>

#include "contract/PluginApi.h"

struct ParamList;

// The key array handed to the host: up to 29 keys and the zero code.
constexpr int32_t kKeyArrayCodes = 30;

// Overwrites the list's values with those the host's descriptor holds.
// Returns suppressDialog: true when the filter is to run without its dialog.
bool ReadScriptParams(const FilterRecord* record, ParamList* list);
// Hands every entry of the list to the host for recording. Always 0.
int16_t WriteScriptParams(const FilterRecord* record, const ParamList* list);

bool DescriptorSuiteUsable(const PIDescriptorParameters* parameters);
bool HandleSuiteUsable(const HandleProcs* procs);
// A handle from the host's newProc, or null when the suite is unusable.
Handle NewHostHandle(const HandleProcs* procs, int32_t size);
void DisposeHostHandle(const HandleProcs* procs, Handle handle);
// Closes the read, disposes of the incoming descriptor and clears it.
OSErr CloseDescriptorReader(PIDescriptorParameters* parameters, const HandleProcs* procs, ReadToken& token);
// Closes the write and keeps the new descriptor in `descriptor`. Always 0.
OSErr CloseDescriptorWriter(PIDescriptorParameters* parameters, const HandleProcs* procs, WriteToken& token);
bool HostWantsDialog(const PIDescriptorParameters* parameters);
