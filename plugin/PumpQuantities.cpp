#include "plugin/PumpQuantities.h"

PumpQuantities GetPumpQuantities(const FilterGlobals& globals) {
  const FilterRecord& record = *globals.filterRecord;
  const Rect16& filterRect = record.filterRect;
  PumpQuantities q{};
  q.bytesPerSample = globals.sampleDepth / 8;
  q.width = int32_t{filterRect.right} - filterRect.left;
  q.height = int32_t{filterRect.bottom} - filterRect.top;
  q.planes = record.planes;
  bool rgb = record.imageMode == plugInModeRGBColor || record.imageMode == plugInModeRGB48;
  q.colourPlanes = rgb ? 3 : 1;
  q.extraPlanes = q.planes - q.colourPlanes;
  q.row = int32_t{record.outRect.top} - filterRect.top;
  return q;
}

bool IsPumpable(const PumpQuantities& q) {
  return q.width > 0 && q.width <= INT16_MAX && q.height > 0 && q.height <= INT16_MAX && q.extraPlanes >= 0 &&
         (q.bytesPerSample == 1 || q.bytesPerSample == 2) && q.bytesPerSample * q.planes <= INT16_MAX;
}
