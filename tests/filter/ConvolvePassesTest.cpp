// The engine's relays to the host: progress over the engine's share of the
// bar, and the abort answer passed on as the host gave it.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "filter/ConvolvePasses.h"

namespace {

struct Calls {
  std::vector<std::pair<int32_t, int32_t>> progress;
  Boolean abortAnswer = 0;
  int abortCalls = 0;
} calls;

void TK_CDECL RecordProgress(int32_t done, int32_t total) { calls.progress.emplace_back(done, total); }
Boolean TK_CDECL AnswerAbort() {
  ++calls.abortCalls;
  return calls.abortAnswer;
}

TEST(EngineRelays, ProgressAndAbortReachTheHostOnlyWhenItHasThem) {
  calls = {};
  EngineJob job{};
  ReportEngineProgress(&job, 10, 100);
  EXPECT_EQ(TestEngineAbort(&job), 0);
  EXPECT_TRUE(calls.progress.empty());

  job.progress = RecordProgress;
  job.testAbort = AnswerAbort;
  ReportEngineProgress(&job, 10, 100);
  ReportEngineProgress(&job, 0, 7);
  ASSERT_EQ(calls.progress.size(), 2u);
  EXPECT_EQ(calls.progress[0], std::make_pair(140, 600));
  EXPECT_EQ(calls.progress[1], std::make_pair(7, 42));
  calls.abortAnswer = 0xFF;
  EXPECT_EQ(TestEngineAbort(&job), 0xFF);
  EXPECT_EQ(calls.abortCalls, 1);
}

}  // namespace
