// A filter host: it owns a whole image and a FilterRecord, answers the
// plug-in's row requests, records progress and checks that the plug-in asks
// for no more than it may.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "contract/PluginApi.h"
#include "hostsim/LargePages.h"

namespace hostsim {

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  int32_t planes = 1;
  int32_t depth = 8;             // 8 or 16 bits per sample
  Samples samples;               // rows top first, planes interleaved, 16-bit samples little-endian
  std::vector<uint8_t> mask;     // one byte per pixel, or empty for no selection

  int32_t BytesPerSample() const { return depth == 16 ? 2 : 1; }
  size_t RowBytes() const { return size_t(width) * planes * BytesPerSample(); }
  uint16_t Sample(int32_t x, int32_t y, int32_t plane) const;
  void SetSample(int32_t x, int32_t y, int32_t plane, uint16_t value);
};

Image MakeImage(int32_t width, int32_t height, int32_t planes, int32_t depth);

// True when the plug-in has emptied inRect and outRect: the row pump is over.
bool RectsEmpty(const FilterRecord& record);

// What a run's time is spent on, as the host sees it: the plug-in's calls by
// what it asks for, and the host's own work between them.
enum class RunPhase { setup, reading, dialog, engine, writing, finish, hostRows, awaitingRows, count };
const char* RunPhaseName(RunPhase phase);

struct RunClock {
  std::array<double, size_t(RunPhase::count)> seconds{};
  RunPhase phase = RunPhase::setup;
  std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now();
  // The row pump reads every row, filters in the call after it asks for the
  // top row again, then writes every row back.
  RunPhase pumpStage = RunPhase::reading;
  int32_t lastTop = -1;

  // Charges the time since the last switch to the phase being left.
  void Enter(RunPhase next);
  double Total() const;
};

struct HostOptions {
  bool advanceState = true;
  int16_t imageMode = -1;           // -1: derived from planes and depth
  bool haveFilterRect = false;      // false: the whole image
  Rect16 filterRect{};
  int32_t rowPadding = 0;           // extra bytes at the end of each buffer row
  bool writeInPlace = false;        // output rows go back into the one image (no second copy)
  int32_t outputFill = -1;          // 0..255: the output copy starts as this byte, so unwritten rows show
  int32_t failAdvanceCall = 0;      // > 0: that advanceState call answers -128 and delivers nothing
  bool abortProc = true;
  bool progressProc = true;
  bool handleProcs = true;
  std::function<bool(int32_t calls)> abortWhen;  // asked on every abortProc call
  // For an image still arriving: waits until rows [0, bottom) hold their
  // pixels, false when they never will; the plug-in's request then fails.
  std::function<bool(int32_t bottom)> awaitRows;
  std::function<void(int32_t done, int32_t total)> onProgress;  // after the host has noted it
  int32_t depthField = -1;          // -1: the image's depth
  int32_t maxContinueCalls = 10000000;
};

class Host {
 public:
  Host(EntryPointProc entryPoint, Image image, HostOptions options = {});
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // One selector call, followed by the host's row exchange.
  int16_t Call(int16_t selector);
  // parameters, prepare, start, continue until the rectangles are empty, finish.
  // Returns the first non-zero result, or 0.
  int16_t Run(bool withParameters = true);

  FilterRecord& record() { return *record_; }
  const Image& input() const { return input_; }
  // With writeInPlace both are the one image the host holds.
  const Image& output() const { return options_.writeInPlace ? input_ : output_; }
  // The output, moved out of the host: no copy of a large image.
  Image TakeOutput() { return std::move(Target()); }
  intptr_t& data() { return data_; }

  std::vector<std::pair<int32_t, int32_t>> progress;  // (done, total) per report
  RunClock clock;
  std::vector<std::string> violations;               // requests beyond what the plug-in may ask
  int32_t abortCalls = 0;
  int32_t advanceCalls = 0;
  int32_t continueCalls = 0;
  size_t LiveHandles() const { return handles_.size(); }

  // The host's handle suite, also for tests that hand the module handles.
  Handle NewHandle(int32_t size);
  void DisposeHandle(Handle handle);
  int32_t HandleSize(Handle handle) const;

  // Commits the output row and delivers the rows now requested; false when
  // they never arrived.
  bool Exchange();
  // The advanceState callback.
  OSErr Advance();
  // The progressProc callback.
  void Progress(int32_t done, int32_t total);

  static Host* current;  // the host whose callbacks are running

 private:
  struct RowBuffer {
    std::unique_ptr<uint8_t[]> bytes;
    Rect16 rect{};
    int16_t loPlane = 0, hiPlane = 0;
    int32_t rowBytes = 0;
  };
  void Commit();
  bool CheckRect(const char* what, const Rect16& rect, bool planes, int16_t lo, int16_t hi);
  void Fill(RowBuffer& buffer, const Image& from, const Rect16& rect, int16_t lo, int16_t hi, bool mask);
  Image& Target() { return options_.writeInPlace ? input_ : output_; }
  RunPhase PhaseOfRequest() const;
  void NoteRequest();

  EntryPointProc entryPoint_;
  Image input_;
  Image output_;
  HostOptions options_;
  std::unique_ptr<uint8_t[]> recordBytes_;
  FilterRecord* record_;
  HandleProcs handleProcs_{};
  PlatformData platformData_{};
  intptr_t data_ = 0;
  RowBuffer in_, out_, mask_;
  std::set<Handle> handles_;
};

}  // namespace hostsim
