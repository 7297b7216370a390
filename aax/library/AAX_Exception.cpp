#include "aax/library/AAX_Exception.h"

#include <utility>

namespace AAX
{
namespace Exception
{
Any::Any(std::string description, std::string function, std::string line)
  : mDescription(std::move(description)), mFunction(std::move(function)), mLine(std::move(line))
{
  mMessage = mDescription;
  if (!mFunction.empty())
    mMessage += " func:" + mFunction;
  if (!mLine.empty())
    mMessage += " line:" + mLine;
}

ResultError::ResultError(AAX_Result code) : Any(AAX_ResultText(code)), mResult(code) {}
} // namespace Exception
} // namespace AAX
