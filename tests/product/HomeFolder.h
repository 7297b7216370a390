#pragma once
// Points "~" at a fresh temporary folder for the life of the object, so no test can reach
// the real home folder: the product's own expansion and the platform's home folder alike.
#include "product/FileUtilities.h"
#include "standin/foundation/Foundation.h"
#include "tests/support/TempDir.h"

class TempHome
{
public:
  TempHome()
  {
    SetHomeFolderOverride(mDir.Path());
    standin::SetHomeDirectory(mDir.Path());
  }
  ~TempHome()
  {
    SetHomeFolderOverride("");
    standin::SetHomeDirectory("");
  }
  const std::string& Path() const { return mDir.Path(); }

private:
  testsupport::TempDir mDir;
};
