// Remembers which parameters feed which data packets of the host, and once per packet pass
// sends the dirty packets to the host through the controller. Every operation runs under an
// owner mutex, so a packet handler may call back into the registry on the same thread.
#pragma once

#include "aax/library/AAX_COwnerMutex.h"
#include "aax/library/AAX_Errors.h"
#include "aax/library/AAX_IParameter.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class AAX_IController;
class AAX_CEffectParameters;
class AAX_CParameterRegistry;

// One data packet of the host: its index, whether it needs sending, and its bytes.
class AAX_CPacket
{
public:
  explicit AAX_CPacket(int32_t index) : mIndex(index), mData(8, 0) {}

  int32_t GetID() const { return mIndex; }
  bool IsDirty() const { return mDirty; }
  void SetDirty(bool dirty) { mDirty = dirty; }
  uint32_t GetSize() const { return mDataSize; }
  const void* GetData() const { return mData.data(); }

  // Makes the packet `size` bytes long (storage grows as needed) and returns its bytes.
  void* Resize(uint32_t size)
  {
    if (mData.size() < size)
      mData.resize(size, 0);
    mDataSize = size;
    return mData.data();
  }
  // The data as a T, sizing the packet to sizeof(T).
  template <typename T>
  T* GetPtr()
  {
    return static_cast<T*>(Resize(sizeof(T)));
  }

private:
  int32_t mIndex;
  bool mDirty = true;
  uint32_t mDataSize = 0;
  std::vector<uint8_t> mData; // from operator new: aligned for any scalar
};

// Writes a parameter's value into a packet. Clone gives a copy the registry owns.
class AAX_IPacketHandler
{
public:
  virtual ~AAX_IPacketHandler() = default;
  virtual AAX_IPacketHandler* Clone() const = 0;
  virtual AAX_Result Fill(AAX_CParamID identifier, AAX_CPacket& packet) const = 0;
};

// The standard packing of a parameter's value: as a bool (int32 0 or 1), a float, an int32
// or a double, whichever the parameter answers first. -20004 for a null parameter or one
// that answers none.
AAX_Result AAX_PackParameterValue(const AAX_IParameter* parameter, AAX_CPacket& packet);

// The standard handler: looks the parameter up in a registry and packs its value.
class AAX_CParameterPacketHandler : public AAX_IPacketHandler
{
public:
  explicit AAX_CParameterPacketHandler(const AAX_CParameterRegistry& parameters) : mParameters(parameters) {}
  AAX_IPacketHandler* Clone() const override { return new AAX_CParameterPacketHandler(*this); }
  AAX_Result Fill(AAX_CParamID identifier, AAX_CPacket& packet) const override;

private:
  const AAX_CParameterRegistry& mParameters;
};

class AAX_CPacketRegistry
{
public:
  AAX_CPacketRegistry() = default;
  ~AAX_CPacketRegistry();
  AAX_CPacketRegistry(const AAX_CPacketRegistry&) = delete;
  AAX_CPacketRegistry& operator=(const AAX_CPacketRegistry&) = delete;

  // Neither is owned.
  void SetController(AAX_IController* controller, AAX_CEffectParameters* owner);
  AAX_CEffectParameters* Owner() const { return mOwner; }

  // Keeps a clone of the handler for the identifier, on the packet of that index (created
  // dirty and empty when new). A negative index registers nothing; a null identifier gives
  // AAX_ERROR_NULL_ARGUMENT.
  AAX_Result RegisterPacket(AAX_CParamID identifier, int32_t packetIndex, const AAX_IPacketHandler& handler);
  // Flags the packet of every handler registered under the identifier.
  AAX_Result MarkDirty(AAX_CParamID identifier, bool dirty = true);
  // Fills and posts every dirty packet once, by its first identifier in order, and clears
  // its flag (also when filling fails). Returns the last post's result, 0 when nothing was
  // posted. Without a controller nothing is touched and the result is -20004.
  AAX_Result Dispatch();

  int32_t PacketCount() const;

private:
  struct Handler
  {
    AAX_CPacket* mPacket;
    std::unique_ptr<AAX_IPacketHandler> mHandler;
  };

  std::map<int32_t, std::unique_ptr<AAX_CPacket>> mPackets;
  std::multimap<std::string, Handler> mHandlers;
  AAX_IController* mController = nullptr;
  AAX_CEffectParameters* mOwner = nullptr;
  mutable AAX_COwnerMutex mLock;
};
