#include "plugin/iparam.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Texts are cut to 31 characters.
void CopyText(char (&dest)[IParam::kTextSize], const char* src) {
  snprintf(dest, sizeof(dest), "%s", src ? src : "");
}

// Truncation toward zero without leaving the int range (or reading NaN).
int TruncToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

bool IsWhole(double x) {
  return std::fabs(x - std::round(x)) <= 1e-9 * std::max(1.0, std::fabs(x));
}

// Decimals needed to show multiples of the step: 0 for whole steps, else the
// smallest k in 1..5 that makes step * 10^k whole, else 6.
int PrecisionForStep(double step) {
  if (IsWhole(step)) return 0;
  double scaled = step;
  for (int k = 1; k <= 5; ++k) {
    scaled *= 10.0;
    if (IsWhole(scaled)) return k;
  }
  return 6;
}

}  // namespace

void IParam::InitWhole(EParamType type, const char* name, double defaultValue, double minValue,
                       double maxValue, const char* label, const char* group) {
  if (mType == kTypeNone) mType = type;
  mMin = minValue;
  mMax = maxValue;
  mValue = mDefault = defaultValue;
  mStep = 1.0;
  mShape = 1.0;
  mDisplayPrecision = 0;
  CopyText(mName, name);
  CopyText(mLabel, label);
  CopyText(mGroup, group);
}

void IParam::InitBool(const char* name, bool defaultValue, const char* label, const char* group) {
  InitWhole(kTypeBool, name, defaultValue ? 1.0 : 0.0, 0.0, 1.0, label, group);
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultValue, int count, const char* label,
                      const char* group) {
  InitWhole(kTypeEnum, name, defaultValue, 0.0, std::max(1.0, static_cast<double>(count) - 1.0),
            label, group);
}

void IParam::InitInt(const char* name, int defaultValue, int minValue, int maxValue,
                     const char* label, const char* group) {
  InitWhole(kTypeInt, name, defaultValue, minValue,
            std::max(static_cast<double>(minValue) + 1.0, static_cast<double>(maxValue)), label,
            group);
}

void IParam::InitDouble(const char* name, const char* label, const char* group, double defaultValue,
                        double minValue, double maxValue, double step, double shape) {
  if (mType == kTypeNone) mType = kTypeDouble;
  mMin = minValue;
  mMax = std::max(minValue + step, maxValue);
  mValue = mDefault = defaultValue;
  mStep = step;
  mDisplayPrecision = PrecisionForStep(step);
  SetShape(shape);
  CopyText(mName, name);
  CopyText(mLabel, label);
  CopyText(mGroup, group);
}

void IParam::SetShape(double shape) {
  if (shape != 0.0) mShape = shape;
}

void IParam::SetDisplayText(int value, const char* text) {
  DisplayText entry{};
  entry.mValue = value;
  CopyText(entry.mText, text);
  mDisplayTexts.Add(entry);
}

void IParam::SetNormalized(double normalized) {
  // Controls give 0..1; anything else (or NaN) would leave the curve.
  if (std::isnan(normalized)) normalized = 0.0;
  normalized = std::clamp(normalized, 0.0, 1.0);
  double v = FromNormalized(normalized);
  if (mType != kTypeDouble && mStep > 0.0) v = std::floor(v / mStep + 0.5) * mStep;
  mValue = std::min(v, mMax);
}

double IParam::ToNormalized(double plain) const {
  const double range = mMax - mMin;
  if (!(range > 0.0)) return 0.0;
  if (std::isnan(plain)) plain = mMin;
  const double v = std::clamp(plain, mMin, mMax);
  return std::pow((v - mMin) / range, 1.0 / mShape);
}

double IParam::FromNormalized(double normalized) const {
  return mMin + (mMax - mMin) * std::pow(normalized, mShape);
}

void IParam::GetDisplayString(bool normalized, char* out, bool useDisplayTexts, double value,
                              int outSize) const {
  if (!out || outSize < 1) return;
  if (normalized) value = FromNormalized(value);
  const int i = TruncToInt(value);
  if (useDisplayTexts) {
    const char* text = GetDisplayTextForValue(i);
    if (text[0]) {
      snprintf(out, static_cast<size_t>(outSize), "%s", text);
      return;
    }
  }
  if (mDisplayPrecision == 0) {
    snprintf(out, static_cast<size_t>(outSize), "%d", i);
  } else {
    snprintf(out, static_cast<size_t>(outSize), "%.*f", mDisplayPrecision, value);
  }
}

const char* IParam::GetDisplayTextForValue(int value) const {
  const int n = mDisplayTexts.GetSize();
  const DisplayText* list = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i) {
    if (list[i].mValue == value) return list[i].mText;
  }
  return "";
}

const char* IParam::GetDisplayTextAtIndex(int index, int* value) const {
  if (index < 0 || index >= mDisplayTexts.GetSize()) return "";
  const DisplayText& entry = mDisplayTexts.Get()[index];
  if (value) *value = entry.mValue;
  return entry.mText;
}

bool IParam::MapDisplayText(const char* text, int* value) const {
  if (!text) return false;
  const int n = mDisplayTexts.GetSize();
  const DisplayText* list = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i) {
    if (strcmp(list[i].mText, text) == 0) {
      if (value) *value = list[i].mValue;
      return true;
    }
  }
  return false;
}

const char* IParam::GetLabel() const {
  if (GetDisplayTextForValue(Int())[0]) return "";
  return mLabel;
}

void IParam::GetBounds(double* minValue, double* maxValue) const {
  if (minValue) *minValue = mMin;
  if (maxValue) *maxValue = mMax;
}

int IParam::Int() const {
  return TruncToInt(mValue);
}
