#include "aax/library/AAX_CheckedResult.h"

#include "aax/library/AAX_Exception.h"
#include "aax/library/AAX_Assert.h"

AAX_CheckedResult::AAX_CheckedResult(AAX_Result code) : mCurrent(code) { Check(); }

AAX_CheckedResult& AAX_CheckedResult::operator=(AAX_Result code)
{
  mCurrent = code;
  Check();
  return *this;
}

void AAX_CheckedResult::ResetAcceptedResults()
{
  mAccepted.clear();
  mAccepted.insert(AAX_SUCCESS);
}

void AAX_CheckedResult::Check()
{
  if (mAccepted.count(mCurrent) != 0)
    return;
  const AAX_Result code = mCurrent;
  AAX::Exception::ResultError error(code);
  mLastError = code;
  mCurrent = AAX_SUCCESS;
  // The text goes in as an argument, never as the format.
  AAX_Trace(AAX_eTracePriority_High, "AAX_CheckedResult - throwing %s", error.what());
  throw error;
}
