#include "aax/library/AAX_CString.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>

TEST(AAXString, ConstructionAndInterface)
{
  const char* none = nullptr;
  EXPECT_TRUE(AAX_CString(none).Empty());
  EXPECT_STREQ(AAX_CString().Get(), "");

  AAX_CString s("hello");
  const AAX_IString& is = s;
  EXPECT_EQ(is.Length(), 5u);
  EXPECT_EQ(is.MaxLength(), 0xFFFFFFFEu);
  EXPECT_EQ(AAX_CString::InvalidIndex, 0xFFFFFFFFu);

  AAX_CString copy(is); // from the interface
  EXPECT_EQ(copy, "hello");
  AAX_IString& target = copy;
  target.Set(nullptr);
  EXPECT_TRUE(copy.Empty());
  target.AssignFrom(s).AssignText("bye");
  EXPECT_EQ(copy, "bye");
  copy.AssignFrom(copy); // self-assignment keeps the text
  EXPECT_EQ(copy, "bye");

  copy.Swap(s);
  EXPECT_EQ(copy, "hello");
  EXPECT_EQ(s, "bye");
}

TEST(AAXString, NumbersAndHex)
{
  EXPECT_EQ(AAX_CString().AppendHex(255, 4), "0x00ff");
  EXPECT_EQ(AAX_CString().AppendHex(-1, 2), "0xffffffff");
  EXPECT_EQ(AAX_CString().AppendHex(0, 0), "0x0");
  EXPECT_EQ(AAX_CString().AppendNumber(2.0, 0), "2");
  EXPECT_EQ(AAX_CString().AppendNumber(-0.5, 3), "-0.500");
  EXPECT_EQ(AAX_CString().AppendNumber(1.5, 2), "1.50");
  EXPECT_EQ(AAX_CString().AppendNumber(INT32_MIN), "-2147483648");
  EXPECT_EQ(AAX_CString("ac").InsertNumber(1, int32_t(7)), "a7c");
  EXPECT_EQ(AAX_CString("ac").InsertHex(1, 16, 0), "a0x10c");
  EXPECT_EQ(AAX_CString("ac").InsertNumber(1, 3.14159, 2), "a3.14c");

  // Wild precision and width arguments stay bounded.
  EXPECT_EQ(AAX_CString().AppendNumber(1.0, -3), "1");
  EXPECT_LT(AAX_CString().AppendNumber(1.0, INT32_MAX).Length(), 100u);
  EXPECT_LT(AAX_CString().AppendHex(1, INT32_MAX).Length(), 100u);
}

TEST(AAXString, Conversions)
{
  int32_t i = -1;
  double d = -1;
  EXPECT_TRUE(AAX_CString("12abc").ToInteger(&i));
  EXPECT_EQ(i, 12);
  EXPECT_FALSE(AAX_CString("abc").ToInteger(&i));
  EXPECT_EQ(i, 0);
  i = 5;
  EXPECT_FALSE(AAX_CString("").ToInteger(&i));
  EXPECT_EQ(i, 0);
  EXPECT_TRUE(AAX_CString("  -42 ").ToInteger(&i));
  EXPECT_EQ(i, -42);
  EXPECT_FALSE(AAX_CString("99999999999").ToInteger(&i)); // out of range
  EXPECT_EQ(i, 0);
  EXPECT_FALSE(AAX_CString("1").ToInteger(nullptr));

  EXPECT_TRUE(AAX_CString(" 2.5dB").ToDouble(&d));
  EXPECT_DOUBLE_EQ(d, 2.5);
  EXPECT_TRUE(AAX_CString("-1e3").ToDouble(&d));
  EXPECT_DOUBLE_EQ(d, -1000.0);
  EXPECT_FALSE(AAX_CString("dB").ToDouble(&d));
  EXPECT_EQ(d, 0.0);
}

TEST(AAXString, EditingClampsPositions)
{
  EXPECT_EQ(AAX_CString("abcdef").Erase(2, 100), "ab");
  EXPECT_EQ(AAX_CString("abcdef").Erase(1, 2), "adef");
  EXPECT_EQ(AAX_CString("abc").Erase(100, 1), "abc");
  EXPECT_EQ(AAX_CString("abc").Insert(100, "x"), "abcx");
  EXPECT_EQ(AAX_CString("abc").Insert(0, AAX_CString("x")), "xabc");
  EXPECT_EQ(AAX_CString("abc").Replace(1, 1, "XY"), "aXYc");
  EXPECT_EQ(AAX_CString("abc").Replace(1, 100, AAX_CString("Z")), "aZ");
  EXPECT_EQ(AAX_CString("abc").Replace(100, 3, "y"), "abcy");

  // Null texts read as empty.
  EXPECT_EQ(AAX_CString("abc").Append(static_cast<const char*>(nullptr)), "abc");
  EXPECT_EQ(AAX_CString("abc").Insert(1, static_cast<const char*>(nullptr)), "abc");
  EXPECT_EQ(AAX_CString("abc").Replace(0, 1, static_cast<const char*>(nullptr)), "bc");
  EXPECT_TRUE(AAX_CString() == static_cast<const char*>(nullptr));

  AAX_CString s("abcdef");
  AAX_CString out("junk");
  s.SubString(2, 3, &out);
  EXPECT_EQ(out, "cde");
  s.SubString(4, 100, &out);
  EXPECT_EQ(out, "ef");
  s.SubString(100, 1, &out);
  EXPECT_TRUE(out.Empty());
  s.SubString(1, 2, &s); // into itself
  EXPECT_EQ(s, "bc");
  s.SubString(0, 1, nullptr);

  // Reading past the end gives the terminating NUL, not bytes beyond the text.
  EXPECT_EQ(s.At(1), 'c');
  EXPECT_EQ(s.At(2), '\0');
  EXPECT_EQ(s[AAX_CString::InvalidIndex], '\0');

  AAX_CString a("x");
  a += AAX_CString("y");
  a += std::string("z");
  EXPECT_EQ(a.Clear().Append("q"), "q");
}

TEST(AAXString, ComparisonsAndStreams)
{
  const AAX_CString embedded(std::string("ab\0cd", 5));
  EXPECT_EQ(embedded.Length(), 5u);
  EXPECT_TRUE(embedded == "ab");                    // up to the first NUL
  EXPECT_TRUE(embedded == AAX_CString("ab"));
  EXPECT_FALSE(embedded == std::string("ab"));      // lengths and every byte
  EXPECT_TRUE(embedded == std::string("ab\0cd", 5));
  EXPECT_TRUE(embedded != std::string("ab\0ce", 5));

  EXPECT_TRUE(AAX_CString("abc") < AAX_CString("abd"));
  EXPECT_TRUE(AAX_CString("ab") < AAX_CString("abc"));
  EXPECT_TRUE(AAX_CString("\xff") > AAX_CString("a")); // bytes compare unsigned
  EXPECT_FALSE(AAX_CString("a") < AAX_CString("a"));

  std::ostringstream os;
  os << AAX_CString("gain") << '|';
  EXPECT_EQ(os.str(), "gain|");
  std::istringstream is("  first second");
  AAX_CString w1, w2;
  is >> w1 >> w2;
  EXPECT_EQ(w1, "first");
  EXPECT_EQ(w2, "second");
}
