// The repairs that ask once and change one table: table locks, print settings, kiosk key map;
// then every repair on the demo store.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "repairs/GroupCancel.h"
#include "repairs/KioskKeyMap.h"
#include "repairs/PaymentMode.h"
#include "repairs/PrintSettings.h"
#include "repairs/TableLocks.h"
#include "tests/repairs/RepairTestSupport.h"
#include "tests/support/DemoStore.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;
using testing_support::TestDatabase;

void SeedLocks(const TestDatabase& db) {
    for (const char* row : {"'1', '1', '01', 'a'", "'2', '0', '02', 'b'", "'3', null, '03', 'c'",
                            "'4', '2', '04', 'd'", "'9999', '0', '', 'e'"})
        db.Exec("insert into os_table_lock (tbl_no, lock_sw, pos_no, upd_dt) values (" +
                std::string(row) + ")");
    db.Exec("insert into ti_master (tbl_no, tbl_nm) values ('1', 'one')");
}

// P1 and P3 have print settings; P2, P4 and a Korean-coded product have none; a setting row
// without a product code must not hide them.
void SeedProducts(const TestDatabase& db) {
    for (const std::string& code :
         {std::string("P1"), std::string("P2"), std::string("P3"), std::string("P4"), Cp("김밥")})
        db.Exec("insert into pi_master (prod_cd, prod_nm) values ('" + code + "', 'x')");
    for (const char* row : {"'P1', '02', 'N', 'Y'", "'P3', '03', 'Y', 'Y'", "'P3', '04', 'Y', 'Y'",
                            "null, '09', 'Y', 'Y'"})
        db.Exec("insert into ss_device_link (prodcd, device_no, print_yn, send_yn) values (" +
                std::string(row) + ")");
}

void Key(const TestDatabase& db, int kind, const std::string& prod, int page, bool image,
         const std::string& setProd = "", const std::string& group = "") {
    db.Exec(
        "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, setgrp_prod_no, prod_g_cd, "
        "page_no, key_no, image_data) values (" +
        std::to_string(kind) + ", " + (prod.empty() ? "null" : "'" + prod + "'") + ", '" + setProd +
        "', '" + group + "', " + std::to_string(page) + ", " + std::to_string(page) + ", " +
        (image ? "'image'" : "null") + ")");
}

// Set S1 has the group G1 with the items I1 and I2; S2 has items but no group; S3 a group but
// no items. Plain keys (kind 1): per code, which of its pages carry an image.
void SeedKeys(const TestDatabase& db) {
    db.ExecAll({
        "insert into pi_setgroup (setgrp_prod_no, prod_g_cd) values ('S1', 'G1')",
        "insert into pi_setgroup (setgrp_prod_no, prod_g_cd) values ('S3', 'G1')",
        "insert into pi_setitem (setitem_prod_no, prod_i_cd) values ('S1', 'I1')",
        "insert into pi_setitem (setitem_prod_no, prod_i_cd) values ('S1', 'I2')",
        "insert into pi_setitem (setitem_prod_no, prod_i_cd) values ('S2', 'I1')",
    });
    Key(db, 10, "I1", 1, true, "S1", "G1");       // kept
    Key(db, 10, "I9", 2, false, "S1", "G1");      // not an item of S1
    Key(db, 10, "I1", 3, false, "S1", "G2");      // S1 has no group G2
    Key(db, 11, "I2", 1, false, "S1", "G1");      // kept
    Key(db, 11, "I1", 2, true, "S2", "G1");       // S2 has no group
    Key(db, 11, "I1", 3, false, "S3", "G1");      // S3 has no items
    Key(db, 1, "I9", 1, false, "S1", "G2");       // a plain key is no set key
    Key(db, 12, "SINGLE", 1, false, "S9", "G9");  // other kinds are left alone, and not counted
    const std::vector<std::pair<std::string, std::string>> plain = {
        {"A2IMG1", "10"}, {"A2BOTH", "11"},  {"A2NONE", "00"},  {"A3ALL", "111"},
        {"A3ONE", "110"}, {"A4ONE", "1011"}, {"A4ALL", "1111"}, {"LONGCODE0123", "00"},
        {"SINGLE", "0"},  {"", "00"}};  // keys without a product are never grouped
    for (const auto& [code, images] : plain)
        for (size_t page = 0; page < images.size(); ++page)
            Key(db, 1, code, static_cast<int>(page) + 1, images[page] == '1');
}

struct Repair {
    void (*run)(form::FormState&);
    void (*seed)(const TestDatabase&);
    const char* table;
    const char* columns;  // compared, in this order
    const char* ask;      // then done (information) or failed (warning)
    const char* done;
    const char* failed;
};

// clang-format off
const Repair kLocks{repairs::Button6Click, SeedLocks, "OS_TABLE_LOCK",
                    "tbl_no, lock_sw, pos_no, upd_dt", "테이블 락 제거 진행하시겠습니까?",
                    "테이블 락 제거 완료", "테이블 락 제거 실패"};
const Repair kPrint{repairs::Button7Click, SeedProducts, "SS_DEVICE_LINK",
                    "prodcd, device_no, print_yn, send_yn",
                    "상품별인쇄설정 누락시 처리 진행하시겠습니까?",
                    "상품별인쇄설정 누락시 처리 완료", "상품별인쇄설정 누락시 처리 실패"};
const Repair kKeys{repairs::Button8Click, SeedKeys, "PI_KIOSK_C_SET",
                   "kiosk_set_type, coalesce(prod_cd, '-'), page_no",
                   "키맵이상 정리 진행하시겠습니까?", "키맵이상 정리 처리 완료",
                   "키맵이상 정리 처리 실패"};
// clang-format on

enum class Outcome { Done, Cancelled, Failed };

struct RepairCase {
    const char* name;
    const Repair& repair;
    Outcome outcome;
    Rows rows;  // the changed table afterwards; for a failure, nothing changes
    std::vector<std::string> fail = {};  // table, event and condition of a failing trigger
    bool connect = true;                 // false: the repair connects on its own
};

// clang-format off
const RepairCase kRepairs[] = {
    // A NULL lock_sw is not "<> '0'" and stays; unlocked rows keep their POS; 9999 goes.
    {"LocksReleased", kLocks, Outcome::Done,
     {{"1", "0", "", "a"}, {"2", "0", "02", "b"}, {"3", "<null>", "03", "c"}, {"4", "0", "", "d"}},
     {}, false},
    {"LocksCancelled", kLocks, Outcome::Cancelled, {}},
    {"LocksUpdateFailsAfterTheDelete", kLocks, Outcome::Failed, {},
     {"os_table_lock", "before update", "old.tbl_no = '4'"}},
    // New rows: the product and send_yn 'N'; the rest comes from the column defaults.
    {"PrintSettingsAdded", kPrint, Outcome::Done,
     {{"<null>", "09", "Y", "Y"}, {"P1", "02", "N", "Y"}, {"P2", "01", "Y", "N"},
      {"P3", "03", "Y", "Y"}, {"P3", "04", "Y", "Y"}, {"P4", "01", "Y", "N"},
      {Cp("김밥"), "01", "Y", "N"}},
     {}, false},
    {"PrintSettingsCancelled", kPrint, Outcome::Cancelled, {}},
    {"PrintSettingsInsertFails", kPrint, Outcome::Failed, {},
     {"ss_device_link", "before insert", "new.prodcd = 'P4'"}},
    // Orphaned set keys go; per product with more than one plain key, the first key without an
    // image in page order goes, then, while more than one is left, the first key.
    {"KeysCleaned", kKeys, Outcome::Done,
     {{"1", "-", "1"},      {"1", "-", "2"},      {"1", "A2BOTH", "2"}, {"1", "A2IMG1", "1"},
      {"1", "A2NONE", "2"}, {"1", "A3ALL", "2"},  {"1", "A3ALL", "3"},  {"1", "A3ONE", "2"},
      {"1", "A4ALL", "2"},  {"1", "A4ALL", "3"},  {"1", "A4ALL", "4"},  {"1", "A4ONE", "3"},
      {"1", "A4ONE", "4"},  {"1", "I9", "1"},     {"1", "LONGCODE0123", "2"},
      {"1", "SINGLE", "1"}, {"10", "I1", "1"},    {"11", "I2", "1"},    {"12", "SINGLE", "1"}}},
    {"KeysCancelled", kKeys, Outcome::Cancelled, {}},
    // Only the block deletes plain keys: it fails after both set-key deletes have run.
    {"KeysBlockFails", kKeys, Outcome::Failed, {},
     {"pi_kiosk_c_set", "before delete", "old.kiosk_set_type = 1"}},
};
// clang-format on

class StoreRepair : public ::testing::TestWithParam<RepairCase> {};

TEST_P(StoreRepair, AsksThenChangesItsTableAtOnceOrNotAtAll) {
    const RepairCase& c = GetParam();
    const Repair& r = c.repair;
    Store s;
    r.seed(s.db);
    if (!c.fail.empty()) FailOn(s.db, c.fail[0], c.fail[1], c.fail[2]);
    if (c.connect) s.Connect();
    const Tables before = SnapshotAll(s.db);
    if (c.outcome == Outcome::Cancelled) s.window.Answer(form::kResultCancel);

    r.run(s.form);

    Dialogs dialogs{{r.ask, DialogKind::Information, DialogButtons::OkCancel}};
    if (c.outcome == Outcome::Done)
        dialogs.emplace_back(r.done, DialogKind::Information, DialogButtons::Ok);
    if (c.outcome == Outcome::Failed)
        dialogs.emplace_back(r.failed, DialogKind::Warning, DialogButtons::Ok);
    EXPECT_EQ(s.Shown(), dialogs);
    const std::string columns = r.columns;
    if (c.outcome == Outcome::Done) {
        EXPECT_EQ(s.db.Rows("select " + columns + " from " + r.table + " order by " + columns),
                  c.rows);
    }
    EXPECT_EQ(Changed(before, SnapshotAll(s.db)),
              c.outcome == Outcome::Done ? Names{r.table} : Names{});
    // The kiosk block's transaction is freed at the end, and IBSQL1 with it left without one.
    if (r.run == repairs::Button8Click && c.outcome != Outcome::Cancelled) {
        EXPECT_EQ(s.form.IBSQL1.Transaction(), nullptr);
    }
    EXPECT_TRUE(s.form.IBDatabase1.IsConnected());
}

INSTANTIATE_TEST_SUITE_P(OneTable, StoreRepair, ::testing::ValuesIn(kRepairs),
                         [](const auto& info) { return std::string(info.param.name); });

// Each repair on the demo store: the first run does visible work, a second run on the first
// listed rows changes nothing. POS 02 was left with both payment options on; the stuck party
// group is found through hall 4.
TEST(DemoSeed, EveryRepairFindsWorkOnceAndNothingOnASecondRun) {
    Store s;
    testing_support::LoadDemoStore(s.db);
    s.Connect();
    repairs::LoadPosList(s.form);
    repairs::LoadGroupTables(s.form);
    ASSERT_EQ(s.window.listBox1.at(1), "02");
    s.window.selected1 = 1;
    s.window.checked[form::RadioId::RadioButton1] = true;
    const auto& tables = s.form.TableNoList;
    const int hall4 = std::find(tables.begin(), tables.end(), "104") - tables.begin();
    ASSERT_LT(hall4, static_cast<int>(tables.size()));
    for (auto run : {repairs::Button1Click, repairs::Button3Click, repairs::Button6Click,
                     repairs::Button7Click, repairs::Button8Click}) {
        const Tables before = SnapshotAll(s.db);
        s.window.selected2 = hall4;
        run(s.form);
        const Tables once = SnapshotAll(s.db);
        EXPECT_NE(Changed(before, once), Names{}) << s.window.DialogTexts().back();
        s.window.selected2 = 0;
        run(s.form);
        EXPECT_EQ(Changed(once, SnapshotAll(s.db)), Names{}) << s.window.DialogTexts().back();
    }
    EXPECT_EQ(s.form.BusinessDate, "20261201");
    EXPECT_EQ(s.db.Count("os_table_change", "sal_ymd = '20261201'"), 3 * 5);
    for (const std::string& text : s.window.DialogTexts())
        EXPECT_EQ(text.find("실패"), std::string::npos) << text;
}

}  // namespace
}  // namespace repairs_test
