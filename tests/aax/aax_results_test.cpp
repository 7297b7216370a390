#include "aax/library/AAX_CheckedResult.h"
#include "aax/library/AAX_Errors.h"
#include "aax/library/AAX_Exception.h"

#include <gtest/gtest.h>

#include <string>

TEST(AAXResults, NamesAndTexts)
{
  EXPECT_STREQ(AAX_ResultName(0), "AAX_SUCCESS");
  EXPECT_STREQ(AAX_ResultName(-20001), "AAX_ERROR_INVALID_PARAMETER_ID");
  EXPECT_STREQ(AAX_ResultName(-20022), "AAX_RESULT_PACKET_STREAM_NOT_EMPTY");
  EXPECT_STREQ(AAX_ResultName(-20046), "AAX_ERROR_ARGUMENT_BUFFER_OVERFLOW");
  EXPECT_EQ(AAX_ResultText(AAX_ERROR_NULL_OBJECT), "AAX_ERROR_NULL_OBJECT (-20004)");

  // The plug-in-defined range is inclusive at both ends; its neighbours are unknown.
  EXPECT_EQ(AAX_ResultText(-20600), "plug-in defined error (-20600)");
  EXPECT_EQ(AAX_ResultText(-21000), "plug-in defined error (-21000)");
  EXPECT_EQ(AAX_ResultText(-20599), "<unknown error code> (-20599)");
  EXPECT_EQ(AAX_ResultText(-21001), "<unknown error code> (-21001)");
  EXPECT_EQ(AAX_ResultText(-20047), "<unknown error code> (-20047)");
  EXPECT_EQ(AAX_ResultText(-333), "<unknown error code> (-333)");
  EXPECT_EQ(AAX_ResultText(INT32_MIN), "<unknown error code> (-2147483648)");

  // Every code of the table has its own name.
  for (int32_t code = -20046; code <= -20001; ++code)
    EXPECT_EQ(std::string(AAX_ResultName(code)).rfind("AAX_", 0), 0u) << code;
}

TEST(AAXResults, ExceptionMessages)
{
  EXPECT_STREQ(AAX::Exception::Any("bad thing").what(), "bad thing");
  EXPECT_STREQ(AAX::Exception::Any("bad thing", "Describe", "42").what(),
               "bad thing func:Describe line:42");
  EXPECT_STREQ(AAX::Exception::Any("bad thing", "", "42").what(), "bad thing line:42");

  AAX::Exception::ResultError e(AAX_ERROR_UNIMPLEMENTED);
  EXPECT_STREQ(e.what(), "AAX_ERROR_UNIMPLEMENTED (-20009)");
  EXPECT_EQ(e.Result(), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_TRUE(e.Function().empty());
}

TEST(AAXResults, CheckedResultThrowsAndKeepsCode)
{
  AAX_CheckedResult result;
  EXPECT_NO_THROW(result = AAX_SUCCESS);
  EXPECT_EQ(result.Result(), AAX_SUCCESS);

  try
  {
    result = AAX_ERROR_NULL_OBJECT;
    FAIL() << "a failing code must throw";
  }
  catch (const AAX::Exception::ResultError& e)
  {
    EXPECT_STREQ(e.what(), "AAX_ERROR_NULL_OBJECT (-20004)");
    EXPECT_EQ(e.Result(), AAX_ERROR_NULL_OBJECT);
  }
  EXPECT_EQ(result.Result(), AAX_SUCCESS);
  EXPECT_EQ(result.LastError(), AAX_ERROR_NULL_OBJECT);

  // It can be caught as the general AAX exception and as a standard one.
  EXPECT_THROW(result = -20600, AAX::Exception::Any);
  EXPECT_THROW(result = 1, std::exception);
  EXPECT_EQ(result.LastError(), 1);

  // Construction checks its code right away.
  EXPECT_THROW(AAX_CheckedResult{AAX_ERROR_UNIMPLEMENTED}, AAX::Exception::ResultError);

  // Accepted codes pass and stay readable; resetting forgets them.
  result.AddAcceptedResult(AAX_ERROR_UNIMPLEMENTED);
  EXPECT_NO_THROW(result = AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(static_cast<AAX_Result>(result), AAX_ERROR_UNIMPLEMENTED);
  result.ResetAcceptedResults();
  EXPECT_THROW(result = AAX_ERROR_UNIMPLEMENTED, AAX::Exception::ResultError);
}

// The whole table, so that a renamed or renumbered code is caught: -20001 to -20046 in order.
TEST(AAXResults, EveryCodeHasItsName)
{
  const char* const kNames[] = {
    "AAX_ERROR_INVALID_PARAMETER_ID", "AAX_ERROR_INVALID_STRING_CONVERSION", "AAX_ERROR_INVALID_METER_INDEX",
    "AAX_ERROR_NULL_OBJECT", "AAX_ERROR_OLDER_VERSION", "AAX_ERROR_INVALID_CHUNK_INDEX",
    "AAX_ERROR_INVALID_CHUNK_ID", "AAX_ERROR_INCORRECT_CHUNK_SIZE", "AAX_ERROR_UNIMPLEMENTED",
    "AAX_ERROR_INVALID_PARAMETER_INDEX", "AAX_ERROR_NOT_INITIALIZED", "AAX_ERROR_ACF_ERROR",
    "AAX_ERROR_INVALID_METER_TYPE", "AAX_ERROR_CONTEXT_ALREADY_HAS_METERS", "AAX_ERROR_NULL_COMPONENT",
    "AAX_ERROR_PORT_ID_OUT_OF_RANGE", "AAX_ERROR_FIELD_TYPE_DOES_NOT_SUPPORT_DIRECT_ACCESS",
    "AAX_ERROR_DIRECT_ACCESS_OUT_OF_BOUNDS", "AAX_ERROR_FIFO_FULL",
    "AAX_ERROR_INITIALIZING_PACKET_STREAM_THREAD", "AAX_ERROR_POST_PACKET_FAILED",
    "AAX_RESULT_PACKET_STREAM_NOT_EMPTY", "AAX_RESULT_ADD_FIELD_UNSUPPORTED_FIELD_TYPE",
    "AAX_ERROR_MIXER_THREAD_FALLING_BEHIND", "AAX_ERROR_INVALID_FIELD_INDEX", "AAX_ERROR_MALFORMED_CHUNK",
    "AAX_ERROR_TOD_BEHIND", "AAX_RESULT_NEW_PACKET_POSTED", "AAX_ERROR_PLUGIN_NOT_AUTHORIZED",
    "AAX_ERROR_PLUGIN_NULL_PARAMETER", "AAX_ERROR_NOTIFICATION_FAILED", "AAX_ERROR_INVALID_VIEW_SIZE",
    "AAX_ERROR_SIGNED_INT_OVERFLOW", "AAX_ERROR_NO_COMPONENTS", "AAX_ERROR_DUPLICATE_EFFECT_ID",
    "AAX_ERROR_DUPLICATE_TYPE_ID", "AAX_ERROR_EMPTY_EFFECT_NAME", "AAX_ERROR_UNKNOWN_PLUGIN",
    "AAX_ERROR_PROPERTY_UNDEFINED", "AAX_ERROR_INVALID_PATH", "AAX_ERROR_UNKNOWN_ID",
    "AAX_ERROR_UNKNOWN_EXCEPTION", "AAX_ERROR_INVALID_ARGUMENT", "AAX_ERROR_NULL_ARGUMENT",
    "AAX_ERROR_INVALID_INTERNAL_DATA", "AAX_ERROR_ARGUMENT_BUFFER_OVERFLOW",
  };
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == 46, "codes -20001 to -20046");
  EXPECT_STREQ(AAX_ResultName(AAX_SUCCESS), "AAX_SUCCESS");
  for (int32_t i = 0; i < 46; ++i)
    EXPECT_STREQ(AAX_ResultName(-20001 - i), kNames[i]) << -20001 - i;
}
