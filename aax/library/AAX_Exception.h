// Exceptions of the AAX layer. They never cross into the host: the entry points and
// registration catch them and turn them into result codes.
#pragma once

#include "aax/library/AAX_Errors.h"

#include <exception>
#include <string>

namespace AAX
{
namespace Exception
{
class Any : public std::exception
{
public:
  explicit Any(std::string description, std::string function = std::string(),
               std::string line = std::string());

  // Description, then " func:" and the function and " line:" and the line when present.
  const char* what() const noexcept override { return mMessage.c_str(); }
  const std::string& What() const { return mMessage; }
  const std::string& Desc() const { return mDescription; }
  const std::string& Function() const { return mFunction; }
  const std::string& Line() const { return mLine; }

private:
  std::string mDescription;
  std::string mFunction;
  std::string mLine;
  std::string mMessage;
};

class ResultError : public Any
{
public:
  // The text is AAX_ResultText(code).
  explicit ResultError(AAX_Result code);
  AAX_Result Result() const { return mResult; }

private:
  AAX_Result mResult;
};
} // namespace Exception
} // namespace AAX

// Runs a host-facing operation so that no exception leaves it: anything thrown answers
// AAX_ERROR_UNKNOWN_EXCEPTION.
template <class F>
AAX_Result AAX_Guarded(F&& body) noexcept
{
  try
  {
    return body();
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}
