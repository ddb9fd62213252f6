#include "dialog/KernelFileActions.h"

#include "dialog/FileDialogs.h"
#include "dialog/KernelFiles.h"
#include "filter/Kernel.h"
#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "contract/ResultCodes.h"

static constexpr FileDialogRequest kOpenKernelDialog{
    "Kernels (*.ACF,*.TXT)\0*.acf;*.txt\0Adobe Custom Filter (*.ACF)\0*.acf\0Text File (*.TXT)\0*.txt\0",
    "Open Kernel file...", 0x1004, "act"};  // OFN_FILEMUSTEXIST | OFN_HIDEREADONLY

static constexpr FileDialogRequest kSaveKernelDialog{
    "Text Files (*.TXT)\0*.txt\0", "Save Kernel As...", 0x10002, "txt"};  // OFN_OVERWRITEPROMPT | OFN_NOTESTFILECREATE

// A path without an extension has none, rather than its first character.
static char ExtensionInitial(const FileChoice& choice) {
  return choice.extensionOffset > 0 && choice.extensionOffset < kFileChoicePathSize ? choice.path[choice.extensionOffset]
                                                                                    : '\0';
}

bool LoadKernelFileAction(float* working) {
  FileChoice choice{};
  if (!ShowOpenFileDialog(kOpenKernelDialog, &choice)) return false;
  const char initial = ExtensionInitial(choice);
  LoadedKernel loaded{};
  const int16_t status = initial == 'T' || initial == 't' ? ReadTextKernel(choice.path, &loaded)
                                                           : ReadAcfKernel(choice.path, &loaded);
  const bool usable = status == noErr && loaded.size >= 1;
  if (usable) {
    PlaceKernel(loaded, working);
    working[kScaleFactorSlot] = loaded.scale;
    working[kOffsetSlot] = loaded.addConstant;
    // An Adobe Custom Filter file brings its own scale and offset.
    working[kAutoscaleSlot] = initial == 'A' || initial == 'a' ? 0.0f : 1.0f;
  }
  DisposeBlock(loaded.coefficients);
  return usable;
}

void SaveKernelFileAction(const float* working) {
  FileChoice choice{};
  CopyTextBounded("Kernel.txt", choice.path, kFileChoicePathSize);
  if (ShowSaveFileDialog(kSaveKernelDialog, &choice)) WriteTextKernel(choice.path, working, kKernelSide);
}
