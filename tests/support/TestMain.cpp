// Each test process gets its own directory for the fixed "c:\" names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

int main(int argc, char** argv) {
#if !defined(_WIN32)
  std::string home = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/tarkel-test-XXXXXX");
  if (mkdtemp(home.data()) == nullptr) return 2;
  setenv("TARKEL_HOME", home.c_str(), 1);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  int status = RUN_ALL_TESTS();
#if !defined(_WIN32)
  std::filesystem::remove_all(home);
#endif
  return status;
}
