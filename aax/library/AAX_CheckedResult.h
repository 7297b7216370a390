// Holder for a sequence of host calls that must all succeed: assigning a code that is not
// accepted (only 0 by default) throws AAX::Exception::ResultError. Used only outside the
// audio path (description, registration), where the caller catches the exception.
#pragma once

#include "aax/library/AAX_Errors.h"

#include <set>

class AAX_CheckedResult
{
public:
  // Accepts only 0, then checks `code` (so a failing code throws right away).
  AAX_CheckedResult(AAX_Result code = AAX_SUCCESS);

  AAX_CheckedResult& operator=(AAX_Result code);
  AAX_CheckedResult& operator|=(AAX_Result code) { return *this = code; }

  void AddAcceptedResult(AAX_Result code) { mAccepted.insert(code); }
  void ResetAcceptedResults();

  // The current code (0 after a throw) and the last code that threw.
  AAX_Result Result() const { return mCurrent; }
  operator AAX_Result() const { return mCurrent; }
  AAX_Result LastError() const { return mLastError; }
  void Clear() { mCurrent = AAX_SUCCESS; mLastError = AAX_SUCCESS; }

private:
  void Check();

  AAX_Result mCurrent = AAX_SUCCESS;
  AAX_Result mLastError = AAX_SUCCESS;
  std::set<AAX_Result> mAccepted{AAX_SUCCESS};
};
