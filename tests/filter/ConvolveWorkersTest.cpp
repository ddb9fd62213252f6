// The engine on several workers as the host sees it: the same progress
// reports and abort tests, in the same order, on the host's thread; an abort
// that stops every worker; no thread left behind.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

#include <random>

#include "filter/ConvolvePasses.h"
#include "filter/Kernel.h"
#include "contract/ResultCodes.h"
#include "platform/Platform.h"
#include "tests/support/ConvolveReference.h"
#include "tests/support/EngineHarness.h"

namespace {

constexpr int32_t kWidth = 37;
constexpr int32_t kHeight = 90;

TestImage NoiseImage(int32_t planes, bool sixteenBit) {
  TestImage image = MakeTestImage(kWidth, kHeight, planes, sixteenBit);
  std::mt19937 random(23);
  for (uint16_t& sample : image.samples) sample = uint16_t(random() % (sixteenBit ? 32769 : 256));
  return image;
}

struct KernelValues {
  float values[kKernelFloats] = {};
};

KernelValues Sharpen(bool autoscale) {
  KernelValues kernel;
  for (int32_t i = 0; i < kCoefficientCount; ++i) kernel.values[i] = i % 3 == 0 ? -0.25f : 0.0f;
  kernel.values[24] = 5.0f;
  kernel.values[kScaleFactorSlot] = 1.5f;
  kernel.values[kOffsetSlot] = 3.0f;
  kernel.values[kAutoscaleSlot] = autoscale ? 1.0f : 0.0f;
  return kernel;
}

uint64_t CurrentThread() {
#ifdef _WIN32
  return GetCurrentThreadId();
#else
  return uint64_t(pthread_self());
#endif
}

// The host's thread, as the callbacks see it.
uint64_t callbackThread = 0;
void TK_CDECL NoteThreadAndProgress(int32_t done, int32_t total) {
  if (CurrentThread() != callbackThread) ADD_FAILURE() << "progress from another thread";
  RecordProgress(done, total);
}

class ConvolveWorkersTest : public testing::Test {
 protected:
  void TearDown() override {
    SetConvolveWorkers(0);
    PlatformFailAfter(PlatformService::startThread, -1);
  }

  EngineResult Run(const TestImage& image, const KernelValues& kernel, int32_t workers, HostCalls& calls) {
    SetConvolveWorkers(workers);
    ConvolutionKernel record{};
    std::copy(kernel.values, kernel.values + kKernelFloats, record.values);
    TestJob test(image);
    test.job.progress = NoteThreadAndProgress;
    callbackThread = CurrentThread();
    ImageStore* store = NewStoreWith(image);
    currentHostCalls = &calls;
    EngineResult out;
    out.result = ConvolveStore(store, &test.job, &record, image.sixteenBit);
    currentHostCalls = nullptr;
    out.samples = ReadStoreSamples(store, image);
    DisposeBackingStore(store);
    return out;
  }
};

TEST_F(ConvolveWorkersTest, HostCallsAreThoseOfOneThread) {
  for (bool autoscale : {false, true}) {
    const TestImage image = NoiseImage(3, autoscale);
    HostCalls single;
    const EngineResult one = Run(image, Sharpen(autoscale), 1, single);
    for (int32_t workers : {2, 4, 16}) {
      HostCalls several;
      const EngineResult many = Run(image, Sharpen(autoscale), workers, several);
      EXPECT_EQ(many.result, 0);
      EXPECT_EQ(FirstDifference(image, many.samples, one.samples), "") << workers;
      EXPECT_EQ(several.progress, single.progress) << workers;
      EXPECT_EQ(several.abortCalls, single.abortCalls) << workers;
    }
  }
}

// An abort at the first, a middle and the last row of each pass: the run
// ends there with -128, the host is asked no further, and every row is
// either filtered or untouched; an abort in the range-finding pass leaves
// the whole image untouched.
TEST_F(ConvolveWorkersTest, AnAbortStopsEveryWorker) {
  for (bool autoscale : {false, true}) {
    const TestImage image = NoiseImage(1, false);
    const KernelValues kernel = Sharpen(autoscale);
    const std::vector<uint16_t> filtered = ReferenceConvolve(image, kernel.values);
    std::vector<int32_t> calls{1, kHeight / 2, kHeight};
    if (autoscale) calls.insert(calls.end(), {kHeight + 1, kHeight + kHeight / 2, 2 * kHeight});
    for (int32_t call : calls) {
      SCOPED_TRACE(testing::Message() << (autoscale ? "autoscale" : "plain") << ", abort at call " << call);
      HostCalls host;
      host.abortWhen = [call](int32_t n) { return n == call; };
      const EngineResult engine = Run(image, kernel, 4, host);
      EXPECT_EQ(engine.result, userCanceledErr);
      EXPECT_EQ(host.abortCalls, call);
      EXPECT_EQ(int32_t(host.progress.size()), call);
      for (int32_t y = 0; y < kHeight; ++y) {
        const auto row = [y](const std::vector<uint16_t>& samples) {
          return std::vector<uint16_t>(samples.begin() + y * kWidth, samples.begin() + (y + 1) * kWidth);
        };
        const bool untouched = row(engine.samples) == row(image.samples);
        EXPECT_TRUE(untouched || (call > kHeight || !autoscale ? row(engine.samples) == row(filtered) : false))
            << "row " << y;
      }
    }
  }
}

TEST_F(ConvolveWorkersTest, ManyRunsLeaveNoThreadsOrBlocks) {
  const TestImage image = NoiseImage(3, false);
  const int32_t blocks = PlatformLiveCount(PlatformResource::block);
  for (int32_t run = 0; run < 40; ++run) {
    HostCalls calls;
    calls.abortWhen = [run](int32_t n) { return run % 3 == 0 && n == 1 + run; };
    Run(image, Sharpen(run % 2 == 0), 2 + run % 7, calls);
    ASSERT_EQ(PlatformLiveCount(PlatformResource::thread), 0) << run;
    ASSERT_EQ(PlatformLiveCount(PlatformResource::block), blocks) << run;
  }
}

// A worker that cannot start leaves its band to the host's thread.
TEST_F(ConvolveWorkersTest, BandsWhoseThreadWillNotStartRunOnTheHostsThread) {
  const TestImage image = NoiseImage(3, true);
  HostCalls single;
  const EngineResult one = Run(image, Sharpen(true), 1, single);
  for (int32_t failing : {0, 1, 2}) {
    PlatformFailAfter(PlatformService::startThread, failing);
    HostCalls calls;
    const EngineResult many = Run(image, Sharpen(true), 4, calls);
    EXPECT_EQ(many.result, 0);
    EXPECT_EQ(FirstDifference(image, many.samples, one.samples), "") << failing;
    EXPECT_EQ(calls.progress, single.progress);
  }
}

// Small images, stores read through their file and a single processor stay
// on one thread; large images take the processors the calling thread may use.
TEST_F(ConvolveWorkersTest, WorkerCountFollowsSizeAndProcessors) {
  ImageStore* store = nullptr;
  ASSERT_EQ(NewBackingStore(64, 64, 1, &store), 0);
  EXPECT_EQ(ConvolveWorkers(store, 64, 64), 1);
  const int32_t processors = PlatformProcessorCount();
  EXPECT_GE(processors, 1);
  const int32_t most = sizeof(void*) == 4 ? 4 : 16;  // each band's ring takes address space
  EXPECT_EQ(ConvolveWorkers(store, 4000, 3000), std::min(processors, most));
  EXPECT_EQ(ConvolveWorkers(store, 30000, 40), 1);  // one band of at least 32 rows
#ifndef _WIN32
  // A host that runs several images at once pins each job's thread to its
  // share of the processors; that job's engine keeps to the share.
  cpu_set_t allowed;
  cpu_set_t one;
  ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed), 0);
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE && CPU_COUNT(&one) == 0; ++cpu)
    if (CPU_ISSET(cpu, &allowed)) CPU_SET(cpu, &one);
  ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof one, &one), 0);
  const int32_t pinned = ConvolveWorkers(store, 4000, 3000);
  pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
  EXPECT_EQ(pinned, 1);
#endif
  SetConvolveWorkers(6);
  EXPECT_EQ(ConvolveWorkers(store, 64, 64), std::min(6, most));
  EXPECT_EQ(ConvolveWorkers(store, 64, 4), 4);  // never more than the rows
  store->mapped = 0;
  EXPECT_EQ(ConvolveWorkers(store, 4000, 3000), 1);
  store->mapped = 1;
  DisposeBackingStore(store);
}

}  // namespace
