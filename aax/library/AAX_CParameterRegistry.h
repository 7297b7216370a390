// Owns the host-side parameters of an effect and finds them by identifier. Not locked: it
// changes only while the instance is constructed, initialised and uninitialised.
#pragma once

#include "aax/library/AAX_IParameter.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class AAX_IAutomationDelegate;

class AAX_CParameterRegistry
{
public:
  AAX_CParameterRegistry() = default;
  ~AAX_CParameterRegistry();
  AAX_CParameterRegistry(const AAX_CParameterRegistry&) = delete;
  AAX_CParameterRegistry& operator=(const AAX_CParameterRegistry&) = delete;

  // Handed to every parameter added from now on (not owned).
  void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) { mAutomationDelegate = delegate; }
  AAX_IAutomationDelegate* AutomationDelegate() const { return mAutomationDelegate; }

  // Takes ownership and returns true, or returns false for a null parameter, one without an
  // identifier or one whose identifier is already registered: the caller then keeps it.
  bool AddParameter(AAX_IParameter* parameter);

  AAX_IParameter* FindParameter(AAX_CParamID identifier) const;
  // Position in registration order; -1 when absent.
  int32_t IndexOfParameter(AAX_CParamID identifier) const;
  AAX_IParameter* ParameterAt(int32_t index) const;
  int32_t ParameterCount() const { return static_cast<int32_t>(mParameters.size()); }
  // The first parameter, in registration order, whose full name equals the text.
  AAX_IParameter* FindParameterByName(const char* name) const;

  // Removes and deletes; the others keep their order. Nothing when absent.
  void RemoveParameterByID(AAX_CParamID identifier);
  void RemoveParameter(AAX_IParameter* parameter);
  void RemoveAll();
  // Empties the registry as RemoveAll does, but hands the parameters to the caller instead of
  // deleting them (a parameter still in a call keeps running until the caller lets it go).
  std::vector<std::unique_ptr<AAX_IParameter>> TakeAll();

private:
  AAX_IAutomationDelegate* mAutomationDelegate = nullptr;
  std::vector<std::unique_ptr<AAX_IParameter>> mParameters;
  std::map<std::string, AAX_IParameter*> mIndex;
};
