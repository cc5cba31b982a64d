#include <string>

#include <gtest/gtest.h>

#include "repairs/KioskKeyMap.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;

const ExpectedDialog kAsk{"키맵이상 정리 진행하시겠습니까?", DialogKind::Information,
                          DialogButtons::OkCancel};
const ExpectedDialog kDone{"키맵이상 정리 처리 완료", DialogKind::Information, DialogButtons::Ok};
const ExpectedDialog kFailed{"키맵이상 정리 처리 실패", DialogKind::Warning, DialogButtons::Ok};

void Key(const testing_support::TestDatabase& db, int kind, const std::string& prod, int page,
         bool image, const std::string& setProd = "", const std::string& group = "") {
    const std::string prodValue = prod.empty() ? "null" : "'" + prod + "'";
    db.Exec(
        "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, setgrp_prod_no, prod_g_cd, "
        "page_no, key_no, image_data) values (" +
        std::to_string(kind) + ", " + prodValue + ", '" + setProd + "', '" + group + "', " +
        std::to_string(page) + ", " + std::to_string(page) + ", " + (image ? "'image'" : "null") +
        ")");
}

// The key map as text; the image column as "img" or "-".
Rows KeyMap(const testing_support::TestDatabase& db, const std::string& where = "1 = 1") {
    return db.Rows(
        "select kiosk_set_type, coalesce(prod_cd, '<null>'), setgrp_prod_no, prod_g_cd, page_no, "
        "trim(case when image_data is null then '-' else 'img' end) from pi_kiosk_c_set where " +
        where + " order by kiosk_set_type, prod_cd, setgrp_prod_no, prod_g_cd, page_no");
}

Rows PlainKeys(const testing_support::TestDatabase& db) {
    return db.Rows(
        "select prod_cd, page_no from pi_kiosk_c_set where kiosk_set_type = 1 "
        "and prod_cd is not null order by prod_cd, page_no");
}

// Set S1 has the group G1 with the items I1 and I2; S2 has items but no group; S3 a group but
// no items.
void SeedSetKeys(const testing_support::TestDatabase& db) {
    db.ExecAll({
        "insert into pi_setgroup (setgrp_prod_no, prod_g_cd) values ('S1', 'G1')",
        "insert into pi_setgroup (setgrp_prod_no, prod_g_cd) values ('S3', 'G1')",
        "insert into pi_setitem (setitem_prod_no, prod_i_cd) values ('S1', 'I1')",
        "insert into pi_setitem (setitem_prod_no, prod_i_cd) values ('S1', 'I2')",
        "insert into pi_setitem (setitem_prod_no, prod_i_cd) values ('S2', 'I1')",
    });
    Key(db, 10, "I1", 1, true, "S1", "G1");   // kept
    Key(db, 10, "I9", 2, false, "S1", "G1");  // not an item of S1
    Key(db, 10, "I1", 3, false, "S1", "G2");  // S1 has no group G2
    Key(db, 11, "I2", 1, false, "S1", "G1");  // kept
    Key(db, 11, "I1", 2, true, "S2", "G1");   // S2 has no group
    Key(db, 11, "I1", 3, false, "S3", "G1");  // S3 has no items
    Key(db, 1, "I9", 1, false, "S1", "G2");   // plain key: not a set key
    Key(db, 12, "I9", 1, false, "S9", "G9");  // other kinds are left alone
}

// Duplicated plain keys: code, then (page, has image) per key.
void SeedDuplicates(const testing_support::TestDatabase& db) {
    Key(db, 1, "A2IMG1", 1, true);  // two keys, only the first with an image
    Key(db, 1, "A2IMG1", 2, false);
    Key(db, 1, "A2BOTH", 1, true);  // two keys, both with images
    Key(db, 1, "A2BOTH", 2, true);
    Key(db, 1, "A2NONE", 1, false);  // two keys, neither with an image
    Key(db, 1, "A2NONE", 2, false);
    for (int page = 1; page <= 3; ++page) Key(db, 1, "A3ALL", page, true);
    Key(db, 1, "A3ONE", 1, true);  // three keys, one without an image
    Key(db, 1, "A3ONE", 2, true);
    Key(db, 1, "A3ONE", 3, false);
    Key(db, 1, "A4ONE", 1, true);  // four keys, one without an image
    Key(db, 1, "A4ONE", 2, false);
    Key(db, 1, "A4ONE", 3, true);
    Key(db, 1, "A4ONE", 4, true);
    for (int page = 1; page <= 4; ++page) Key(db, 1, "A4ALL", page, true);
    Key(db, 1, "LONGCODE0123", 1, false);  // longer than six characters
    Key(db, 1, "LONGCODE0123", 2, false);
    Key(db, 1, "SINGLE", 1, false);  // one plain key; a key of another kind does not count
    Key(db, 12, "SINGLE", 1, false, "S9", "G9");
    Key(db, 1, "", 1, false);  // keys without a product are never grouped
    Key(db, 1, "", 2, false);
}

TEST(KioskKeyMap, RemovesSetKeysWhoseProductIsNoItemOfTheirSetGroup) {
    Store s;
    SeedSetKeys(s.db);
    s.Connect();
    const Tables before = SnapshotAll(s.db);

    repairs::Button8Click(s.form);

    ExpectDialogs(s.window, {kAsk, kDone});
    EXPECT_EQ(KeyMap(s.db), (Rows{{"1", "I9", "S1", "G2", "1", "-"},
                                  {"10", "I1", "S1", "G1", "1", "img"},
                                  {"11", "I2", "S1", "G1", "1", "-"},
                                  {"12", "I9", "S9", "G9", "1", "-"}}));
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {"PI_KIOSK_C_SET"});
}

TEST(KioskKeyMap, ThinsDuplicatedPlainKeysImageLessFirst) {
    Store s;
    SeedDuplicates(s.db);
    s.Connect();
    const Tables before = SnapshotAll(s.db);

    repairs::Button8Click(s.form);

    ExpectDialogs(s.window, {kAsk, kDone});
    EXPECT_EQ(PlainKeys(s.db), (Rows{{"A2BOTH", "2"},
                                     {"A2IMG1", "1"},
                                     {"A2NONE", "2"},
                                     {"A3ALL", "2"},
                                     {"A3ALL", "3"},
                                     {"A3ONE", "2"},
                                     {"A4ALL", "2"},
                                     {"A4ALL", "3"},
                                     {"A4ALL", "4"},
                                     {"A4ONE", "3"},
                                     {"A4ONE", "4"},
                                     {"LONGCODE0123", "2"},
                                     {"SINGLE", "1"}}));
    EXPECT_EQ(s.db.Count("pi_kiosk_c_set", "prod_cd is null"), 2);
    EXPECT_EQ(s.db.Count("pi_kiosk_c_set", "kiosk_set_type = 12"), 1);
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {"PI_KIOSK_C_SET"});
    // The transaction the block ran on is gone, and IBSQL1 with it is left without one.
    EXPECT_EQ(s.form.IBSQL1.Transaction(), nullptr);

    // A second run binds IBSQL1 again and goes on with what is still duplicated.
    repairs::Button8Click(s.form);

    ExpectDialogs(s.window, {kAsk, kDone, kAsk, kDone});
    EXPECT_EQ(PlainKeys(s.db), (Rows{{"A2BOTH", "2"},
                                     {"A2IMG1", "1"},
                                     {"A2NONE", "2"},
                                     {"A3ALL", "3"},
                                     {"A3ONE", "2"},
                                     {"A4ALL", "3"},
                                     {"A4ALL", "4"},
                                     {"A4ONE", "4"},
                                     {"LONGCODE0123", "2"},
                                     {"SINGLE", "1"}}));
    EXPECT_EQ(s.form.IBSQL1.Transaction(), nullptr);
}

TEST(KioskKeyMap, NothingToCleanStillReportsCompletion) {
    Store s;
    Key(s.db, 1, "P1", 1, false);
    Key(s.db, 1, "P2", 1, true);
    s.Connect();
    const Tables before = SnapshotAll(s.db);

    repairs::Button8Click(s.form);

    ExpectDialogs(s.window, {kAsk, kDone});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(KioskKeyMap, AnsweringCancelWritesNothing) {
    Store s;
    SeedSetKeys(s.db);
    SeedDuplicates(s.db);
    const Tables before = SnapshotAll(s.db);
    s.window.Answer(form::kResultCancel);

    repairs::Button8Click(s.form);

    ExpectDialogs(s.window, {kAsk});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(KioskKeyMap, FailingBlockUndoesBothSetKeyDeletes) {
    Store s;
    SeedSetKeys(s.db);
    SeedDuplicates(s.db);
    // Only the block deletes plain keys, so it fails after both set-key deletes have run.
    FailOn(s.db, "pi_kiosk_c_set", "before delete", "old.kiosk_set_type = 1");
    s.Connect();
    const Rows before = KeyMap(s.db);
    const Tables all = SnapshotAll(s.db);

    repairs::Button8Click(s.form);

    ExpectDialogs(s.window, {kAsk, kFailed});
    EXPECT_EQ(KeyMap(s.db), before);
    ExpectUnchangedExcept(all, SnapshotAll(s.db), {});
    EXPECT_EQ(s.form.IBSQL1.Transaction(), nullptr);
}

TEST(KioskKeyMap, FailingSetKeyDeleteReportsFailure) {
    Store s;
    SeedSetKeys(s.db);
    FailOn(s.db, "pi_kiosk_c_set", "before delete", "old.kiosk_set_type = 11");
    s.Connect();
    const Rows before = KeyMap(s.db);

    repairs::Button8Click(s.form);

    ExpectDialogs(s.window, {kAsk, kFailed});
    EXPECT_EQ(KeyMap(s.db), before);
}

}  // namespace
}  // namespace repairs_test
