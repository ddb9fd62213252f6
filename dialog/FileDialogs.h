// The two common file dialogs of the kernel dialog. On Windows they are the
// system's; elsewhere whoever drives the dialog hands in the answer.
#pragma once

#include <cstdint>

// Path buffers of the file dialogs: 255 characters and the terminator.
constexpr uint32_t kFileChoicePathSize = 256;

struct FileDialogRequest {
  const char* filter;  // pairs of texts (description, pattern), each zero-terminated, then an empty text
  const char* title;
  uint32_t flags;      // the Windows dialog's OFN_ flags
  const char* defaultExtension;
};

struct FileChoice {
  char path[kFileChoicePathSize];  // in: the initial name; out: the chosen path
  uint16_t extensionOffset;        // of the extension's first character; 0 when there is none
};

// True when the user chose a file; false on cancel or failure.
bool ShowOpenFileDialog(const FileDialogRequest& request, FileChoice* choice);
bool ShowSaveFileDialog(const FileDialogRequest& request, FileChoice* choice);

#if !defined(_WIN32)
// The answer to the next dialog, open or save: a path taken as chosen, or
// null for a cancel. A dialog without an answer is cancelled.
void SetNextFileChoice(const char* path);

// What the last dialog was shown with.
struct FileDialogRecord {
  FileDialogRequest request;
  bool save;
  char initialName[kFileChoicePathSize];
  int32_t shown;  // dialogs shown so far
};
const FileDialogRecord& LastFileDialog();
#endif
