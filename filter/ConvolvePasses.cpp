#include "filter/ConvolvePasses.h"

#include <xmmintrin.h>

#include <algorithm>
#include <atomic>

#include "filter/ConvolvePlan.h"
#include "filter/ConvolveRows.h"
#include "filter/Kernel.h"
#include "filter/RowRing.h"
#include "contract/ResultCodes.h"
#include "platform/Platform.h"
#include "store/ImageStore.h"

namespace {

// Every exception masked, round to nearest, no flush to zero: a host may run
// with other settings, which would trap on a zero scale factor or change the
// sums' bits. The host's own settings are back in force during its callbacks.
constexpr uint32_t kEngineFloatControl = 0x1F80;

// Below this many pixels, or this many rows a band, starting threads costs
// more than it saves.
constexpr int64_t kThreadedPixels = 1 << 18;
constexpr int32_t kBandRows = 32;
// Each band holds its own ring: on a 32-bit host's address space, few.
constexpr int32_t kMaxWorkers = sizeof(void*) == 4 ? 4 : 16;

int32_t forcedWorkers = 0;

uint32_t EnterEngineArithmetic() {
  const uint32_t host = _mm_getcsr();
  _mm_setcsr(kEngineFloatControl);
  return host;
}

void LeaveEngineArithmetic(uint32_t host) { _mm_setcsr(host); }

// What the host's thread and the workers of one pass share, each on a
// cache line of its own: every thread raises the count after each row.
struct PassShared {
  alignas(64) PlatformCount rowsDone;
  alignas(64) std::atomic<bool> stop;
};

struct PassRun;

// Rows [first, end) of the image, convolved in place by one thread. A band
// reads the rows around it before any band writes, so each band may
// overwrite its own rows as it goes. Bands sit on cache lines of their own,
// so one thread's ring never shares a line with another's.
struct alignas(64) Band {
  PassRun* run;
  int32_t first;
  int32_t end;
  RowRing ring;
  RowJob job;
  PlatformThread thread;
  bool started;
};

struct PassRun {
  ImageStore* store;
  const EngineJob* job;
  const ConvolvePlan* plan;
  Band* bands;
  int32_t bandCount;
  int32_t height;
  int32_t rowsPassed;
  int32_t rowsTotal;
  uint32_t hostFloatControl;
  // Of the pass under way:
  RowPass pass;
  RowFunction computeRow;
  RowFunction computePair;  // null: one row at a time
  int32_t rowsReported;
  PassShared shared;
};

// Progress from one sixth to five sixths of the host's bar, then the abort test.
bool ReportAndTestAbort(PassRun& run) {
  LeaveEngineArithmetic(run.hostFloatControl);
  ReportEngineProgress(run.job, run.rowsPassed, run.rowsTotal);
  const bool aborted = TestEngineAbort(run.job) != 0;
  run.hostFloatControl = EnterEngineArithmetic();
  return aborted;
}

// The host hears of row i, once and in order, when i rows of the pass are
// done, as if one thread went down the image; false once it aborts.
bool ReportRowsDone(PassRun& run) {
  while (run.rowsReported < run.height && run.rowsReported <= PlatformReadCount(&run.shared.rowsDone)) {
    if (ReportAndTestAbort(run)) {
      run.shared.stop.store(true, std::memory_order_relaxed);
      return false;
    }
    ++run.rowsReported;
    ++run.rowsPassed;
  }
  return true;
}

// The slot takes the source row: from the store inside the band, from the
// rows read ahead below it.
void FillBandSlot(const PassRun& run, Band& band, int32_t slot, int32_t row) {
  const int32_t clamped = std::min(row, run.height - 1);
  if (clamped < band.end) {
    FillRingRow(run.plan, run.store, &band.ring, slot, clamped);
  } else {
    TakeRingTail(&band.ring, slot, clamped - band.end);
  }
}

// Result row y, or rows y and y + 1 together where the band has both;
// the number of rows done.
int32_t ComputeBandRows(const PassRun& run, Band& band, int32_t y) {
  const int32_t rows = run.computePair != nullptr && y + 1 < band.end ? 2 : 1;
  for (int32_t k = 0; k < rows; ++k) FillBandSlot(run, band, 6 + k, y + 3 + k);
  std::copy(band.ring.slots, band.ring.slots + kRingSlots, band.job.rows);
  (rows == 2 ? run.computePair : run.computeRow)(&band.job);
  // Every later read is of a row below y + rows + 2 or of the last row, so
  // the rows done may be overwritten.
  const int32_t rowBytes = run.plan->rowSamples * (run.plan->sixteenBit ? 2 : 1);
  if (run.pass != kScanPass) {
    WriteStoreRow(run.store, 0, y, rowBytes, band.ring.outputRow);
    if (rows == 2) WriteStoreRow(run.store, 0, y + 1, rowBytes, band.ring.secondOutputRow);
  }
  AdvanceRing(&band.ring, rows);
  return rows;
}

void RunWorkerThread(void* argument) {
  Band& band = *static_cast<Band*>(argument);
  PassRun& run = *band.run;
  const uint32_t control = EnterEngineArithmetic();
  for (int32_t y = band.first; y < band.end && !run.shared.stop.load(std::memory_order_relaxed);) {
    const int32_t rows = ComputeBandRows(run, band, y);
    PlatformAddToCount(&run.shared.rowsDone, rows);
    y += rows;
  }
  LeaveEngineArithmetic(control);
}

// The host's own band, with its reports between the rows.
bool RunHostBand(PassRun& run, Band& band) {
  for (int32_t y = band.first; y < band.end;) {
    if (!ReportRowsDone(run)) return false;
    const int32_t rows = ComputeBandRows(run, band, y);
    PlatformAddToCount(&run.shared.rowsDone, rows);
    y += rows;
  }
  return true;
}

// The rest of the reports while the workers finish, asleep between rows;
// false once the host aborts.
bool ReportUntilDone(PassRun& run) {
  while (run.rowsReported < run.height) {
    if (!ReportRowsDone(run)) return false;
    if (run.rowsReported < run.height) PlatformAwaitCount(&run.shared.rowsDone, run.rowsReported);
  }
  return true;
}

void StartPass(PassRun& run, RowPass pass) {
  run.pass = pass;
  run.computeRow = ChooseRowFunction(run.plan, pass);
  run.computePair = ChoosePairRowFunction(run.plan, pass);
  run.rowsReported = 0;
  PlatformBeginCount(&run.shared.rowsDone);
  run.shared.stop.store(false);
  for (int32_t b = 0; b < run.bandCount; ++b) {
    Band& band = run.bands[b];
    StartRing(run.plan, run.store, &band.ring, band.first, run.height);
    ReadRingTail(run.plan, run.store, &band.ring, band.end, run.height);
  }
}

// One pass over every row; false when the user aborted. Bands whose thread
// would not start run on the host's thread after its own.
bool RunPass(PassRun& run, RowPass pass) {
  StartPass(run, pass);
  for (int32_t b = 1; b < run.bandCount; ++b) {
    Band& band = run.bands[b];
    band.started = PlatformStartThread(RunWorkerThread, &band, &band.thread);
  }
  bool going = RunHostBand(run, run.bands[0]);
  for (int32_t b = 1; going && b < run.bandCount; ++b)
    if (!run.bands[b].started) going = RunHostBand(run, run.bands[b]);
  going = going && ReportUntilDone(run);
  for (int32_t b = 1; b < run.bandCount; ++b)
    if (run.bands[b].started) PlatformJoinThread(&run.bands[b].thread);
  PlatformEndCount(&run.shared.rowsDone);
  return going;
}

// The range of the sums over every band, which every band then maps by:
// minimum and maximum do not depend on the order the rows were summed in.
void GatherRange(PassRun& run) {
  RowJob range = run.bands[0].job;
  for (int32_t b = 1; b < run.bandCount; ++b) {
    range.minimum = std::min(range.minimum, run.bands[b].job.minimum);
    range.maximum = std::max(range.maximum, run.bands[b].job.maximum);
  }
  if (range.maximum > range.minimum) range.factor = run.plan->top / (range.maximum - range.minimum);
  for (int32_t b = 0; b < run.bandCount; ++b) {
    run.bands[b].job.minimum = range.minimum;
    run.bands[b].job.maximum = range.maximum;
    run.bands[b].job.factor = range.factor;
  }
}

bool RunPasses(PassRun& run, bool autoscale) {
  for (int32_t b = 0; b < run.bandCount; ++b)
    run.bands[b].job =
        RowJob{run.plan, {}, run.bands[b].ring.outputRow, run.bands[b].ring.secondOutputRow, 1e30, -1e30, 1.0};
  if (!autoscale) return RunPass(run, kPlainPass);
  if (!RunPass(run, kScanPass)) return false;
  GatherRange(run);
  return RunPass(run, kMapPass);
}

int32_t AutomaticWorkers(const ImageStore* store, int32_t width, int32_t height) {
  // A store read through its file has one file position for every thread.
  if (!store->mapped || int64_t(width) * height < kThreadedPixels) return 1;
  return std::min({PlatformProcessorCount(), kMaxWorkers, height / kBandRows});
}

void DisposeBands(Band* bands, int32_t count) {
  for (int32_t b = 0; b < count; ++b) DisposeRowRing(&bands[b].ring);
}

// Equal bands, each with its ring; the bands above another read ahead.
int16_t NewBands(const ConvolvePlan* plan, int32_t height, Band* bands, int32_t count) {
  for (int32_t b = 0; b < count; ++b) {
    bands[b] = Band{};
    bands[b].first = int32_t(int64_t(height) * b / count);
    bands[b].end = int32_t(int64_t(height) * (b + 1) / count);
    if (NewRowRing(plan, &bands[b].ring, b + 1 < count ? kMaxTailRows : 0) != noErr) {
      DisposeBands(bands, b);
      return memFullErr;
    }
  }
  return noErr;
}

}  // namespace

void ReportEngineProgress(const EngineJob* job, int32_t row, int32_t height) {
  if (job->progress != nullptr) job->progress(height + 4 * row, 6 * height);
}

Boolean TestEngineAbort(const EngineJob* job) { return job->testAbort != nullptr ? job->testAbort() : Boolean{0}; }

void SetConvolveWorkers(int32_t count) { forcedWorkers = count; }

int32_t ConvolveWorkers(const ImageStore* store, int32_t width, int32_t height) {
  const int32_t workers = forcedWorkers > 0 && store->mapped ? forcedWorkers : AutomaticWorkers(store, width, height);
  return std::clamp(workers, 1, std::min(height, kMaxWorkers));
}

int16_t ConvolveStore(ImageStore* store, const EngineJob* job, const ConvolutionKernel* kernel, bool sixteenBit) {
  PassRun run{};
  run.store = store;
  run.job = job;
  run.height = job->height;
  run.hostFloatControl = EnterEngineArithmetic();
  ConvolvePlan plan;
  MakeConvolvePlan(kernel, job->width, job->colourPlanes, sixteenBit, &plan);
  Band bands[kMaxWorkers];
  int32_t count = ConvolveWorkers(store, job->width, job->height);
  int16_t result = NewBands(&plan, run.height, bands, count);
  // Memory for one ring may be there when memory for several is not.
  if (result != noErr && count > 1) result = NewBands(&plan, run.height, bands, count = 1);
  if (result == noErr) {
    const bool autoscale = kernel->values[kAutoscaleSlot] != 0.0f;
    run.plan = &plan;
    run.bands = bands;
    run.bandCount = count;
    for (int32_t b = 0; b < count; ++b) bands[b].run = &run;
    run.rowsTotal = autoscale ? 2 * run.height : run.height;
    result = RunPasses(run, autoscale) ? noErr : userCanceledErr;
    DisposeBands(bands, count);
  }
  LeaveEngineArithmetic(run.hostFloatControl);
  return result;
}
