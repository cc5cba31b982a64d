#include <string>
#include <vector>

#include "db/SqlQuote.h"
#include "repairs/PaymentMode.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;
using form::RadioId;

const std::string kQuoted = Cp("카'운");
const Dialog kFailed{"변경 실패.", DialogKind::Warning, DialogButtons::Ok};
const Rows kPrepaid{{"001", "Y", "N"}, {"002", "N", "N"}, {"003", "Y", "Y"}};
const Rows kPostpaid{{"001", "N", "N"}, {"002", "Y", "N"}, {"003", "Y", "Y"}};

Dialog Done(const std::string& pos) {
    return {pos + " POS 변경 완료.", DialogKind::Information, DialogButtons::Ok};
}

struct SwitchCase {
    const char* name;
    int index;   // the selected POS: 01 has no option rows, 02 and the quoted one are postpaid
    int radios;  // 1 prepaid, 2 postpaid, 3 both
    Dialogs dialogs;
    Rows options;                     // the selected POS's rows afterwards; none: nothing changes
    void (*setup)(Store&) = nullptr;  // after the list load
    bool connect = true;
};

// clang-format off
const SwitchCase kSwitches[] = {
    {"Prepaid", 1, 1, {Done("02")}, kPrepaid},
    {"PostpaidWinsOverBoth", 2, 3, {Done("카'운")}, kPostpaid},
    {"PosWithoutOptionRows", 0, 2, {Done("01")}, {}},
    {"SecondUpdateFails", 1, 1, {kFailed}, {},
     [](Store& s) { FailOn(s.db, "ss_option_pos", "before update", "new.op_idx = '002'"); }},
    // A POS commits a change to a row after the list load began the transaction the switch uses.
    {"RowChangedSinceTheListLoad", 1, 2, {kFailed}, {},
     [](Store& s) {
         s.db.Exec("update ss_option_pos set send_yn = 'X' where op_pos_no = '02' and op_idx = '002'");
     }},
    {"NotConnected", 1, 1, {{"DB연결실패", DialogKind::Warning, DialogButtons::Ok}}, {}, nullptr,
     false},
    // The selection is asked for before the mode.
    {"NoPos", -1, 0, {{"POS를 선택하세요.", DialogKind::Warning, DialogButtons::Ok}}, {}},
    {"NoMode", 1, 0, {{"선/후불제를 선택하세요.", DialogKind::Information, DialogButtons::Ok}}, {}},
};
// clang-format on

class PaymentSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(PaymentSwitch, WritesOnlyThePairOfTheSelectedPos) {
    const SwitchCase& c = GetParam();
    Store s;
    s.db.Exec("insert into ss_master (pos_no) values ('01')");
    for (const std::string& pos : {std::string("02"), kQuoted}) {
        s.db.Exec("insert into ss_master (pos_no) values (" + db::SqlQuote(pos) + ")");
        for (const char* option : {"'001', 'N'", "'002', 'Y'", "'003', 'Y'"})
            s.db.Exec("insert into ss_option_pos (op_pos_no, op_idx, op_set_yn, send_yn) values (" +
                      db::SqlQuote(pos) + ", " + option + ", 'Y')");
    }
    s.window.listBox1 = {"stale"};
    if (c.connect) {
        s.Connect();
        repairs::LoadPosList(s.form);
        // Ascending by the stored bytes; the read stays open on the window's transaction.
        EXPECT_TRUE(s.form.IBTransaction1.InTransaction());
    } else {
        s.window.listBox1 = {"01", "02", kQuoted};
    }
    ASSERT_EQ(s.window.listBox1, (std::vector<std::string>{"01", "02", kQuoted}));
    if (c.setup) c.setup(s);
    s.window.selected1 = c.index;
    s.window.checked[RadioId::RadioButton1] = c.radios & 1;
    s.window.checked[RadioId::RadioButton2] = c.radios & 2;
    const Tables before = SnapshotAll(s.db);

    repairs::Button1Click(s.form);

    EXPECT_EQ(s.Shown(), c.dialogs);
    const Tables after = SnapshotAll(s.db);
    EXPECT_EQ(Changed(before, after), c.options.empty() ? Names{} : Names{"SS_OPTION_POS"});
    if (!c.options.empty()) {
        const std::string pos = db::SqlQuote(s.window.listBox1[c.index]);
        EXPECT_EQ(s.db.Rows("select op_idx, op_set_yn, send_yn from ss_option_pos where "
                            "op_pos_no = " +
                            pos + " order by 1"),
                  c.options);
        EXPECT_EQ(s.db.Count("ss_option_pos", "op_pos_no <> " + pos + " and send_yn = 'N'"), 0);
    }
    EXPECT_EQ(s.form.IBDatabase1.IsConnected(), c.connect);
    if (c.index >= 0 && c.radios) {
        EXPECT_FALSE(s.form.IBTransaction1.InTransaction());
        EXPECT_FALSE(s.form.IBQuery1.IsOpen());
    }
}

INSTANTIATE_TEST_SUITE_P(Terminals, PaymentSwitch, ::testing::ValuesIn(kSwitches),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace repairs_test
