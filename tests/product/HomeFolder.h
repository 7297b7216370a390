#pragma once
// Points "~" at a fresh temporary folder for the life of the object, so no test can reach
// the real home folder.
#include "product/FileUtilities.h"
#include "tests/support/TempDir.h"

class TempHome
{
public:
  TempHome() { SetHomeFolderOverride(mDir.Path()); }
  ~TempHome() { SetHomeFolderOverride(""); }
  const std::string& Path() const { return mDir.Path(); }

private:
  testsupport::TempDir mDir;
};
