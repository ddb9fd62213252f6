// The plug-in's fixed working files in the root of drive C. All but the log
// move into the directory that the store path file names (StorePath.h).
#pragma once

constexpr const char* kStorePathFileName = "c:\\MORVPath.TXT";
constexpr const char* kPreferencesFileName = "c:\\MORVpref.xxx";
constexpr const char* kLogFileName = "c:\\MORVlog.txt";
constexpr const char* kBackingStoreFileName = "c:\\BackingS.xxx";
constexpr const char* kOpacityStoreFileName = "c:\\OpacityS.xxx";
constexpr const char* kMaskStoreFileName = "c:\\MaskImag.xxx";
