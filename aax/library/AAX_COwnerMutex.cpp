#include "aax/library/AAX_COwnerMutex.h"

#include <new>

AAX_COwnerMutex::AAX_COwnerMutex()
{
  std::unique_ptr<Record> record(new (std::nothrow) Record);
  if (record && pthread_mutex_init(&record->mMutex, nullptr) == 0)
    mRecord = std::move(record);
}

AAX_COwnerMutex::~AAX_COwnerMutex()
{
  if (mRecord)
    pthread_mutex_destroy(&mRecord->mMutex);
}

bool AAX_COwnerMutex::IsOwnedByCurrentThread() const
{
  return mRecord && mRecord->mOwner.load() == std::this_thread::get_id();
}

bool AAX_COwnerMutex::Lock()
{
  if (!mRecord || IsOwnedByCurrentThread())
    return false;
  if (pthread_mutex_lock(&mRecord->mMutex) != 0)
    return false;
  mRecord->mOwner.store(std::this_thread::get_id());
  return true;
}

void AAX_COwnerMutex::Unlock()
{
  if (!IsOwnedByCurrentThread())
    return;
  mRecord->mOwner.store(std::thread::id());
  pthread_mutex_unlock(&mRecord->mMutex);
}

bool AAX_COwnerMutex::TryLock()
{
  if (!mRecord)
    return false;
  if (IsOwnedByCurrentThread())
    return true;
  if (pthread_mutex_trylock(&mRecord->mMutex) != 0)
    return false;
  mRecord->mOwner.store(std::this_thread::get_id());
  return true;
}
