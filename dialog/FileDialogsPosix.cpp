#include <cstring>

#include "dialog/FileDialogs.h"
#include "contract/BoundedText.h"

static FileDialogRecord lastDialog{};
static char nextChoice[kFileChoicePathSize];
static bool haveNextChoice = false;

// As the system's dialog does, a path that does not fit is a failure.
void SetNextFileChoice(const char* path) {
  haveNextChoice = path != nullptr && std::strlen(path) < kFileChoicePathSize;
  CopyTextBounded(path, nextChoice, kFileChoicePathSize);
}

const FileDialogRecord& LastFileDialog() { return lastDialog; }

// The extension starts after the last point of the last path component.
static uint16_t ExtensionOffset(const char* path) {
  const char* name = path;
  for (const char* p = path; *p != 0; ++p)
    if (*p == '/' || *p == '\\') name = p + 1;
  const char* point = std::strrchr(name, '.');
  return point == nullptr ? 0 : static_cast<uint16_t>(point + 1 - path);
}

static bool AnswerDialog(const FileDialogRequest& request, bool save, FileChoice* choice) {
  lastDialog.request = request;
  lastDialog.save = save;
  CopyTextBounded(choice->path, lastDialog.initialName, kFileChoicePathSize);
  ++lastDialog.shown;
  if (!haveNextChoice) return false;
  haveNextChoice = false;
  std::memcpy(choice->path, nextChoice, kFileChoicePathSize);
  choice->extensionOffset = ExtensionOffset(choice->path);
  return true;
}

bool ShowOpenFileDialog(const FileDialogRequest& request, FileChoice* choice) {
  return AnswerDialog(request, false, choice);
}

bool ShowSaveFileDialog(const FileDialogRequest& request, FileChoice* choice) {
  return AnswerDialog(request, true, choice);
}
