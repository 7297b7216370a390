// The engine's default snapshot must match the plug-in's parameter table.
#include "plug/IEditorDelegate.h"
#include "plug/IParam.h"
#include "product/VellicorParameters.h"
#include "product/engine/EngineParams.h"

#include <gtest/gtest.h>

namespace {

class Params : public plug::IEditorDelegate
{
public:
  Params() : plug::IEditorDelegate(kNumParams) { DefineVellicorParameters(*this); }
  void BeginParamEditFromUI(int) override {}
  void EndParamEditFromUI(int) override {}
};

} // namespace

TEST(EngineParams, DefaultsMatchTheParameterTable)
{
  Params params;
  const vellicor::EngineParams snapshot;
  for (int i = 0; i < kNumParams; ++i)
  {
    ASSERT_NE(params.GetParam(i), nullptr);
    EXPECT_EQ(snapshot[i], params.GetParam(i)->Value()) << "parameter " << i;
    EXPECT_EQ(vellicor::DefaultParamValues()[static_cast<std::size_t>(i)],
              params.GetParam(i)->defaultValue) << "parameter " << i;
  }
  EXPECT_EQ(snapshot.presetIndex, 0);
  EXPECT_EQ(snapshot.connectedOutputChannels, 2);
}
