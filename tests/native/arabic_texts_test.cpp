// The window texts are Windows-1256 bytes; decoding them must give exactly
// the Arabic the user is meant to read.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "shared/arabic_texts.h"

namespace {

std::string Cp1256ToUtf8(const std::string& bytes) {
    iconv_t converter = iconv_open("UTF-8", "CP1256");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1));
    std::string out(bytes.size() * 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPos = &out[0];
    std::size_t outLeft = out.size();
    EXPECT_NE(iconv(converter, &in, &inLeft, &outPos, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

TEST(ArabicTexts, DecodeToTheIntendedWords) {
    EXPECT_EQ(Cp1256ToUtf8(kTextAlreadyInList), "القناة موجودة مسبقا في قائمة القنوات");
    EXPECT_EQ(Cp1256ToUtf8(kTextAdded), "تم أضافة القناة لقائمة القنوات");
    EXPECT_EQ(Cp1256ToUtf8(kTextNoChannel), "لا توجد قناة لإضافتها");
    EXPECT_EQ(Cp1256ToUtf8(kTextListInUse), "القائمة مستخدمة من برنامج آخر");
    EXPECT_EQ(Cp1256ToUtf8(kTextNoPosition), "لم يحدد البرنامج موقع القمر");
    EXPECT_EQ(Cp1256ToUtf8(kTextViewerNoAnswer), "لم يستجب البرنامج لطلب موقع القمر");
    EXPECT_EQ(Cp1256ToUtf8(kTextCannotWrite), "تعذرت الكتابة في قائمة القنوات");
    EXPECT_EQ(Cp1256ToUtf8(kTextCurrentChannelLabel), "القناة الحالية :");
    EXPECT_EQ(Cp1256ToUtf8(kTextCountLabel), "عدد القنوات في الملف :");
    EXPECT_EQ(Cp1256ToUtf8(kTextDataGroup), "البيانات");
    EXPECT_EQ(Cp1256ToUtf8(kTextAddButton), "إضافة لقائمة القنوات");
    EXPECT_EQ(Cp1256ToUtf8(kTextOkButton), "موافق");
    EXPECT_EQ(Cp1256ToUtf8(kTextChannelColumn), "أسم القناة");
    EXPECT_EQ(Cp1256ToUtf8(kTextSatelliteColumn), "أسم القمر");
    EXPECT_EQ(Cp1256ToUtf8(kTextListRestored), "استعيدت النسخة السابقة لتلف الملف");
}

}  // namespace
