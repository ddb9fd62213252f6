// What the whole-run tests share: the loaded module, sample images, the
// descriptors a script plays and records, and readers of the files a run
// leaves behind.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/JobRecord.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "tests/support/TestSupport.h"
#include "text/NumberFormat.h"

class FilterRunTest : public ModuleTest {};

// Samples that differ between neighbours, planes and rows; at 16 bits they
// reach 32640, so an added offset meets the 32768 ceiling.
hostsim::Image Ramp(int32_t width, int32_t height, int32_t planes, int32_t depth);

// 1 at the centre, as a script would carry it, and as the run stores it.
std::string IdentityKernelText();

std::string StoredIdentityText();

hostsim::Descriptor Settings(const std::string& kernel, double scale, double offset, bool autoscale);

// Played back without the dialog, the identity kernel returns every sample
// of 15 x 15 pixels or more unchanged (16-bit samples up to 32768).
void PlayIdentity(hostsim::ScriptingHost& scripting);

// The descriptor the plug-in records: its texts travel in 514-byte handles.
hostsim::Descriptor Recorded(const std::string& kernel, double scale, double offset, bool autoscale);

float PreferenceFloat(const std::vector<uint8_t>& file, uint32_t offset);

std::string PreferenceSlot(const std::vector<uint8_t>& file, int32_t slot);

std::string LogText();

std::string Number(float value);
