// The scripting terminology that the filter family shares: one suite, one
// event and every parameter and enumeration the family's filters record, in
// stored order. The table is the one source of these codes for the resource
// generator, the scripting code and the module inspector; it is compile-time
// data only, so nothing of it reaches the module unless a code is used.
#pragma once

#include <cstdint>
#include <span>

#include "contract/PluginApi.h"
#include "resources/ResourceBytes.h"

struct TerminologyParam {
  const char* name;
  uint32_t key;
  uint32_t type;
};

// Item names are texts in the host's single-byte code page.
struct TerminologyItem {
  const char* name;
  uint32_t code;
};

struct TerminologyEnumeration {
  uint32_t code;
  std::span<const TerminologyItem> items;
};

constexpr uint16_t kTerminologyId = 16000;
// Hosts know the resource at this length; see BuildTerminology.
constexpr size_t kTerminologyBytes = 10180;
constexpr const char* kSuiteName = "Orrin Works, Inc.";
constexpr const char* kSuiteDescription = "Velmora Pro 1.0";
constexpr uint32_t kSuiteCode = FourCC("mROv");
constexpr uint16_t kSuiteLevel = 1;
constexpr uint16_t kSuiteVersion = 1;
constexpr const char* kEventName = "Custom Filter";
constexpr const char* kEventDescription = "abcd";
constexpr uint32_t kEventClass = FourCC("mROv");
constexpr uint32_t kEventCode = FourCC("CsKr");
constexpr uint32_t kReplyType = FourCC("null");
constexpr uint32_t kDirectParamType = FourCC("#ImR");
constexpr uint16_t kDirectParamFlags = 0xB000;
// Parameters whose type is an enumeration carry this flag.
constexpr uint16_t kEnumeratedParamFlags = 0x2000;

// The keys and types of this filter's own parameters and of the units.
constexpr uint32_t kKernelKey = FourCC("Krnl");
constexpr uint32_t kScaleKey = FourCC("sCAL");
constexpr uint32_t kOffsetKey = FourCC("oFST");
constexpr uint32_t kAutoscaleKey = FourCC("AFlg");
constexpr uint32_t kUnitsKey = FourCC("unCd");
constexpr uint32_t kUnitsType = FourCC("UniT");

// The radio-button enumerations have "rB" codes.
constexpr bool IsRadioType(uint32_t type) { return (type >> 16) == ((uint32_t('r') << 8) | uint32_t('B')); }

// The units and the radio-button enumerations are the enumeration types.
constexpr bool IsEnumerationType(uint32_t type) { return type == kUnitsType || IsRadioType(type); }

inline constexpr TerminologyParam kTerminologyParams[] = {
    {"Filter Type", FourCC("fTYP"), FourCC("rB00")},
    {"Rank By", FourCC("HMRk"), FourCC("rB01")},
    {"Label With Variable", FourCC("mVar"), FourCC("rB32")},
    {"Neighborhood Size", FourCC("nbSz"), FourCC("rB03")},
    {"Color Filter Mode", FourCC("CFil"), FourCC("rB04")},
    {"Color for Ranking", FourCC("clrM"), FourCC("rB05")},
    {"Color Ranking Mode", FourCC("clmM"), FourCC("rB06")},
    {"Color Space Conversion", FourCC("cSpc"), FourCC("rB07")},
    {"Random Distribution", FourCC("ranN"), FourCC("rB08")},
    {"Rank By", FourCC("ranM"), FourCC("rB09")},
    {"Radial Line Distribution", FourCC("RadL"), FourCC("rB10")},
    {"Line Orientation", FourCC("parL"), FourCC("rB11")},
    {"Equalization Mode", FourCC("eQul"), FourCC("rB12")},
    {"Point Grid Type", FourCC("pGrd"), FourCC("rB13")},
    {"Line Grid Mode", FourCC("LinG"), FourCC("rB14")},
    {"Edge Cutoff Mode", FourCC("cutE"), FourCC("rB15")},
    {"Rendering Mode", FourCC("RenM"), FourCC("rB16")},
    {"Automatic Thresholding Mode", FourCC("Athr"), FourCC("rB17")},
    {"Measured Variable Selection", FourCC("gVar"), FourCC("rB32")},
    {"Measured Variable X-Axis", FourCC("gVr1"), FourCC("rB32")},
    {"Measured Variable Y-Axis", FourCC("gVr2"), FourCC("rB32")},
    {"Convolve Normalization", FourCC("cOnV"), FourCC("rB19")},
    {"Profile Average", FourCC("prFa"), FourCC("rB20")},
    {"Color Plane Selected", FourCC("cPln"), FourCC("rB21")},
    {"Fill Color Selected", FourCC("FilM"), FourCC("rB22")},
    {"Channel selected", FourCC("Chnl"), FourCC("rB23")},
    {"Neighborhood type", FourCC("HybM"), FourCC("rB27")},
    {"Math Operation", FourCC("2mth"), FourCC("rB29")},
    {"Morph. Coefficient", FourCC("cOEF"), FourCC("long")},
    {"Morph. Depth", FourCC("dPTH"), FourCC("long")},
    {"Cutoff", FourCC("cOFF"), FourCC("doub")},
    {"Radius", FourCC("rADI"), FourCC("doub")},
    {"Breadth", FourCC("bDTH"), FourCC("doub")},
    {"Angle", FourCC("aNGL"), FourCC("doub")},
    {"Angle Range", FourCC("aRNG"), FourCC("doub")},
    {"ASTM Grain Size", FourCC("gSiz"), FourCC("doub")},
    {"Hit-Or-Miss Mask 0", FourCC("Msk0"), FourCC("long")},
    {"Hit-Or-Miss Mask 1", FourCC("Msk1"), FourCC("long")},
    {"Hit-Or-Miss Mask 2", FourCC("Msk2"), FourCC("long")},
    {"Hit-Or-Miss Mask 3", FourCC("Msk3"), FourCC("long")},
    {"Hit-Or-Miss Mask 4", FourCC("Msk4"), FourCC("long")},
    {"Hit-Or-Miss Mask 5", FourCC("Msk5"), FourCC("long")},
    {"Hit-Or-Miss Mask 6", FourCC("Msk6"), FourCC("long")},
    {"EDM Erosion Depth", FourCC("eDPT"), FourCC("doub")},
    {"Vol. Wt. Mean Radius", FourCC("radV"), FourCC("doub")},
    {"Vol. Wt. Mean Diameter", FourCC("diaV"), FourCC("doub")},
    {"Units", kUnitsKey, kUnitsType},
    {"Neighborhood Radius", FourCC("nRad"), FourCC("doub")},
    {"Inner Radius", FourCC("iRad"), FourCC("long")},
    {"Outer Radius", FourCC("oRad"), FourCC("long")},
    {"Red Color Component", FourCC("Fred"), FourCC("long")},
    {"Green Color Component", FourCC("Fgre"), FourCC("long")},
    {"Blue Color Component", FourCC("Fblu"), FourCC("long")},
    {"Blend Weight", FourCC("blWt"), FourCC("doub")},
    {"Threshold Value", FourCC("thBi"), FourCC("long")},
    {"Auto Bi-Level", FourCC("tAut"), FourCC("bool")},
    {"Line Length", FourCC("LLen"), FourCC("doub")},
    {"Line Angle", FourCC("lAng"), FourCC("doub")},
    {"Number of Grid Points", FourCC("pSpc"), FourCC("long")},
    {"Solid Points", FourCC("pFil"), FourCC("bool")},
    {"Input Number Of Points", FourCC("Pnts"), FourCC("long")},
    {"Output Number Of Points", FourCC("Npts"), FourCC("long")},
    {"Grid Spacing (Pixels)", FourCC("lSpc"), FourCC("long")},
    {"Number Of Features", FourCC("nMrk"), FourCC("long")},
    {"Fractal Dimension", FourCC("FrDm"), FourCC("doub")},
    {"Area Fraction", FourCC("AsbA"), FourCC("doub")},
    {"P sub L", FourCC("PsbL"), FourCC("doub")},
    {"Mean Intercept Length", FourCC("Lsb3"), FourCC("doub")},
    {"Image Area", FourCC("iAre"), FourCC("doub")},
    {"Total Length", FourCC("tLen"), FourCC("doub")},
    {"Number Of Nodes", FourCC("nNod"), FourCC("long")},
    {"Number Of Ends", FourCC("nEnd"), FourCC("long")},
    {"Nearest Neighbor Distance", FourCC("nNbr"), FourCC("doub")},
    {"Expected Random Neighbor Distance", FourCC("pNbr"), FourCC("doub")},
    {"Number Of Peaks", FourCC("nPks"), FourCC("long")},
    {"Number Of Valleys", FourCC("nVal"), FourCC("long")},
    {"S sub Z", FourCC("SsbZ"), FourCC("doub")},
    {"Mean Value", FourCC("STmn"), FourCC("doub")},
    {"Standard Deviation", FourCC("STsd"), FourCC("doub")},
    {"Skew", FourCC("STsk"), FourCC("doub")},
    {"Kurtosis", FourCC("STku"), FourCC("doub")},
    {"Mean Absolute Deviation", FourCC("SsbA"), FourCC("doub")},
    {"Positive Tangent Count", FourCC("Tpls"), FourCC("long")},
    {"Negative Tangent Count", FourCC("Tmin"), FourCC("long")},
    {"Mean Red Value", FourCC("Rval"), FourCC("doub")},
    {"Mean Green Value", FourCC("Gval"), FourCC("doub")},
    {"Mean Blue Value", FourCC("Bval"), FourCC("doub")},
    {"Mean Saturation Value", FourCC("Sval"), FourCC("doub")},
    {"Mean Hue Value", FourCC("Hval"), FourCC("doub")},
    {"Mean Intensity Value", FourCC("Vval"), FourCC("doub")},
    {"Units Per Pixel", FourCC("Cupp"), FourCC("doub")},
    {"Hue Tolerance", FourCC("Hrng"), FourCC("doub")},
    {"Saturation Tolerance", FourCC("Srng"), FourCC("doub")},
    {"Intensity Tolerance", FourCC("Vrng"), FourCC("doub")},
    {"Brightness Value", FourCC("Ilev"), FourCC("long")},
    {"Cutoff Size (Pixels)", FourCC("PxSz"), FourCC("long")},
    {"Fractal Alpha Coefficient", FourCC("Alph"), FourCC("doub")},
    {"Angle (Radians)", FourCC("AngR"), FourCC("doub")},
    {"Difference Of Gaussians", FourCC("dogF"), FourCC("bool")},
    {"Number Of Contour Lines", FourCC("NmCt"), FourCC("long")},
    {"White Background", FourCC("WhtB"), FourCC("bool")},
    {"Gray Lines", FourCC("GryL"), FourCC("bool")},
    {"Lines Showing", FourCC("ShLn"), FourCC("bool")},
    {"Sampling", FourCC("Smpl"), FourCC("long")},
    {"Rank Iterations", FourCC("iTer"), FourCC("long")},
    {"Azimuth", FourCC("PhAz"), FourCC("doub")},
    {"Elevation", FourCC("PhEl"), FourCC("doub")},
    {"Specularity", FourCC("PhSp"), FourCC("doub")},
    {"X Scale", FourCC("xScl"), FourCC("doub")},
    {"Y Scale", FourCC("yScl"), FourCC("doub")},
    {"Rotation Angle", FourCC("iAng"), FourCC("doub")},
    {"Interpolation", FourCC("Ntrp"), FourCC("bool")},
    {"Sine Period", FourCC("sPer"), FourCC("doub")},
    {"Sine Phase", FourCC("sPha"), FourCC("doub")},
    {"Sine Angle", FourCC("sAng"), FourCC("doub")},
    {"Percentage", FourCC("TPct"), FourCC("doub")},
    {"Brightest", FourCC("TPcD"), FourCC("bool")},
    {"Measured Mean Value", FourCC("MPmn"), FourCC("doub")},
    {"Measured Minimum Value", FourCC("MPmi"), FourCC("doub")},
    {"Measured Maximum Value", FourCC("MPmx"), FourCC("doub")},
    {"Measured Standard Deviation", FourCC("MPsd"), FourCC("doub")},
    {"Measured Skew", FourCC("MPsk"), FourCC("doub")},
    {"Measured Kurtosis", FourCC("MPku"), FourCC("doub")},
    {"Regression Slope", FourCC("MPsl"), FourCC("doub")},
    {"Regression Intercept", FourCC("MPic"), FourCC("doub")},
    {"Regression r-Squared", FourCC("MPrr"), FourCC("doub")},
    {"Scale Factor", kScaleKey, FourCC("doub")},
    {"Offset", kOffsetKey, FourCC("doub")},
    {"Kernel File", FourCC("fLTR"), FourCC("TEXT")},
    {"CLUT File", FourCC("cLUT"), FourCC("TEXT")},
    {"Feature Data File", FourCC("fDAT"), FourCC("TEXT")},
    {"Append", FourCC("fAPD"), FourCC("bool")},
    {"Histogram File", FourCC("Hsto"), FourCC("TEXT")},
    {"Profile File", FourCC("prFl"), FourCC("TEXT")},
    {"Grid Area", FourCC("GrAr"), FourCC("doub")},
    {"Plot Direction", FourCC("prFd"), FourCC("doub")},
    {"Density Calibration File", FourCC("DenC"), FourCC("TEXT")},
    {"Classification Recipe File", FourCC("rNAM"), FourCC("TEXT")},
    {"Use Recipe File", FourCC("rSel"), FourCC("bool")},
    {"Brightness Setting 1", FourCC("Ctr1"), FourCC("long")},
    {"Brightness Setting 2", FourCC("Ctr2"), FourCC("long")},
    {"Brightness Setting 3", FourCC("Ctr3"), FourCC("long")},
    {"Brightness Setting 4", FourCC("Ctr4"), FourCC("long")},
    {"Filter Radius (low cutoff)", FourCC("fRd1"), FourCC("doub")},
    {"Filter Radius (high cutoff)", FourCC("fRd2"), FourCC("doub")},
    {"Density", FourCC("Dens"), FourCC("doub")},
    {"Brightness Level (low)", FourCC("Ilv1"), FourCC("long")},
    {"Brightness Level (high)", FourCC("Ilv2"), FourCC("long")},
    {"Image Width (numerator)", FourCC("iWd1"), FourCC("long")},
    {"Image Width (denominator)", FourCC("iWd2"), FourCC("long")},
    {"Number Of Lines", FourCC("nRdL"), FourCC("long")},
    {"Total Area", FourCC("tAre"), FourCC("doub")},
    {"Gamma Setting", FourCC("Gmma"), FourCC("doub")},
    {"Automatic Limits", FourCC("Auto"), FourCC("bool")},
    {"Red-Red Coeff", FourCC("3Srr"), FourCC("doub")},
    {"Red-Green Coeff", FourCC("3Srg"), FourCC("doub")},
    {"Red-Blue Coeff", FourCC("3Srb"), FourCC("doub")},
    {"Green-Red Coeff", FourCC("3Sgr"), FourCC("doub")},
    {"Green-Green Coeff", FourCC("3Sgg"), FourCC("doub")},
    {"Green-Blue Coeff", FourCC("3Sgb"), FourCC("doub")},
    {"Blue-Red Coeff", FourCC("3Sbr"), FourCC("doub")},
    {"Blue-Green Coeff", FourCC("3Sbg"), FourCC("doub")},
    {"Blue-Blue Coeff", FourCC("3Sbb"), FourCC("doub")},
    {"Maximum Diameter", FourCC("MxSz"), FourCC("doub")},
    {"Minimum Diameter", FourCC("MnSz"), FourCC("doub")},
    {"Maximum Formfactor", FourCC("MxSh"), FourCC("doub")},
    {"Minimum Formfactor", FourCC("MnSh"), FourCC("doub")},
    {"Region Center Weighting", FourCC("AEqa"), FourCC("doub")},
    {"Add Fraction of Original", FourCC("AEqb"), FourCC("doub")},
    {"Contrast Expansion", FourCC("AEqg"), FourCC("doub")},
    {"Noise Rejection", FourCC("AEqd"), FourCC("doub")},
    {"Percent", FourCC("Pcnt"), FourCC("doub")},
    {"Percent Add", FourCC("EqVc"), FourCC("doub")},
    {"Neighborhood Size", FourCC("EqVb"), FourCC("long")},
    {"Cycloid Spacing", FourCC("CySp"), FourCC("long")},
    {"Cycloid Radius", FourCC("CyRd"), FourCC("doub")},
    {"Cycloid Continuous", FourCC("CyCn"), FourCC("bool")},
    {"Difference of Gaussians Smoothing", FourCC("DOGa"), FourCC("doub")},
    {"Difference of Gaussians Backgr. Smooth", FourCC("DOGb"), FourCC("doub")},
    {"Difference of Gaussians Subtraction %", FourCC("DOGc"), FourCC("doub")},
    {"Gaussian Smoothing Sigma", FourCC("Gsig"), FourCC("doub")},
    {"Slope", FourCC("Slop"), FourCC("doub")},
    {"Setup Log File", FourCC("lAPD"), FourCC("rB28")},
    {"Log File Path", FourCC("lNAM"), FourCC("TEXT")},
    {"Custom_Kernel", kKernelKey, FourCC("TEXT")},
    {"Neighborhood", FourCC("epsN"), FourCC("long")},
    {"Threshold", FourCC("epsT"), FourCC("long")},
    {"Smoothing Mode", FourCC("epsM"), FourCC("rB31")},
    {"Autoscale Result", kAutoscaleKey, FourCC("bool")},
    {"Histogram Limits", FourCC("Lmts"), FourCC("rB25")},
    {"Horizontal Shift", FourCC("DtnX"), FourCC("doub")},
    {"Vertical Shift", FourCC("DtnY"), FourCC("doub")},
    {"Source Color", FourCC("SrcC"), FourCC("doub")},
    {"Target Color", FourCC("TarC"), FourCC("doub")},
    {"Maximum Limit", FourCC("MaxL"), FourCC("doub")},
    {"Minimum Limit", FourCC("MinL"), FourCC("doub")},
    {"Function", FourCC("Mthm"), FourCC("rB29")},
    {"Scale Factor", FourCC("MthS"), FourCC("doub")},
    {"Constant Offset", FourCC("MthC"), FourCC("doub")},
    {"Autoscale Result", FourCC("MthA"), FourCC("bool")},
    {"Length", FourCC("TrmL"), FourCC("doub")},
    {"Max-Min", FourCC("Prmm"), FourCC("doub")},
    {"Rz", FourCC("PrRz"), FourCC("doub")},
    {"Ra", FourCC("PrRa"), FourCC("doub")},
    {"Rq", FourCC("PrRq"), FourCC("doub")},
    {"Skew", FourCC("PrSk"), FourCC("doub")},
    {"Kurtosis", FourCC("PrKu"), FourCC("doub")},
    {"Angle", FourCC("FTAg"), FourCC("doub")},
    {"Spacing", FourCC("FTSp"), FourCC("doub")},
    {"Magnitude", FourCC("FTMa"), FourCC("doub")},
    {"Phase", FourCC("FTPh"), FourCC("doub")},
    {"Setting", FourCC("TSkl"), FourCC("long")},
    {"Smooth Type", FourCC("GaMd"), FourCC("rB31")},
    {"Operation", FourCC("Mrph"), FourCC("rB30")},
    {"Type", FourCC("CHmd"), FourCC("rB27")},
    {"Smoothing method", FourCC("Eps_"), FourCC("rB26")},
    {"Neighborhood Size", FourCC("Nbor"), FourCC("rB24")},
    {"Segments", FourCC("Sksg"), FourCC("bool")},
    {"Cutoff Segments", FourCC("Skcs"), FourCC("bool")},
    {"End Points", FourCC("Skep"), FourCC("bool")},
    {"Cutoff End Points", FourCC("Skce"), FourCC("bool")},
    {"Nodes", FourCC("Skno"), FourCC("bool")},
};

// Item codes count up (or down) from a small first value, except that the
// item at 12 of four enumerations holds the text code "  12": recorded
// scripts carry the codes as they stand.
inline constexpr TerminologyItem kRB00Items[] = {
    {"Ideal", 3}, {"Hamming", 4}, {"Butterworth 2nd Order", 5}, {"Annulus", 6}, {"Sector", 7},
};
inline constexpr TerminologyItem kRB01Items[] = {
    {"Brightest", 3}, {"Median", 4}, {"Darkest", 5},
};
inline constexpr TerminologyItem kRB02Items[] = {
    {"Feature Number", 3}, {"Area", 4}, {"Convex Area", 5}, {"Perimeter", 6}, {"Convex Perimeter", 7},
    {"Equivalent Circular Diameter", 8}, {"Form Factor", 9}, {"Breadth", 10}, {"Length", 11},
    {"X Feret's Dimension", FourCC("  12")}, {"Y Feret's Dimension", 13}, {"X Center of Gravity", 14},
    {"Y Center of Gravity", 15}, {"Mean Red Value", 16}, {"Mean Green Value", 17}, {"Mean Blue Value", 18},
    {"Mean Hue", 19}, {"Mean Luminance", 20}, {"Mean Saturation", 21}, {"Moment Angle", 22},
    {"Adjusted Count", 23}, {"Density", 24}, {"Number of Holes", 25}, {"Roundness", 26}, {"Aspect Ratio", 27},
    {"Convexity", 28}, {"Solidity", 29},
};
inline constexpr TerminologyItem kRB03Items[] = {
    {"3x3", 3}, {"5x5", 4}, {"7x7", 5},
};
inline constexpr TerminologyItem kRB04Items[] = {
    {"Red", 3}, {"Green", 4}, {"Blue", 5}, {"Yellow", 6}, {"Cyan", 7}, {"Magenta", 8}, {"Intensity", 9},
    {"Hue", 10}, {"Saturation", 11}, {"Filter Wheel", FourCC("  12")},
};
inline constexpr TerminologyItem kRB05Items[] = {
    {"Red", 5}, {"Yellow", 6}, {"Green", 7}, {"Cyan", 8}, {"Blue", 9}, {"Magenta", 10},
};
inline constexpr TerminologyItem kRB06Items[] = {
    {"Erode", 3}, {"Dilate", 4},
};
inline constexpr TerminologyItem kRB07Items[] = {
    {"RGB -> L*a*b", 3}, {"L*a*b -> RGB", 4}, {"RGB -> HSV", 5}, {"HSV -> RGB", 6}, {"RGB -> HSL", 7},
    {"HSL -> RGB", 8},
};
inline constexpr TerminologyItem kRB08Items[] = {
    {"Normal", 3}, {"Gaussian", 4},
};
inline constexpr TerminologyItem kRB09Items[] = {
    {"Brightest", 3}, {"2nd Brightest", 4}, {"Median", 5}, {"2nd Darkest", 6}, {"Darkest", 7}, {"Range", 8},
};
inline constexpr TerminologyItem kRB10Items[] = {
    {"Uniform", 3}, {"Sine-Weighted", 4},
};
inline constexpr TerminologyItem kRB11Items[] = {
    {"Horizontal", 3}, {"Vertical", 4}, {"Arbitrary", 5},
};
inline constexpr TerminologyItem kRB12Items[] = {
    {"Linear", 3}, {"Bright Emphasis", 4}, {"Dark Emphasis", 5}, {"Middle Emphasis", 6}, {"Ends Emphasis", 7},
};
inline constexpr TerminologyItem kRB13Items[] = {
    {"Square Point Array", 3}, {"Random Points", 4},
};
inline constexpr TerminologyItem kRB14Items[] = {
    {"Random Lines", 3}, {"Square Line Grid", 4}, {"Circle Array", 5}, {"Concentric Circles", 6},
};
inline constexpr TerminologyItem kRB15Items[] = {
    {"Ignore Edges", 4}, {"Remove top & left edges", 5}, {"Remove any edge", 6},
};
inline constexpr TerminologyItem kRB16Items[] = {
    {"None", 5}, {"Remove Hidden Lines", 6}, {"Elevation", 7}, {"Slope", 8}, {"Photo Realistic", 9},
};
inline constexpr TerminologyItem kRB17Items[] = {
    {"Perimeter", 3}, {"Area", 4}, {"Minimum", 5}, {"All (Auto)", 6}, {"None", 7},
};
inline constexpr TerminologyItem kRB18Items[] = {
    {"Area", 4}, {"Convex Area", 5}, {"Perimeter", 6}, {"Convex Perimeter", 7},
    {"Equivalent Circular Diameter", 8}, {"Form Factor", 9}, {"Breadth", 10}, {"Length", 11},
    {"X Feret's Dimension", FourCC("  12")}, {"Y Feret's Dimension", 13}, {"X Center of Gravity", 14},
    {"Y Center of Gravity", 15}, {"Mean Red Value", 16}, {"Mean Green Value", 17}, {"Mean Blue Value", 18},
    {"Mean Hue", 19}, {"Mean Luminance", 20}, {"Mean Saturation", 21}, {"Moment Angle", 22},
    {"Adjusted Count", 23}, {"Density", 24}, {"Number of Holes", 25}, {"Roundness", 26}, {"Aspect Ratio", 27},
    {"Convexity", 28}, {"Solidity", 29},
};
inline constexpr TerminologyItem kRB19Items[] = {
    {"Scale w/ values", 3}, {"Use Coefficients as-is", 4}, {"Use Positive Sum", 5},
    {"Autoscale (Black..White)", 6},
};
inline constexpr TerminologyItem kRB20Items[] = {
    {"Radial Line", 3}, {"Circular Average", 4},
};
inline constexpr TerminologyItem kRB21Items[] = {
    {"Red", 3}, {"Green", 4}, {"Blue", 5}, {"Hue", 6}, {"Saturation", 7}, {"Intensity", 8},
};
inline constexpr TerminologyItem kUniTItems[] = {
    {"\xB5" "m", 1}, {"mm", 2}, {"cm", 3}, {"m", 4}, {"km", 5}, {"in", 6}, {"ft", 7}, {"mi", 8},
};
inline constexpr TerminologyItem kRB22Items[] = {
    {"Edge", 3}, {"Mean", 4}, {"Foreground", 5}, {"Black", 6}, {"White", 7}, {"Hor.Ramp", 8}, {"Ver.Ramp", 9},
};
inline constexpr TerminologyItem kRB23Items[] = {
    {"Intensity", 3}, {"RGB", 4},
};
inline constexpr TerminologyItem kRB24Items[] = {
    {"7x7", 7}, {"9x9", 6}, {"11x11", 5}, {"13x13", 4}, {"15x15", 3},
};
inline constexpr TerminologyItem kRB25Items[] = {
    {"Mid-Min", 5}, {"Max-Mid", 4}, {"Max-Min", 3},
};
inline constexpr TerminologyItem kRB27Items[] = {
    {"5x5x4", 5}, {"5x5x2", 4}, {"3x3x2", 3},
};
inline constexpr TerminologyItem kRB28Items[] = {
    {"Off", 3}, {"Create New", 4}, {"Append", 5},
};
inline constexpr TerminologyItem kRB29Items[] = {
    {"Add", 3}, {"Subtract", 4}, {"Multiply", 5}, {"Divide", 6}, {"Abs. Diff.", 7}, {"No Action", 8},
};
inline constexpr TerminologyItem kRB30Items[] = {
    {"Erode", 3}, {"Dilate", 4}, {"Open", 5}, {"Close", 6},
};
inline constexpr TerminologyItem kRB31Items[] = {
    {"Gaussian", 3}, {"Median", 4},
};
inline constexpr TerminologyItem kRB32Items[] = {
    {"Area", 1}, {"Filled Area", 2}, {"Convex Area", 3}, {"Length", 4}, {"Breadth", 5}, {"Equiv.Dia,", 6},
    {"Inscribed Rad.", 7}, {"Circumscribed Rad.", 8}, {"Perimeter", 9}, {"External Perim.", 10},
    {"Convex Perim.", 11}, {"X-Feret", FourCC("  12")}, {"Y-Feret", 13}, {"Num. Holes", 14}, {"Formfactor", 15},
    {"Roundness", 16}, {"Aspect Ratio", 17}, {"Solidity", 18}, {"Convexity", 19}, {"Symmetry", 20},
    {"Hole Fraction", 21}, {"Radius Ratio", 22}, {"Elongation", 23}, {"Fractal Dim.", 24},
    {"Skeleton Length", 25}, {"Skel. End Points", 26}, {"Skel. Branch Pts.", 27}, {"Mean Ext.Bran.Len.", 28},
    {"Mean Int.Bran.Len.", 29}, {"Mean Fiber Width", 30}, {"Width Std. Dev.", 31}, {"Mean Red", 32},
    {"Mean Green", 33}, {"Mean Blue", 34}, {"Mean Hue", 35}, {"Mean Saturation", 36}, {"Mean Luminance", 37},
    {"Max. Intensity", 38}, {"Min. Intensity", 39}, {"Intens. Std. Dev.", 40}, {"Density", 41},
    {"Integ. Opt. Dens.", 42}, {"X-Centroid", 43}, {"Y-Centroid", 44}, {"Moment Angle", 45},
    {"X-Weighted CG", 46}, {"Y-Weighted CG", 47}, {"X-Geom. Center", 48}, {"Y-Geom. Center", 49},
    {"Nearest Nbor Dist.", 50}, {"Nearest Nbor Dir.", 51}, {"Nearest Nbor ID", 52}, {"Min. Separ. Dist.", 53},
    {"Min. Separ. ID", 54}, {"Adjacent Feat.Count", 55}, {"Feature Number", 56}, {"Adjusted Count", 57},
    {"Class", 58},
};

inline constexpr TerminologyEnumeration kTerminologyEnumerations[] = {
    {FourCC("rB00"), kRB00Items}, {FourCC("rB01"), kRB01Items}, {FourCC("rB02"), kRB02Items},
    {FourCC("rB03"), kRB03Items}, {FourCC("rB04"), kRB04Items}, {FourCC("rB05"), kRB05Items},
    {FourCC("rB06"), kRB06Items}, {FourCC("rB07"), kRB07Items}, {FourCC("rB08"), kRB08Items},
    {FourCC("rB09"), kRB09Items}, {FourCC("rB10"), kRB10Items}, {FourCC("rB11"), kRB11Items},
    {FourCC("rB12"), kRB12Items}, {FourCC("rB13"), kRB13Items}, {FourCC("rB14"), kRB14Items},
    {FourCC("rB15"), kRB15Items}, {FourCC("rB16"), kRB16Items}, {FourCC("rB17"), kRB17Items},
    {FourCC("rB18"), kRB18Items}, {FourCC("rB19"), kRB19Items}, {FourCC("rB20"), kRB20Items},
    {FourCC("rB21"), kRB21Items}, {FourCC("UniT"), kUniTItems}, {FourCC("rB22"), kRB22Items},
    {FourCC("rB23"), kRB23Items}, {FourCC("rB24"), kRB24Items}, {FourCC("rB25"), kRB25Items},
    {FourCC("rB27"), kRB27Items}, {FourCC("rB28"), kRB28Items}, {FourCC("rB29"), kRB29Items},
    {FourCC("rB30"), kRB30Items}, {FourCC("rB31"), kRB31Items}, {FourCC("rB32"), kRB32Items},
};

// The terminology resource: the records above, little-endian, texts
// length-prefixed and unpadded, ending at kTerminologyBytes.
ResourceBytes BuildTerminology();
