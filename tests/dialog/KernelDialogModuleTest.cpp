// The dialog through the loaded module: the hook a Linux host installs its
// driver with, and which modules carry it.
#include <gtest/gtest.h>

#include "contract/DialogDriver.h"
#include "hostsim/ModuleLoader.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(KernelDialogModuleTest, OnlyThePosixModuleOffersTheDriverHook) {
  hostsim::LoadedModule module = hostsim::LoadModule(ModulePath());
  ASSERT_NE(module.entryPoint, nullptr) << module.error;
  hostsim::SetDialogDriverProc hook = hostsim::FindDialogDriverHook(module);
#if defined(_WIN32)
  EXPECT_EQ(hook, nullptr);
#else
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(hook(nullptr), 0);
#endif
  hostsim::UnloadModule(module);
}

}  // namespace
