// A first-in first-out queue of pointers to T. Items are not owned.
#pragma once

#include "aax/library/AAX_IContainer.h"

template <typename T>
class AAX_IPointerQueue : public AAX_IContainer
{
public:
  using template_type = T;
  using value_type = T*;

  // eStatus_Success, eStatus_Overflow when full, eStatus_Unavailable for a null item.
  virtual EStatus Push(value_type item) = 0;
  // The oldest item, removed from the queue; null when empty.
  virtual value_type Pop() = 0;
  // The oldest item without removing it; null when empty.
  virtual value_type Peek() const = 0;
};
