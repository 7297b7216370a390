// Shows an on/off value as one of two texts, with optional shorter pairs of texts for narrow
// displays.
#pragma once

#include "aax/library/AAX_IDisplayDelegate.h"

#include <algorithm>
#include <cstdint>
#include <vector>

template <typename T>
class AAX_CBinaryDisplayDelegate : public AAX_IDisplayDelegate<T>
{
public:
  AAX_CBinaryDisplayDelegate(const char* falseString, const char* trueString)
    : mFalseString(falseString), mTrueString(trueString),
      mMaxStrLength(std::max(mFalseString.Length(), mTrueString.Length()))
  {
  }

  AAX_CBinaryDisplayDelegate* Clone() const override { return new AAX_CBinaryDisplayDelegate(*this); }

  // Adds a pair of texts meant for displays of about `strLength` characters.
  void AddShortenedStrings(const char* falseString, const char* trueString, int32_t strLength)
  {
    mShortened.push_back({strLength, AAX_CString(falseString), AAX_CString(trueString)});
    std::stable_sort(mShortened.begin(), mShortened.end(),
                     [](const Shortened& a, const Shortened& b) { return a.length < b.length; });
  }

  bool ValueToString(T value, AAX_CString* valueString) const override
  {
    if (!valueString)
      return false;
    *valueString = value ? mTrueString : mFalseString;
    return true;
  }

  // Below the longest full text, the longest shortened pair that fits, else the shortest pair.
  bool ValueToString(T value, int32_t maxNumChars, AAX_CString* valueString) const override
  {
    if (!valueString)
      return false;
    if (mShortened.empty())
      return ValueToString(value, valueString);
    const int64_t limit = std::max<int32_t>(maxNumChars, 0);
    if (limit >= static_cast<int64_t>(mMaxStrLength))
      return ValueToString(value, valueString);
    const Shortened* chosen = &mShortened.front();
    for (auto it = mShortened.rbegin(); it != mShortened.rend(); ++it)
    {
      if (it->length <= limit)
      {
        chosen = &*it;
        break;
      }
    }
    *valueString = value ? chosen->trueString : chosen->falseString;
    return true;
  }

  bool StringToValue(const AAX_CString& valueString, T* value) const override
  {
    if (!value)
      return false;
    if (valueString == mTrueString)
    {
      *value = static_cast<T>(true);
      return true;
    }
    *value = static_cast<T>(false);
    return valueString == mFalseString;
  }

private:
  struct Shortened
  {
    int32_t length;
    AAX_CString falseString;
    AAX_CString trueString;
  };

  AAX_CString mFalseString;
  AAX_CString mTrueString;
  uint32_t mMaxStrLength;
  std::vector<Shortened> mShortened;
};
