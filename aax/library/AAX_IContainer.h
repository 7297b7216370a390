// Common base of the library's containers: the status codes their operations return.
#pragma once

#include <cstdint>

class AAX_IContainer
{
public:
  enum EStatus : int32_t
  {
    eStatus_Success = 0,
    eStatus_Overflow = 1,   // no room: the item was not added
    eStatus_Full = 2,
    eStatus_Underflow = 3,
    eStatus_Unavailable = 4 // the operation cannot take this argument (a null item)
  };

  virtual ~AAX_IContainer() = default;
  // Empties the container (items are not owned and not deleted).
  virtual void Clear() = 0;
};
