#include <cstdio>

#include "plug/PlugVersion.h"

int main()
{
  std::printf("%s\n", plug::BuildDescription());
  return 0;
}
