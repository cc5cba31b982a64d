// Texts that must come out byte for byte the same on every platform: code page 949 both ways
// (iconv on Linux, the Windows conversion functions there) and the SQL texts of the moves.
#include <gtest/gtest.h>

#include <string>

#include "datefix/SalesTables.h"
#include "db/SqlQuote.h"
#include "form/Cp949.h"

namespace {

TEST(Cp949, KoreanBothWaysIncludingTheExtendedSyllables) {
    const std::string message = "DB\xbf\xac\xb0\xe1\xbd\xc7\xc6\xd0";  // "DB연결실패"
    EXPECT_EQ(form::Cp949ToUtf8(message), "DB연결실패");
    EXPECT_EQ(form::Utf8ToCp949("DB연결실패"), message);
    // "똠" lies outside EUC-KR; its trail byte is an ASCII letter.
    EXPECT_EQ(form::Utf8ToCp949("똠"), "\x8c\x63");
    EXPECT_EQ(form::Cp949ToUtf8("\x8c\x63"), "똠");
}

TEST(Cp949, WhatCannotBeConvertedIsMarkedNotDropped) {
    EXPECT_EQ(form::Cp949ToUtf8("a\xff"
                                "b"),
              "a\xef\xbf\xbd"
              "b");
    // One mark per character, whatever its length in UTF-8 (Thai ko kai, three bytes).
    EXPECT_EQ(form::Utf8ToCp949("a\xe0\xb8\x81"
                                "b"),
              "a?b");
}

TEST(SqlText, QuotedKoreanKeyInTheRowUpdateOfTheOrderTable) {
    const std::string key = "\xc6\xf7'\xbd\xba";  // "포'스" in code page 949
    EXPECT_EQ(db::SqlQuote(key), "'\xc6\xf7''\xbd\xba'");
    EXPECT_EQ(datefix::RowUpdateSql(datefix::kSingleDateTables[0], "20240314", "2024-03-14",
                                    "20240313", key, "7"),
              " Update OS_Order Set   Sal_Ymd = '20240314',  Upd_Dt = '2024-03-14' || "
              "coalesce(substring(Upd_Dt from 11 for 9), '')  Where Sal_Ymd = '20240313'  And "
              "Sal_Seq = '\xc6\xf7''\xbd\xba'  And Tbl_Sal_Seq = '7' ");
    EXPECT_EQ(datefix::RegisterUpdateSql("20240314", "2024'0313"),
              " Update OC_REGISTER Set   Sal_Ymd = '20240314'  Where Sal_Ymd = '2024''0313' ");
}

}  // namespace
