// Texts and choices that must come out the same on every platform, with neither a server nor a
// display: code page 949 both ways (iconv on Linux, the Windows conversion functions there), SQL
// texts, parameter markers, the attachment parameter block and the client library's search.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "datefix/SalesTables.h"
#include "db/DbError.h"
#include "db/LibrarySearch.h"
#include "db/ParameterBlock.h"
#include "db/ParameterMarkers.h"
#include "db/SqlQuote.h"
#include "form/Cp949.h"
#include "tests/support/ErrorOf.h"

namespace {

using testing_support::ErrorOf;

TEST(Cp949, KoreanBothWaysAndWhatCannotBeConvertedIsMarked) {
    const std::string message = "DB\xbf\xac\xb0\xe1\xbd\xc7\xc6\xd0";  // "DB연결실패"
    EXPECT_EQ(form::Cp949ToUtf8(message), "DB연결실패");
    EXPECT_EQ(form::Utf8ToCp949("DB연결실패"), message);
    // "똠" lies outside EUC-KR; its trail byte is an ASCII letter.
    EXPECT_EQ(form::Utf8ToCp949("똠"), "\x8c\x63");
    EXPECT_EQ(form::Cp949ToUtf8("\x8c\x63"), "똠");
    EXPECT_EQ(form::Cp949ToUtf8("a\377b"), "a�b");  // the replacement character
    // One mark per character, whatever its length in UTF-8 (Thai ko kai, three bytes).
    EXPECT_EQ(form::Utf8ToCp949("aกb"), "a?b");
}

TEST(SqlText, QuotesAndTheUpdatesOfTheDateMove) {
    const std::vector<std::pair<std::string, std::string>> quoted = {
        {"abc", "'abc'"},
        {"", "''"},
        {"''", "''''''"},
        {"a\"b:c", "'a\"b:c'"},
        {"\xc6\xf7'\xbd\xba", "'\xc6\xf7''\xbd\xba'"},  // "포'스" in code page 949
        {std::string("a\0b", 3), std::string("'a\0b'", 5)}};
    for (const auto& [text, expected] : quoted) EXPECT_EQ(db::SqlQuote(text), expected);
    EXPECT_EQ(datefix::RowUpdateSql(datefix::kSingleDateTables[0], "20240314", "2024-03-14",
                                    "20240313", "\xc6\xf7'\xbd\xba", "7"),
              " Update OS_Order Set   Sal_Ymd = '20240314',  Upd_Dt = '2024-03-14' || "
              "coalesce(substring(Upd_Dt from 11 for 9), '')  Where Sal_Ymd = '20240313'  And "
              "Sal_Seq = '\xc6\xf7''\xbd\xba'  And Tbl_Sal_Seq = '7' ");
    EXPECT_EQ(datefix::RegisterUpdateSql("20240314", "2024'0313"),
              " Update OC_REGISTER Set   Sal_Ymd = '20240314'  Where Sal_Ymd = '2024''0313' ");
}

TEST(ParameterMarkers, MarkersOutsideQuotesAndCommentsBecomeQuestionMarks) {
    struct Case {
        std::string sql, sent;
        std::vector<std::string> names;
    };
    const std::string korean = "select '\xC7\xD1:x' from t where a = '\xB1\xDB'";  // 한, 글
    const Case cases[] = {{"update t set a = :a, b = :B_2$ where c = :\"My c\"",
                           "update t set a = ?, b = ? where c = ?",
                           {"a", "B_2$", "My c"}},
                          // The character right after the name stays; "?" takes a name like ":".
                          {"f(:x)+g(?y,:z)", "f(?)+g(?,?)", {"x", "y", "z"}},
                          {"update t set upd_dt = '2024-03-14 10:00:00' where a = 'x?y'", "", {}},
                          {"select 'it'':s', \"col:x\", \"a\"\":b\" from t", "", {}},
                          {"select /* :p ? */ a from t /* another: one */", "", {}},
                          {"", "", {}},
                          {korean, "", {}}};
    for (const Case& c : cases) {
        std::vector<std::string> names;
        EXPECT_EQ(db::ReplaceParameterMarkers(c.sql, &names), c.sent.empty() ? c.sql : c.sent);
        EXPECT_EQ(names, c.names) << c.sql;
    }
    const std::pair<const char*, const char*> failures[] = {
        {"update t set a = : 1", "Parameter name expected"},
        {"select a from t where b = :", "Parameter name expected"},
        {"select ? from t", "Parameter name expected"},
        {"select 'abc from t", "EOF in string detected"},
        {"select \"abc'' from t", "EOF in string detected"},
        {"select 'it''s from t", "EOF in string detected"},
        {"select :\"open", "EOF in string detected"},
        {"select a /* open * / from t", "EOF in comment detected"}};
    for (const auto& [sql, error] : failures)
        EXPECT_FAILS(std::string("SQL Parse Error:\r\n\r\n") + error,
                     db::ReplaceParameterMarkers(sql));
}

TEST(ParameterBlock, NamesInAnyCaseWithOrWithoutPrefixTextAndNumberValues) {
    const std::pair<std::vector<std::string>, std::string> blocks[] = {
        {{"user_name=sysdba", "password=quillmoss"},
         std::string("\x01\x1C\x06sysdba\x1D\x09quillmoss")},
        // Everything after the first "=" is the value.
        {{"ISC_DPB_USER_NAME=a=b", "Password="}, std::string("\001\034\003a=b\035\000", 8)},
        // A numeric item carries a 4-byte little-endian value.
        {{"num_buffers=258"}, std::string("\x01\x05\x04\x02\x01\x00\x00", 7)},
        {{}, std::string("\x01", 1)},
        // A line without "=" is a name with an empty value; empty lines are skipped.
        {{"user_name", ""}, std::string("\x01\x1C\x00", 3)}};
    for (const auto& [lines, block] : blocks) EXPECT_EQ(db::BuildParameterBlock(lines), block);

    const std::pair<std::vector<std::string>, std::string> failures[] = {
        {{"user_name=a", "colour=blue"}, "DPB Constant (colour) is unknown"},
        {{"isc_dpb_nonsense=1"}, "DPB Constant (isc_dpb_nonsense) is unknown"},
        // A text longer than its one-byte length field is refused rather than cut.
        {{"password=" + std::string(256, 'x')}, "DPB Constant (password) value is too long"},
        {{"num_buffers=many"}, "DPB Constant (num_buffers) needs a numeric value"}};
    for (const auto& [lines, error] : failures) EXPECT_FAILS(error, db::BuildParameterBlock(lines));
}

// Opens only the candidates it is given an outcome for, and records every try.
struct RecordingLoader {
    std::map<std::string, db::LoadOutcome> outcomes;
    std::vector<std::string> tried;

    std::string Load(const std::vector<std::string>& candidates) {
        return ErrorOf([&] {
            const db::LoadedLibrary loaded =
                db::LoadFirst(candidates, [this](const std::string& candidate) {
                    tried.push_back(candidate);
                    const auto found = outcomes.find(candidate);
                    return found == outcomes.end() ? db::LoadOutcome{nullptr, 126} : found->second;
                });
            EXPECT_EQ(loaded.handle, this);
            throw db::DbError("loaded " + loaded.candidate);
        });
    }
};

TEST(LibrarySearch, ProgramFolderThenInstanceRootAndBinThenTheSystemSearchThenTheShippedClient) {
    EXPECT_EQ(
        db::WindowsCandidates("C:\\POS", "C:\\Program Files\\Firebird\\Firebird_3_0\\"),
        (std::vector<std::string>{"C:\\POS\\fbclient.dll",
                                  "C:\\Program Files\\Firebird\\Firebird_3_0\\fbclient.dll",
                                  "C:\\Program Files\\Firebird\\Firebird_3_0\\bin\\fbclient.dll",
                                  "fbclient.dll", "gds32.dll", "C:\\POS\\firebird\\fbclient.dll"}));
    EXPECT_EQ(db::WindowsCandidates("C:\\포스\\", ""),
              (std::vector<std::string>{"C:\\포스\\fbclient.dll", "fbclient.dll", "gds32.dll",
                                        "C:\\포스\\firebird\\fbclient.dll"}));

    RecordingLoader nothing;
    EXPECT_EQ(nothing.Load(db::WindowsCandidates("", "")), db::NotFoundMessage());
    EXPECT_EQ(nothing.tried, (std::vector<std::string>{"fbclient.dll", "gds32.dll"}));
    EXPECT_EQ(db::NotFoundMessage(),
              "InterBase library gds32.dll not found in the path. Please install InterBase to use "
              "this functionality");
}

TEST(LibrarySearch, FirstLoadableKeptOtherwiseTheFirstUnusableNamedNotEvenTheShippedOneLoading) {
    const auto candidates = db::WindowsCandidates("C:\\POS", "D:\\FB");
    RecordingLoader loader;
    loader.outcomes["D:\\FB\\bin\\fbclient.dll"] = {&loader, 0};
    loader.outcomes["fbclient.dll"] = {&loader, 0};
    EXPECT_EQ(loader.Load(candidates), "loaded D:\\FB\\bin\\fbclient.dll");
    EXPECT_EQ(loader.tried,
              (std::vector<std::string>{"C:\\POS\\fbclient.dll", "D:\\FB\\fbclient.dll",
                                        "D:\\FB\\bin\\fbclient.dll"}));

    RecordingLoader unusable;
    unusable.outcomes["D:\\FB\\fbclient.dll"] = {nullptr, db::kWrongArchitectureError};
    unusable.outcomes["gds32.dll"] = {nullptr, db::kWrongArchitectureError};
    EXPECT_EQ(unusable.Load(candidates), db::WrongArchitectureMessage("D:\\FB\\fbclient.dll"));
    EXPECT_EQ(unusable.tried, candidates);
    EXPECT_NE(db::WrongArchitectureMessage("X").find("X is a 32-bit library"), std::string::npos);
    EXPECT_NE(db::WrongArchitectureMessage("X").find("64-bit Firebird client"), std::string::npos);
    // An old client that lacks an entry point, found first, is the one named.
    unusable.outcomes["C:\\POS\\fbclient.dll"] = {nullptr, 0, "no isc_dsql_execute2"};
    EXPECT_EQ(unusable.Load(candidates), "no isc_dsql_execute2");
    // A store with a 32-bit or an old Firebird ends at the shipped client.
    unusable.outcomes["C:\\POS\\firebird\\fbclient.dll"] = {&unusable, 0};
    EXPECT_EQ(unusable.Load(candidates), "loaded C:\\POS\\firebird\\fbclient.dll");
}

}  // namespace
