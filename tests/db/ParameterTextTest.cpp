// Texts built without a server: parameter markers, SqlQuote and the attachment parameter block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/ParameterBlock.h"
#include "db/ParameterMarkers.h"
#include "db/SqlQuote.h"
#include "tests/db/DbTestSupport.h"

using db_tests::ErrorOf;

namespace {

const std::string kParseError = "SQL Parse Error:\r\n\r\n";

TEST(ParameterMarkers, MarkersOutsideQuotesAndCommentsBecomeQuestionMarks) {
    std::vector<std::string> names;
    EXPECT_EQ(
        db::ReplaceParameterMarkers("update t set a = :a, b = :B_2$ where c = :\"My c\"", &names),
        "update t set a = ?, b = ? where c = ?");
    EXPECT_EQ(names, (std::vector<std::string>{"a", "B_2$", "My c"}));

    // The character right after the name stays; "?" takes a name like ":".
    names.clear();
    EXPECT_EQ(db::ReplaceParameterMarkers("f(:x)+g(?y,:z)", &names), "f(?)+g(?,?)");
    EXPECT_EQ(names, (std::vector<std::string>{"x", "y", "z"}));
}

TEST(ParameterMarkers, LiteralsAndCommentsPassUnchanged) {
    const std::vector<std::string> unchanged = {
        "update t set upd_dt = '2024-03-14 10:00:00' where a = 'x?y'",
        "select 'it'':s', \"col:x\", \"a\"\":b\" from t",
        "select /* :p ? */ a from t /* another: one */",
        "",
        "select 1 from rdb$database",
    };
    for (const std::string& sql : unchanged) {
        std::vector<std::string> names;
        EXPECT_EQ(db::ReplaceParameterMarkers(sql, &names), sql);
        EXPECT_TRUE(names.empty()) << sql;
    }
    // Code page 949 bytes (한 = C7 D1) in a literal and around it.
    const std::string korean = "select '\xC7\xD1:x' from t where a = '\xB1\xDB'";
    EXPECT_EQ(db::ReplaceParameterMarkers(korean), korean);
}

TEST(ParameterMarkers, ParseErrors) {
    EXPECT_EQ(ErrorOf([] { db::ReplaceParameterMarkers("update t set a = : 1"); }),
              kParseError + "Parameter name expected");
    EXPECT_EQ(ErrorOf([] { db::ReplaceParameterMarkers("select a from t where b = :"); }),
              kParseError + "Parameter name expected");
    EXPECT_EQ(ErrorOf([] { db::ReplaceParameterMarkers("select ? from t"); }),
              kParseError + "Parameter name expected");
    EXPECT_EQ(ErrorOf([] { db::ReplaceParameterMarkers("select 'abc from t"); }),
              kParseError + "EOF in string detected");
    EXPECT_EQ(ErrorOf([] { db::ReplaceParameterMarkers("select \"abc'' from t"); }),
              kParseError + "EOF in string detected");
    EXPECT_EQ(ErrorOf([] { db::ReplaceParameterMarkers("select 'it''s from t"); }),
              kParseError + "EOF in string detected");
    EXPECT_EQ(ErrorOf([] { db::ReplaceParameterMarkers("select :\"open"); }),
              kParseError + "EOF in string detected");
    EXPECT_EQ(ErrorOf([] { db::ReplaceParameterMarkers("select a /* open * / from t"); }),
              kParseError + "EOF in comment detected");
}

TEST(SqlQuote, QuotesAndDoublesSingleQuotesOnly) {
    EXPECT_EQ(db::SqlQuote("abc"), "'abc'");
    EXPECT_EQ(db::SqlQuote("it's"), "'it''s'");
    EXPECT_EQ(db::SqlQuote(""), "''");
    EXPECT_EQ(db::SqlQuote("''"), "''''''");
    EXPECT_EQ(db::SqlQuote("a\"b:c"), "'a\"b:c'");
    EXPECT_EQ(db::SqlQuote("\xC7\xD1'\xB1\xDB"), "'\xC7\xD1''\xB1\xDB'");
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(db::SqlQuote(withZero), "'" + withZero + "'");
}

TEST(ParameterBlock, StoredLinesGiveUserNameAndPasswordOnly) {
    const std::string block = db::BuildParameterBlock({"user_name=sysdba", "password=quillmoss"});
    const std::string expected =
        std::string("\x01\x1C\x06", 3) + "sysdba" + "\x1D\x09" + "quillmoss";
    EXPECT_EQ(block, expected);
}

TEST(ParameterBlock, NamesIgnoreCaseAndPrefixValueKeepsEverythingAfterFirstEquals) {
    EXPECT_EQ(db::BuildParameterBlock({"ISC_DPB_USER_NAME=a=b", "Password="}),
              std::string("\x01\x1C\x03"
                          "a=b"
                          "\x1D\x00",
                          8));
    // A numeric item carries a 4-byte little-endian value.
    EXPECT_EQ(db::BuildParameterBlock({"num_buffers=258"}),
              std::string("\x01\x05\x04\x02\x01\x00\x00", 7));
    EXPECT_EQ(db::BuildParameterBlock({}), std::string("\x01", 1));
    // A line without "=" is a name with an empty value; empty lines are skipped.
    EXPECT_EQ(db::BuildParameterBlock({"user_name", ""}), std::string("\x01\x1C\x00", 3));
}

TEST(ParameterBlock, UnknownOrUnfittingLinesFail) {
    EXPECT_EQ(ErrorOf([] {
                  db::BuildParameterBlock({"user_name=a", "colour=blue"});
              }),
              "DPB Constant (colour) is unknown");
    EXPECT_EQ(ErrorOf([] { db::BuildParameterBlock({"isc_dpb_nonsense=1"}); }),
              "DPB Constant (isc_dpb_nonsense) is unknown");
    // A text longer than its one-byte length field is refused rather than cut.
    EXPECT_NE(ErrorOf([] {
                  db::BuildParameterBlock({"password=" + std::string(256, 'x')});
              }).find("password"),
              std::string::npos);
    EXPECT_NE(ErrorOf([] { db::BuildParameterBlock({"num_buffers=many"}); }).find("num_buffers"),
              std::string::npos);
}

}  // namespace
