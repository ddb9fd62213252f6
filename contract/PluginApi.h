// The host's records, callbacks and constants, declared from the binary
// layout that filter hosts rely on. Offsets are asserted for every target.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define TK_CDECL __cdecl
#else
#define TK_CDECL
#endif

using Boolean = uint8_t;
using OSErr = int16_t;
using Fixed = int32_t;
using OSType = uint32_t;
using DescType = uint32_t;
using DescriptorKeyID = uint32_t;
using DescEnum = uint32_t;
using Ptr = char*;
using Handle = char**;

// A four-character code: the first character in the most significant byte.
constexpr uint32_t FourCC(const char (&code)[5]) {
  return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
         (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}

// The value types of the host's scripting descriptors.
constexpr DescType kTextType = FourCC("TEXT");
constexpr DescType kDoubleType = FourCC("doub");
constexpr DescType kBooleanType = FourCC("bool");
constexpr DescType kLongIntegerType = FourCC("long");
constexpr DescType kEnumeratedType = FourCC("enum");

enum FilterSelector : int16_t {
  filterSelectorAbout = 0,
  filterSelectorParameters = 1,
  filterSelectorPrepare = 2,
  filterSelectorStart = 3,
  filterSelectorContinue = 4,
  filterSelectorFinish = 5,
};

enum ImageMode : int16_t {
  plugInModeBitmap = 0,
  plugInModeGrayScale = 1,
  plugInModeIndexedColor = 2,
  plugInModeRGBColor = 3,
  plugInModeCMYKColor = 4,
  plugInModeHSLColor = 5,
  plugInModeHSBColor = 6,
  plugInModeMultichannel = 7,
  plugInModeDuotone = 8,
  plugInModeLabColor = 9,
  plugInModeGray16 = 10,
  plugInModeRGB48 = 11,
};

enum PlayInfo : int16_t {
  plugInDialogDontDisplay = 0,
  plugInDialogDisplay = 1,
  plugInDialogSilent = 2,
};

enum RecordInfo : int16_t {
  plugInDialogOptional = 0,
  plugInDialogRequired = 1,
  plugInDialogNone = 2,
};

using TestAbortProc = Boolean(TK_CDECL*)();
using ProgressProc = void(TK_CDECL*)(int32_t done, int32_t total);
using AdvanceStateProc = OSErr(TK_CDECL*)();
using UnusedProc = void(TK_CDECL*)();

struct Point16 {
  int16_t v, h;
};
struct Rect16 {
  int16_t top, left, bottom, right;
};
struct RGBColor16 {
  uint16_t red, green, blue;
};
struct PlatformData {
  void* hwnd;
};

// Descriptor and handle suites use natural alignment.
using ReadToken = void*;
using WriteToken = void*;

struct ReadDescriptorProcs {
  int16_t readDescriptorProcsVersion;
  int16_t numReadDescriptorProcs;
  ReadToken(TK_CDECL* openReadDescriptorProc)(Handle descriptor, DescriptorKeyID* keyArray);
  OSErr(TK_CDECL* closeReadDescriptorProc)(ReadToken token);
  Boolean(TK_CDECL* getKeyProc)(ReadToken token, DescriptorKeyID* key, DescType* type, int32_t* flags);
  OSErr(TK_CDECL* getIntegerProc)(ReadToken token, int32_t* value);
  OSErr(TK_CDECL* getFloatProc)(ReadToken token, double* value);
  UnusedProc getUnitFloatProc;
  OSErr(TK_CDECL* getBooleanProc)(ReadToken token, Boolean* value);
  OSErr(TK_CDECL* getTextProc)(ReadToken token, Handle* text);
  UnusedProc getAliasProc;
  OSErr(TK_CDECL* getEnumeratedProc)(ReadToken token, DescEnum* value);
  UnusedProc getClassProc;
  UnusedProc getSimpleReferenceProc;
  UnusedProc getObjectProc;
  UnusedProc getCountProc;
  UnusedProc getStringProc;
  UnusedProc getPinnedIntegerProc;
  UnusedProc getPinnedFloatProc;
  UnusedProc getPinnedUnitFloatProc;
};

struct WriteDescriptorProcs {
  int16_t writeDescriptorProcsVersion;
  int16_t numWriteDescriptorProcs;
  WriteToken(TK_CDECL* openWriteDescriptorProc)();
  OSErr(TK_CDECL* closeWriteDescriptorProc)(WriteToken token, Handle* descriptor);
  OSErr(TK_CDECL* putIntegerProc)(WriteToken token, DescriptorKeyID key, int32_t value);
  OSErr(TK_CDECL* putFloatProc)(WriteToken token, DescriptorKeyID key, const double* value);
  UnusedProc putUnitFloatProc;
  OSErr(TK_CDECL* putBooleanProc)(WriteToken token, DescriptorKeyID key, Boolean value);
  OSErr(TK_CDECL* putTextProc)(WriteToken token, DescriptorKeyID key, Handle text);
  UnusedProc putAliasProc;
  OSErr(TK_CDECL* putEnumeratedProc)(WriteToken token, DescriptorKeyID key, DescType type, DescEnum value);
  UnusedProc putClassProc;
  UnusedProc putSimpleReferenceProc;
  UnusedProc putObjectProc;
  UnusedProc putCountProc;
  UnusedProc putStringProc;
  UnusedProc putScopedClassProc;
  UnusedProc putScopedObjectProc;
};

struct PIDescriptorParameters {
  int16_t descriptorParametersVersion;
  int16_t playInfo;
  int16_t recordInfo;
  Handle descriptor;
  WriteDescriptorProcs* writeDescriptorProcs;
  ReadDescriptorProcs* readDescriptorProcs;
};

struct HandleProcs {
  int16_t handleProcsVersion;
  int16_t numHandleProcs;
  Handle(TK_CDECL* newProc)(int32_t size);
  void(TK_CDECL* disposeProc)(Handle h);
  int32_t(TK_CDECL* getSizeProc)(Handle h);
  OSErr(TK_CDECL* setSizeProc)(Handle h, int32_t size);
  Ptr(TK_CDECL* lockProc)(Handle h, Boolean moveHigh);
  void(TK_CDECL* unlockProc)(Handle h);
  UnusedProc recoverSpaceProc;
  UnusedProc disposeRegularHandleProc;
};

#pragma pack(push, 4)
struct FilterRecord {
  int32_t serialNumber;
  TestAbortProc abortProc;
  ProgressProc progressProc;
  Handle parameters;
  Point16 imageSize;
  int16_t planes;
  Rect16 filterRect;
  RGBColor16 background;
  RGBColor16 foreground;
  int32_t maxSpace;
  int32_t bufferSpace;
  Rect16 inRect;
  int16_t inLoPlane, inHiPlane;
  Rect16 outRect;
  int16_t outLoPlane, outHiPlane;
  void* inData;
  int32_t inRowBytes;
  void* outData;
  int32_t outRowBytes;
  Boolean isFloating, haveMask, autoMask;
  Rect16 maskRect;
  void* maskData;
  int32_t maskRowBytes;
  uint8_t backColor[4], foreColor[4];
  OSType hostSig;
  void* hostProcs;
  int16_t imageMode;
  Fixed imageHRes, imageVRes;
  Point16 floatCoord, wholeSize;
  Fixed monitor[10];
  PlatformData* platformData;
  void* bufferProcs;
  void* resourceProcs;
  void* processEvent;
  void* displayPixels;
  HandleProcs* handleProcs;
  Boolean supportsDummyChannels, supportsAlternateLayouts;
  int16_t wantLayout, filterCase, dummyPlaneValue;
  void* premiereHook;
  AdvanceStateProc advanceState;
  Boolean supportsAbsolute, wantsAbsolute;
  void* getPropertyObsolete;
  Boolean cannotUndo, supportsPadding;
  int16_t inputPadding, outputPadding, maskPadding;
  char samplingSupport, reservedByte;
  Fixed inputRate, maskRate;
  void* colorServices;
  int16_t layerPlanes[15];
  int16_t dummyPlanes[4];
  int32_t columnAndPlaneBytes[4];
  void* imageServicesProcs;
  void* propertyProcs;
  int16_t inTileHeight, inTileWidth;
  Point16 inTileOrigin;
  int16_t absTileHeight, absTileWidth;
  Point16 absTileOrigin;
  int16_t outTileHeight, outTileWidth;
  Point16 outTileOrigin;
  int16_t maskTileHeight, maskTileWidth;
  Point16 maskTileOrigin;
  PIDescriptorParameters* descriptorParameters;
  void* errorString;
  void* channelPortProcs;
  void* documentInfo;
  void* sSPBasic;
  void* plugInRef;
  int32_t depth;
  uint8_t reserved[66];
};
#pragma pack(pop)

using EntryPointProc = void(TK_CDECL*)(int16_t selector, FilterRecord* filterRecord, intptr_t* data,
                                       int16_t* result);

// Offsets differ only by pointer width: (32-bit offset, 64-bit offset).
constexpr size_t AbiOffset(size_t offset32, size_t offset64) {
  return sizeof(void*) == 4 ? offset32 : offset64;
}
#define TK_ASSERT_OFFSET(field, o32, o64) \
  static_assert(offsetof(FilterRecord, field) == AbiOffset(o32, o64), "FilterRecord." #field)
TK_ASSERT_OFFSET(serialNumber, 0, 0);
TK_ASSERT_OFFSET(abortProc, 4, 4);
TK_ASSERT_OFFSET(progressProc, 8, 12);
TK_ASSERT_OFFSET(parameters, 12, 20);
TK_ASSERT_OFFSET(imageSize, 16, 28);
TK_ASSERT_OFFSET(planes, 20, 32);
TK_ASSERT_OFFSET(filterRect, 22, 34);
TK_ASSERT_OFFSET(background, 30, 42);
TK_ASSERT_OFFSET(foreground, 36, 48);
TK_ASSERT_OFFSET(maxSpace, 44, 56);
TK_ASSERT_OFFSET(bufferSpace, 48, 60);
TK_ASSERT_OFFSET(inRect, 52, 64);
TK_ASSERT_OFFSET(inLoPlane, 60, 72);
TK_ASSERT_OFFSET(inHiPlane, 62, 74);
TK_ASSERT_OFFSET(outRect, 64, 76);
TK_ASSERT_OFFSET(outLoPlane, 72, 84);
TK_ASSERT_OFFSET(outHiPlane, 74, 86);
TK_ASSERT_OFFSET(inData, 76, 88);
TK_ASSERT_OFFSET(inRowBytes, 80, 96);
TK_ASSERT_OFFSET(outData, 84, 100);
TK_ASSERT_OFFSET(outRowBytes, 88, 108);
TK_ASSERT_OFFSET(isFloating, 92, 112);
TK_ASSERT_OFFSET(haveMask, 93, 113);
TK_ASSERT_OFFSET(autoMask, 94, 114);
TK_ASSERT_OFFSET(maskRect, 96, 116);
TK_ASSERT_OFFSET(maskData, 104, 124);
TK_ASSERT_OFFSET(maskRowBytes, 108, 132);
TK_ASSERT_OFFSET(backColor, 112, 136);
TK_ASSERT_OFFSET(foreColor, 116, 140);
TK_ASSERT_OFFSET(hostSig, 120, 144);
TK_ASSERT_OFFSET(hostProcs, 124, 148);
TK_ASSERT_OFFSET(imageMode, 128, 156);
TK_ASSERT_OFFSET(imageHRes, 132, 160);
TK_ASSERT_OFFSET(imageVRes, 136, 164);
TK_ASSERT_OFFSET(floatCoord, 140, 168);
TK_ASSERT_OFFSET(wholeSize, 144, 172);
TK_ASSERT_OFFSET(monitor, 148, 176);
TK_ASSERT_OFFSET(platformData, 188, 216);
TK_ASSERT_OFFSET(bufferProcs, 192, 224);
TK_ASSERT_OFFSET(resourceProcs, 196, 232);
TK_ASSERT_OFFSET(processEvent, 200, 240);
TK_ASSERT_OFFSET(displayPixels, 204, 248);
TK_ASSERT_OFFSET(handleProcs, 208, 256);
TK_ASSERT_OFFSET(supportsDummyChannels, 212, 264);
TK_ASSERT_OFFSET(supportsAlternateLayouts, 213, 265);
TK_ASSERT_OFFSET(wantLayout, 214, 266);
TK_ASSERT_OFFSET(filterCase, 216, 268);
TK_ASSERT_OFFSET(dummyPlaneValue, 218, 270);
TK_ASSERT_OFFSET(premiereHook, 220, 272);
TK_ASSERT_OFFSET(advanceState, 224, 280);
TK_ASSERT_OFFSET(supportsAbsolute, 228, 288);
TK_ASSERT_OFFSET(wantsAbsolute, 229, 289);
TK_ASSERT_OFFSET(getPropertyObsolete, 232, 292);
TK_ASSERT_OFFSET(cannotUndo, 236, 300);
TK_ASSERT_OFFSET(supportsPadding, 237, 301);
TK_ASSERT_OFFSET(inputPadding, 238, 302);
TK_ASSERT_OFFSET(outputPadding, 240, 304);
TK_ASSERT_OFFSET(maskPadding, 242, 306);
TK_ASSERT_OFFSET(samplingSupport, 244, 308);
TK_ASSERT_OFFSET(reservedByte, 245, 309);
TK_ASSERT_OFFSET(inputRate, 248, 312);
TK_ASSERT_OFFSET(maskRate, 252, 316);
TK_ASSERT_OFFSET(colorServices, 256, 320);
TK_ASSERT_OFFSET(layerPlanes, 260, 328);
TK_ASSERT_OFFSET(dummyPlanes, 290, 358);
TK_ASSERT_OFFSET(columnAndPlaneBytes, 300, 368);
TK_ASSERT_OFFSET(imageServicesProcs, 316, 384);
TK_ASSERT_OFFSET(propertyProcs, 320, 392);
TK_ASSERT_OFFSET(inTileHeight, 324, 400);
TK_ASSERT_OFFSET(absTileHeight, 332, 408);
TK_ASSERT_OFFSET(outTileHeight, 340, 416);
TK_ASSERT_OFFSET(maskTileHeight, 348, 424);
TK_ASSERT_OFFSET(descriptorParameters, 356, 432);
TK_ASSERT_OFFSET(errorString, 360, 440);
TK_ASSERT_OFFSET(channelPortProcs, 364, 448);
TK_ASSERT_OFFSET(documentInfo, 368, 456);
TK_ASSERT_OFFSET(sSPBasic, 372, 464);
TK_ASSERT_OFFSET(plugInRef, 376, 472);
TK_ASSERT_OFFSET(depth, 380, 480);
TK_ASSERT_OFFSET(reserved, 384, 484);
#undef TK_ASSERT_OFFSET
static_assert(sizeof(FilterRecord) == AbiOffset(452, 552), "FilterRecord size");

static_assert(offsetof(PIDescriptorParameters, playInfo) == 2);
static_assert(offsetof(PIDescriptorParameters, recordInfo) == 4);
static_assert(offsetof(PIDescriptorParameters, descriptor) == 8);
static_assert(offsetof(PIDescriptorParameters, writeDescriptorProcs) == AbiOffset(12, 16));
static_assert(offsetof(PIDescriptorParameters, readDescriptorProcs) == AbiOffset(16, 24));
static_assert(offsetof(ReadDescriptorProcs, openReadDescriptorProc) == AbiOffset(4, 8));
static_assert(sizeof(ReadDescriptorProcs) == AbiOffset(4, 8) + 18 * sizeof(void*));
static_assert(offsetof(WriteDescriptorProcs, openWriteDescriptorProc) == AbiOffset(4, 8));
static_assert(sizeof(WriteDescriptorProcs) == AbiOffset(4, 8) + 16 * sizeof(void*));
static_assert(offsetof(HandleProcs, newProc) == AbiOffset(4, 8));
static_assert(sizeof(HandleProcs) == AbiOffset(4, 8) + 8 * sizeof(void*));
static_assert(sizeof(Rect16) == 8 && sizeof(Point16) == 4 && sizeof(RGBColor16) == 6);
