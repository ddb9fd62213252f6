#include "filter/ConvolvePasses.h"

#include <xmmintrin.h>

#include "filter/ConvolvePlan.h"
#include "filter/ConvolveRows.h"
#include "filter/Kernel.h"
#include "filter/RowRing.h"
#include "host/contract/ResultCodes.h"
#include "store/ImageStore.h"

namespace {

// Every exception masked, round to nearest, no flush to zero: a host may run
// with other settings, which would trap on a zero scale factor or change the
// sums' bits. The host's own settings are back in force during its callbacks.
constexpr uint32_t kEngineFloatControl = 0x1F80;

uint32_t EnterEngineArithmetic() {
  const uint32_t host = _mm_getcsr();
  _mm_setcsr(kEngineFloatControl);
  return host;
}

void LeaveEngineArithmetic(uint32_t host) { _mm_setcsr(host); }

struct PassRun {
  ImageStore* store;
  const EngineJob* job;
  const ConvolvePlan* plan;
  RowRing* ring;
  int32_t height;
  int32_t rowsPassed;
  int32_t rowsTotal;
  uint32_t hostFloatControl;
};

// Progress from one sixth to five sixths of the host's bar, then the abort test.
bool ReportAndTestAbort(PassRun& run) {
  LeaveEngineArithmetic(run.hostFloatControl);
  ReportEngineProgress(run.job, run.rowsPassed, run.rowsTotal);
  const bool aborted = TestEngineAbort(run.job) != 0;
  run.hostFloatControl = EnterEngineArithmetic();
  return aborted;
}

// One pass over every row; false when the user aborted.
bool RunPass(PassRun& run, RowPass pass, RowJob& job) {
  const RowFunction computeRow = ChooseRowFunction(run.plan, pass);
  const int32_t rowBytes = run.plan->rowSamples * (run.plan->sixteenBit ? 2 : 1);
  StartRing(run.plan, run.store, run.ring);
  for (int32_t y = 0; y < run.height; ++y) {
    if (ReportAndTestAbort(run)) return false;
    FillRingRow(run.plan, run.store, run.ring, 6, y + 3 < run.height ? y + 3 : run.height - 1);
    for (int32_t slot = 0; slot < 7; ++slot) job.rows[slot] = run.ring->slots[slot];
    computeRow(&job);
    // Every later read is of a row below y + 3 or of the last row, so row y may be overwritten.
    if (pass != kScanPass) WriteStoreRow(run.store, 0, y, rowBytes, run.ring->outputRow);
    AdvanceRing(run.ring);
    ++run.rowsPassed;
  }
  return true;
}

bool RunPasses(PassRun& run, bool autoscale) {
  RowJob job{run.plan, {}, run.ring->outputRow, 1e30, -1e30, 1.0};
  if (!autoscale) return RunPass(run, kPlainPass, job);
  if (!RunPass(run, kScanPass, job)) return false;
  if (job.maximum > job.minimum) job.factor = run.plan->top / (job.maximum - job.minimum);
  return RunPass(run, kMapPass, job);
}

}  // namespace

void ReportEngineProgress(const EngineJob* job, int32_t row, int32_t height) {
  if (job->progress != nullptr) job->progress(height + 4 * row, 6 * height);
}

Boolean TestEngineAbort(const EngineJob* job) { return job->testAbort != nullptr ? job->testAbort() : Boolean{0}; }

int16_t ConvolveStore(ImageStore* store, const EngineJob* job, const ConvolutionKernel* kernel, bool sixteenBit) {
  PassRun run{store, job, nullptr, nullptr, job->height, 0, 0, EnterEngineArithmetic()};
  ConvolvePlan plan;
  MakeConvolvePlan(kernel, job->width, job->colourPlanes, sixteenBit, &plan);
  RowRing ring;
  int16_t result = NewRowRing(&plan, &ring);
  if (result == noErr) {
    const bool autoscale = kernel->values[kAutoscaleSlot] != 0.0f;
    run.plan = &plan;
    run.ring = &ring;
    run.rowsTotal = autoscale ? 2 * run.height : run.height;
    result = RunPasses(run, autoscale) ? noErr : userCanceledErr;
    DisposeRowRing(&ring);
  }
  LeaveEngineArithmetic(run.hostFloatControl);
  return result;
}
