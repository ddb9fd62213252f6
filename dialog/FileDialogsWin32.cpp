#include <windows.h>

#include <commdlg.h>

#include "dialog/FileDialogs.h"

// No owner window, the first filter pair preselected.
static OPENFILENAMEA DescribeDialog(const FileDialogRequest& request, FileChoice* choice) {
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.lpstrFilter = request.filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = choice->path;
  dialog.nMaxFile = kFileChoicePathSize;
  dialog.lpstrTitle = request.title;
  dialog.Flags = request.flags;
  dialog.lpstrDefExt = request.defaultExtension;
  return dialog;
}

bool ShowOpenFileDialog(const FileDialogRequest& request, FileChoice* choice) {
  OPENFILENAMEA dialog = DescribeDialog(request, choice);
  if (!GetOpenFileNameA(&dialog)) return false;
  choice->extensionOffset = dialog.nFileExtension;
  return true;
}

bool ShowSaveFileDialog(const FileDialogRequest& request, FileChoice* choice) {
  OPENFILENAMEA dialog = DescribeDialog(request, choice);
  if (!GetSaveFileNameA(&dialog)) return false;
  choice->extensionOffset = dialog.nFileExtension;
  return true;
}
