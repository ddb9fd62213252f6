#include "hostsim/Host.h"

#include <algorithm>
#include <iterator>
#include <cstdlib>
#include <cstring>

namespace hostsim {

Host* Host::current = nullptr;

uint16_t Image::Sample(int32_t x, int32_t y, int32_t plane) const {
  size_t at = size_t(y) * RowBytes() + (size_t(x) * planes + plane) * BytesPerSample();
  return depth == 16 ? uint16_t(samples[at] | samples[at + 1] << 8) : samples[at];
}

void Image::SetSample(int32_t x, int32_t y, int32_t plane, uint16_t value) {
  size_t at = size_t(y) * RowBytes() + (size_t(x) * planes + plane) * BytesPerSample();
  samples[at] = uint8_t(value);
  if (depth == 16) samples[at + 1] = uint8_t(value >> 8);
}

Image MakeImage(int32_t width, int32_t height, int32_t planes, int32_t depth) {
  Image image;
  image.width = width;
  image.height = height;
  image.planes = planes;
  image.depth = depth;
  image.samples = Samples(image.RowBytes() * size_t(height));  // zero, untouched
  return image;
}

const char* RunPhaseName(RunPhase phase) {
  static const char* const names[] = {"plug-in set-up (parameters, prepare, start)",
                                      "plug-in reading rows",
                                      "plug-in dialog and kernel",
                                      "plug-in engine, settings, log",
                                      "plug-in writing rows back",
                                      "plug-in finish",
                                      "host row copies",
                                      "host waiting for decoded rows"};
  static_assert(std::size(names) == size_t(RunPhase::count));
  return names[size_t(phase)];
}

void RunClock::Enter(RunPhase next) {
  auto now = std::chrono::steady_clock::now();
  seconds[size_t(phase)] += std::chrono::duration<double>(now - since).count();
  since = now;
  phase = next;
}

double RunClock::Total() const {
  double total = 0;
  for (double part : seconds) total += part;
  return total;
}

bool RectsEmpty(const FilterRecord& record) {
  const Rect16 &in = record.inRect, &out = record.outRect;
  return (in.top | in.left | in.bottom | in.right | out.top | out.left | out.bottom | out.right) == 0;
}

namespace {

struct HostHandle {
  char* data;  // the master pointer: a Handle points here
  int32_t size;
};

}  // namespace

// The callbacks reach the running host through Host::current.
static std::function<bool(int32_t)>* abortPredicate = nullptr;

static Boolean TK_CDECL HostAbort() {
  Host* host = Host::current;
  ++host->abortCalls;
  return abortPredicate != nullptr && *abortPredicate && (*abortPredicate)(host->abortCalls) ? 1 : 0;
}

static void TK_CDECL HostProgress(int32_t done, int32_t total) { Host::current->Progress(done, total); }

static OSErr TK_CDECL HostAdvanceState() { return Host::current->Advance(); }

static Handle TK_CDECL HostNewHandle(int32_t size) { return Host::current->NewHandle(size); }
static void TK_CDECL HostDisposeHandle(Handle handle) { Host::current->DisposeHandle(handle); }
static int32_t TK_CDECL HostGetHandleSize(Handle handle) { return Host::current->HandleSize(handle); }
static OSErr TK_CDECL HostSetHandleSize(Handle handle, int32_t size) {
  auto* h = reinterpret_cast<HostHandle*>(handle);
  if (h == nullptr || size < 0) return -109;
  char* data = static_cast<char*>(std::realloc(h->data, size_t(size) + 1));
  if (data == nullptr) return -108;
  if (size > h->size) std::memset(data + h->size, 0, size_t(size - h->size));
  h->data = data;
  h->size = size;
  return 0;
}
static Ptr TK_CDECL HostLockHandle(Handle handle, Boolean) { return handle != nullptr ? *handle : nullptr; }
static void TK_CDECL HostUnlockHandle(Handle) {}

Host::Host(EntryPointProc entryPoint, Image image, HostOptions options)
    : entryPoint_(entryPoint), input_(std::move(image)), options_(std::move(options)) {
  if (!options_.writeInPlace) output_ = input_;
  if (!options_.writeInPlace && options_.outputFill >= 0)
    std::fill(output_.samples.begin(), output_.samples.end(), uint8_t(options_.outputFill));
  // Hosts allocate more than the record and zero what they do not set.
  recordBytes_ = std::make_unique<uint8_t[]>(sizeof(FilterRecord) + 256);
  std::memset(recordBytes_.get(), 0, sizeof(FilterRecord) + 256);
  record_ = reinterpret_cast<FilterRecord*>(recordBytes_.get());
  FilterRecord& r = *record_;
  r.serialNumber = 0;
  r.abortProc = options_.abortProc ? HostAbort : nullptr;
  r.progressProc = options_.progressProc ? HostProgress : nullptr;
  r.imageSize = Point16{int16_t(input_.height), int16_t(input_.width)};
  r.planes = int16_t(input_.planes);
  r.filterRect = options_.haveFilterRect ? options_.filterRect
                                         : Rect16{0, 0, int16_t(input_.height), int16_t(input_.width)};
  r.maxSpace = 64 << 20;
  r.haveMask = input_.mask.empty() ? 0 : 1;
  r.hostSig = FourCC("TKHS");
  bool colour = input_.planes >= 3;
  r.imageMode = options_.imageMode >= 0 ? options_.imageMode : int16_t(
                input_.depth == 16 ? (colour ? plugInModeRGB48 : plugInModeGray16)
                                     : (colour ? plugInModeRGBColor : plugInModeGrayScale));
  r.depth = options_.depthField >= 0 ? options_.depthField : input_.depth;
  r.platformData = &platformData_;
  r.advanceState = options_.advanceState ? HostAdvanceState : nullptr;
  handleProcs_.handleProcsVersion = 1;
  handleProcs_.numHandleProcs = 8;
  handleProcs_.newProc = HostNewHandle;
  handleProcs_.disposeProc = HostDisposeHandle;
  handleProcs_.getSizeProc = HostGetHandleSize;
  handleProcs_.setSizeProc = HostSetHandleSize;
  handleProcs_.lockProc = HostLockHandle;
  handleProcs_.unlockProc = HostUnlockHandle;
  r.handleProcs = options_.handleProcs ? &handleProcs_ : nullptr;
}

Host::~Host() {
  for (Handle handle : std::set<Handle>(handles_)) DisposeHandle(handle);
}

Handle Host::NewHandle(int32_t size) {
  if (size < 0) return nullptr;
  auto* h = new HostHandle{static_cast<char*>(std::calloc(size_t(size) + 1, 1)), size};
  Handle handle = reinterpret_cast<Handle>(h);
  handles_.insert(handle);
  return handle;
}

void Host::DisposeHandle(Handle handle) {
  if (handles_.erase(handle) == 0) {
    violations.push_back("dispose of a handle the host did not make");
    return;
  }
  auto* h = reinterpret_cast<HostHandle*>(handle);
  std::free(h->data);
  delete h;
}

int32_t Host::HandleSize(Handle handle) const {
  return handles_.count(handle) ? reinterpret_cast<HostHandle*>(handle)->size : 0;
}

void Host::Progress(int32_t done, int32_t total) {
  progress.emplace_back(done, total);
  if (clock.phase == RunPhase::dialog) clock.Enter(RunPhase::engine);
  if (options_.onProgress) options_.onProgress(done, total);
}

static const Rect16* RequestedRows(const FilterRecord& r) {
  if (r.inRect.bottom > r.inRect.top) return &r.inRect;
  if (r.outRect.bottom > r.outRect.top) return &r.outRect;
  return nullptr;
}

// What the plug-in does next with the rows it has asked for: in the filtering
// call the dialog comes first and the engine from its first progress report.
RunPhase Host::PhaseOfRequest() const {
  return RequestedRows(*record_) == nullptr ? RunPhase::finish : clock.pumpStage;
}

void Host::NoteRequest() {
  const Rect16* rows = RequestedRows(*record_);
  if (rows == nullptr) return;
  if (clock.pumpStage == RunPhase::reading && rows->top < clock.lastTop)
    clock.pumpStage = RunPhase::dialog;
  else if (clock.pumpStage == RunPhase::dialog)
    clock.pumpStage = RunPhase::writing;
  clock.lastTop = rows->top;
}

OSErr Host::Advance() {
  if (++advanceCalls == options_.failAdvanceCall) return -128;
  return Exchange() ? 0 : -128;
}

int16_t Host::Call(int16_t selector) {
  Host* previous = current;
  current = this;
  abortPredicate = &options_.abortWhen;
  int16_t result = 0;
  if (selector == filterSelectorContinue) ++continueCalls;
  clock.Enter(selector == filterSelectorContinue ? PhaseOfRequest()
              : selector == filterSelectorFinish ? RunPhase::finish
                                                 : RunPhase::setup);
  entryPoint_(selector, record_, &data_, &result);
  bool exchanges = selector == filterSelectorStart || selector == filterSelectorContinue;
  if (exchanges && !Exchange() && result == 0) result = -128;
  clock.Enter(RunPhase::hostRows);
  current = previous;
  return result;
}

int16_t Host::Run(bool withParameters) {
  int16_t result = 0;
  if (withParameters) result = Call(filterSelectorParameters);
  if (result == 0) result = Call(filterSelectorPrepare);
  if (result == 0) result = Call(filterSelectorStart);
  while (result == 0 && !RectsEmpty(*record_) && continueCalls < options_.maxContinueCalls) result = Call(filterSelectorContinue);
  if (result == 0 && !RectsEmpty(*record_)) violations.push_back("the row pump did not end");
  int16_t finish = Call(filterSelectorFinish);
  if (result != 0 && !options_.writeInPlace) output_ = input_;  // a failed run leaves the document as it was
  return result != 0 ? result : finish;
}

bool Host::CheckRect(const char* what, const Rect16& rect, bool planes, int16_t lo, int16_t hi) {
  const Rect16& f = record_->filterRect;
  if (rect.top == rect.bottom || rect.left == rect.right) return false;  // nothing asked
  std::string name = what;
  if (rect.top < f.top || rect.left < f.left || rect.bottom > f.bottom || rect.right > f.right ||
      rect.top > rect.bottom || rect.left > rect.right)
    violations.push_back(name + " outside the filter rectangle");
  else if (rect.top < 0 || rect.left < 0 || rect.bottom > input_.height || rect.right > input_.width)
    violations.push_back(name + " outside the image");
  else if (rect.bottom - rect.top > 1)
    violations.push_back(name + " more than one row");
  else if (planes && (lo < 0 || hi >= input_.planes || lo > hi))
    violations.push_back(name + " planes outside the image");
  else
    return true;
  return false;
}

// Where a row of the requested planes starts in an image, and how the
// samples of one pixel lie there and in a host buffer.
struct RowLayout {
  size_t offset;  // of the first requested sample of the row
  size_t chunk;   // bytes of the requested planes of one pixel
  size_t stride;  // bytes of one pixel in the image
};

static RowLayout LayoutOf(const Image& image, const Rect16& rect, int16_t lo, int16_t hi) {
  size_t bytesPerSample = size_t(image.BytesPerSample());
  return RowLayout{size_t(rect.top) * image.RowBytes() + (size_t(rect.left) * image.planes + lo) * bytesPerSample,
                   size_t(hi - lo + 1) * bytesPerSample, size_t(image.planes) * bytesPerSample};
}

static void CopyPixels(uint8_t* to, size_t toStride, const uint8_t* from, size_t fromStride, size_t chunk,
                       int32_t width) {
  if (toStride == chunk && fromStride == chunk) {
    std::memcpy(to, from, chunk * size_t(width));
    return;
  }
  for (int32_t x = 0; x < width; ++x) std::memcpy(to + size_t(x) * toStride, from + size_t(x) * fromStride, chunk);
}

void Host::Fill(RowBuffer& buffer, const Image& from, const Rect16& rect, int16_t lo, int16_t hi, bool mask) {
  int32_t width = rect.right - rect.left;
  buffer.rect = rect;
  buffer.loPlane = lo;
  buffer.hiPlane = hi;
  RowLayout layout = mask ? RowLayout{size_t(rect.top) * size_t(from.width) + size_t(rect.left), 1, 1}
                          : LayoutOf(from, rect, lo, hi);
  buffer.rowBytes = int32_t(layout.chunk) * width + options_.rowPadding;
  buffer.bytes = std::make_unique_for_overwrite<uint8_t[]>(size_t(buffer.rowBytes));
  const uint8_t* source = (mask ? from.mask.data() : from.samples.data()) + layout.offset;
  CopyPixels(buffer.bytes.get(), layout.chunk, source, layout.stride, layout.chunk, width);
}

void Host::Commit() {
  if (out_.bytes == nullptr) return;
  Image& target = Target();
  RowLayout layout = LayoutOf(target, out_.rect, out_.loPlane, out_.hiPlane);
  CopyPixels(target.samples.data() + layout.offset, layout.stride, out_.bytes.get(), layout.chunk, layout.chunk,
             out_.rect.right - out_.rect.left);
  out_.bytes.reset();
}

// The lowest row of the image that the requests reach.
static int32_t RowsReached(const FilterRecord& r, int32_t height) {
  int32_t bottom = 0;
  for (const Rect16* rect : {&r.inRect, &r.outRect, &r.maskRect})
    if (rect->bottom > rect->top) bottom = std::max<int32_t>(bottom, rect->bottom);
  return std::min(bottom, height);
}

bool Host::Exchange() {
  clock.Enter(RunPhase::hostRows);
  Commit();
  FilterRecord& r = *record_;
  in_.bytes.reset();
  mask_.bytes.reset();
  r.inData = r.outData = r.maskData = nullptr;
  if (options_.awaitRows) {
    clock.Enter(RunPhase::awaitingRows);
    bool arrived = options_.awaitRows(RowsReached(r, input_.height));
    clock.Enter(RunPhase::hostRows);
    if (!arrived) return false;
  }
  if (CheckRect("inRect", r.inRect, true, r.inLoPlane, r.inHiPlane))
    Fill(in_, input_, r.inRect, r.inLoPlane, r.inHiPlane, false);
  if (CheckRect("outRect", r.outRect, true, r.outLoPlane, r.outHiPlane))
    Fill(out_, Target(), r.outRect, r.outLoPlane, r.outHiPlane, false);
  if (r.haveMask && !input_.mask.empty() && CheckRect("maskRect", r.maskRect, false, 0, 0))
    Fill(mask_, input_, r.maskRect, 0, 0, true);
  r.inData = in_.bytes.get();
  r.inRowBytes = in_.bytes ? in_.rowBytes : 0;
  r.outData = out_.bytes.get();
  r.outRowBytes = out_.bytes ? out_.rowBytes : 0;
  r.maskData = mask_.bytes.get();
  r.maskRowBytes = mask_.bytes ? mask_.rowBytes : 0;
  NoteRequest();
  clock.Enter(PhaseOfRequest());
  return true;
}

}  // namespace hostsim
