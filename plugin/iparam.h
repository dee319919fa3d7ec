// One plug-in parameter: type, plain value, range, step, shape, default,
// display precision, name, unit label, group and display texts for
// particular values. Controls move values between their normalised 0..1
// scale and the plain value through ToNormalized / SetNormalized.
//
// Normalised n maps to min + (max - min) * n^shape; every type but double
// then snaps to the nearest multiple of the step (counted from 0).
#pragma once

#include "plugin/utl_heapbuf.h"

class IParam {
 public:
  enum EParamType { kTypeNone = 0, kTypeBool = 1, kTypeInt = 2, kTypeEnum = 3, kTypeDouble = 4 };

  static constexpr int kTextSize = 32;  // name, label, group, display texts: 31 characters + NUL
  static constexpr int kDisplayStringSize = 32;  // what GetDisplayString writes by default

  struct DisplayText {
    int mValue;
    char mText[kTextSize];
  };

  IParam() = default;

  // Each Init keeps an existing type (only a parameter of type none takes
  // the new one). Texts may be null (taken as "").
  void InitBool(const char* name, bool defaultValue, const char* label = "",
                const char* group = "");
  void InitEnum(const char* name, int defaultValue, int count, const char* label = "",
                const char* group = "");
  void InitInt(const char* name, int defaultValue, int minValue, int maxValue,
               const char* label = "", const char* group = "");
  void InitDouble(const char* name, const char* label, const char* group, double defaultValue,
                  double minValue, double maxValue, double step, double shape = 1.0);

  // Ignores 0.
  void SetShape(double shape);
  // Appends an entry; an earlier entry for the same value keeps winning lookups.
  void SetDisplayText(int value, const char* text);

  // Stores the plain value as given (no limit).
  void Set(double value) { mValue = value; }
  // Sets the value from normalised n (limited to 0..1): curve, step snapping
  // for all types but double, then at most the maximum.
  void SetNormalized(double normalized);
  double GetNormalized() const { return ToNormalized(mValue); }
  // Limits plain to the range, then ((v - min) / (max - min))^(1 / shape);
  // 0 for an empty range.
  double ToNormalized(double plain) const;
  // min + (max - min) * n^shape, without snapping or limit.
  double FromNormalized(double normalized) const;

  // Writes the text for value (a normalised one when `normalized`): the first
  // non-empty display text of its integer part when asked for, else "%d" of
  // the integer part (precision 0) or "%.*f". At most outSize - 1 characters.
  void GetDisplayString(bool normalized, char* out, bool useDisplayTexts, double value,
                        int outSize = kDisplayStringSize) const;

  // First display text for value, or "".
  const char* GetDisplayTextForValue(int value) const;
  int GetNDisplayTexts() const { return mDisplayTexts.GetSize(); }
  // The entry's text ("" for a bad index); stores its value when value is not null.
  const char* GetDisplayTextAtIndex(int index, int* value) const;
  // First entry whose text equals text exactly: stores its value, true; else false.
  bool MapDisplayText(const char* text, int* value) const;

  const char* GetName() const { return mName; }
  const char* GetGroup() const { return mGroup; }
  // "" when a non-empty display text applies to the current value; else the label.
  const char* GetLabel() const;
  void GetBounds(double* minValue, double* maxValue) const;

  int Type() const { return mType; }
  double Value() const { return mValue; }
  int Int() const;  // the value truncated toward zero (limited to the int range)
  bool Bool() const { return mValue >= 0.5; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetShape() const { return mShape; }
  double GetDefault() const { return mDefault; }
  double GetDefaultNormalized() const { return ToNormalized(mDefault); }
  int GetPrecision() const { return mDisplayPrecision; }

 private:
  // What the whole-number kinds share: step 1, a straight curve, no decimals. The type is set
  // only on a parameter that has none yet.
  void InitWhole(EParamType type, const char* name, double defaultValue, double minValue,
                 double maxValue, const char* label, const char* group);

  int mType = kTypeNone;
  double mValue = 0.0;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  char mName[kTextSize] = {};
  char mLabel[kTextSize] = {};
  char mGroup[kTextSize] = {};
  UTL_TypedBuf<DisplayText> mDisplayTexts{4096};
};
