// The two steps before every change, for each operation that changes the database: the question
// while another program is attached, and the server's backup.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>

#include "datefix/DatePage.h"
#include "db/ServiceBackup.h"
#include "form/ChangeGuard.h"
#include "repairs/GroupCancel.h"
#include "repairs/KioskKeyMap.h"
#include "repairs/PaymentMode.h"
#include "repairs/PrintSettings.h"
#include "repairs/TableLocks.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;
using testing_support::TestDatabase;

struct Operation {
    const char* name;
    void (*run)(form::FormState&);
    form::RadioId dateMode = form::RadioId::RadioButton3;
    int lastDay = 11;  // the date page's second date in November 2026
};

// A little work for every operation.
const std::vector<std::string> kSeed = {
    "insert into ss_master (pos_no) values ('02')",
    "insert into ss_option_pos (op_pos_no, op_idx, op_set_yn) values ('02', '001', 'Y')",
    "insert into ti_master (tbl_no, grp_no, grp_mst_yn, grp_set_sw) values ('1', '7', 'Y', '1')",
    "insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('1', '1', '01')",
    "insert into pi_master (prod_cd) values ('100001')",
    "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, page_no) values (1, '100001', 1)",
    "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, page_no) values (1, '100001', 2)",
    "insert into os_master (sal_ymd, sal_seq, upd_dt) values ('20261110', 1, '2026-11-11 12:00')",
};

void DatePage(form::FormState& form) {
    datefix::Button9Click(form);
}

// Realign: the misdated sale of 20261110 belongs to 20261111.
const Operation kOperations[] = {
    {"PaymentSwitch", repairs::Button1Click},
    {"GroupCancel", repairs::Button3Click},
    {"TableLocks", repairs::Button6Click},
    {"PrintSettings", repairs::Button7Click},
    {"KioskKeyMap", repairs::Button8Click},
    {"DateMove", DatePage},
    {"Realign", DatePage, form::RadioId::RadioButton4, 12},
};

// Both lists loaded as the window loads them at start, their first rows selected (POS 02,
// prepaid, switched to postpaid), and the date page set, so that every operation has work.
class ChangeGuard : public ::testing::TestWithParam<Operation> {
protected:
    ChangeGuard() {
        s.db.ExecAll(kSeed);
        s.Connect();
        repairs::LoadPosList(s.form);
        repairs::LoadGroupTables(s.form);
        s.window.selected1 = s.window.selected2 = 0;
        s.window.checked[form::RadioId::RadioButton2] = true;
        s.window.checked[GetParam().dateMode] = true;
        s.window.SetDate(form::PickerId::dtChange01, 2026, 11, 10);
        s.window.SetDate(form::PickerId::dtChange02, 2026, 11, GetParam().lastDay);
    }
    void Run() { GetParam().run(s.form); }

    Store s;
};

// On a dialect 1 database, whose connections refuse BIGINT in a statement's text.
TEST_P(ChangeGuard, AnotherProgramIsNamedCancelKeepsAllAndOkBacksUpFirst) {
    ASSERT_EQ(std::system(
                  ("gfix -sql_dialect 1 -user sysdba -password quillmoss " + s.db.Name()).c_str()),
              0);
    s.form.IBDatabase1.Disconnect();
    s.Connect();
    ASSERT_EQ(s.form.IBDatabase1.Dialect(), 1);
    const Tables before = SnapshotAll(s.db);
    {
        // The test's own attachment is in this process and does not count; isql-fb does.
        testing_support::IsqlHolder isql(s.db, "");
        // Told to end before the checks: the operation stops before the question, silently.
        s.window.stopRequested = true;
        Run();
        EXPECT_TRUE(s.window.dialogs.empty());
        EXPECT_TRUE(s.form.stoppedBeforeChange);
        s.window.stopRequested = false;

        const Dialog question{
            "다른 프로그램이 DB에 연결되어 있습니다.\r\nisql-fb (PID " + isql.Pid() +
                ", 127.0.0.1)\r\n포스 프로그램을 종료한 후 사용하세요. 그래도 진행하시겠습니까?",
            DialogKind::Warning, DialogButtons::OkCancelDefaultCancel};
        s.window.Answer(form::kResultCancel);
        Run();
        EXPECT_EQ(s.Shown(), Dialogs{question});
        EXPECT_EQ(SnapshotAll(s.db), before);
        EXPECT_TRUE(s.db.BackupFiles().empty());

        Run();  // OK to every dialog
        ASSERT_GE(s.window.dialogs.size(), 3u);
        EXPECT_EQ(s.Shown()[1], question);
    }
    EXPECT_NE(SnapshotAll(s.db), before);

    // One backup beside the database, made while the progress dialog was open, holding the
    // store as it was before the change.
    const std::vector<std::string> backups = s.db.BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    const std::string stem = std::filesystem::path(s.db.Path()).stem().string();
    EXPECT_TRUE(std::regex_match(std::filesystem::path(backups[0]).filename().string(),
                                 std::regex(stem + "-20[0-9]{6}-[0-9]{6}\\.fbk")))
        << backups[0];
    EXPECT_EQ(s.window.progressCaptions, std::vector<std::string>{"DB 백업 중"});
    EXPECT_EQ(s.window.progressCloses, 1);
    ASSERT_FALSE(s.window.progress.empty());
    const auto [done, total] = s.window.progress.back();
    EXPECT_GT(total, 20);
    EXPECT_EQ(done, total);
    EXPECT_EQ(SnapshotAll(TestDatabase(backups[0])), before);
}

const std::string kRefused = "DB 백업에 실패하여 작업을 진행하지 않습니다.";

TEST_P(ChangeGuard, FailedBackupWarnsAndChangesNothing) {
    // A folder under each name the backup may take in the next seconds: the server refuses it.
    const std::time_t now = std::time(nullptr);
    for (std::time_t t = now; t < now + 6; ++t) {
        const std::tm local = *std::localtime(&t);
        std::filesystem::create_directory(
            form::BackupPathFor(s.db.Path(), {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                              local.tm_hour, local.tm_min, local.tm_sec}));
    }
    const Tables before = SnapshotAll(s.db);
    Run();
    ASSERT_FALSE(s.window.dialogs.empty());
    const auto [text, kind, buttons] = s.Shown().back();
    EXPECT_EQ(kind, DialogKind::Warning);
    EXPECT_EQ(text.rfind(kRefused + "\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("cannot open backup file"), std::string::npos) << text;
    EXPECT_EQ(SnapshotAll(s.db), before);
    if (std::string(GetParam().name) == "DateMove") {
        EXPECT_EQ(s.window.log, (std::vector<std::string>{"[지정된 날짜 변경] 진행중", kRefused,
                                                          "[지정된 날짜 변경] 오류 발생"}));
    }
    for (const std::string& folder : s.db.BackupFiles()) std::filesystem::remove(folder);

    // A disk one byte short of the database's size: refused before the server is asked.
    const unsigned long long size = std::stoull(
        s.db.Rows("select cast(mon$pages as bigint) * mon$page_size from mon$database")[0][0]);
    std::string asked;
    s.form.freeSpace = [&](const std::string& folder) {
        asked = folder;
        return std::uintmax_t{size - 1};
    };
    const size_t backups = s.db.BackupFiles().size();
    Run();
    EXPECT_EQ(s.window.dialogs.back().text, kRefused + "\r\n디스크 여유 공간 부족: 필요 " +
                                                std::to_string((size + 1048575) / 1048576) +
                                                " MB, 남음 " +
                                                std::to_string((size - 1) / 1048576) + " MB");
    EXPECT_EQ(asked, std::filesystem::path(s.db.Path()).parent_path().string() + "/");
    EXPECT_EQ(s.db.BackupFiles().size(), backups);
    EXPECT_EQ(SnapshotAll(s.db), before);

    // Room the system cannot tell refuses nothing; what it tells is the room a user may take.
    s.form.freeSpace = [](const std::string&) { return std::optional<std::uintmax_t>(); };
    Run();
    EXPECT_EQ(s.db.BackupFiles().size(), backups + 1);
    EXPECT_NEAR(*form::LocalFreeSpace(asked), std::filesystem::space(asked).available, 1e8);
}

// The server out of reach at the checks (the database is reached through a link made during the
// question): the change fails instead of running on an attachment made after its checks.
TEST(ChangeGuardAttach, AChangeNeverRunsOnAnAttachmentMadeAfterItsChecks) {
    Store s;
    s.db.Exec("insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('1', '1', '01')");
    const std::string link = s.db.Path() + ".link";
    form::FormState form(s.window, testing_support::ConnectionString(link));
    std::error_code made;
    s.window.onDialog = [&](const auto&) {
        std::filesystem::create_symlink(s.db.Path(), link, made);
    };
    repairs::Button6Click(form);
    std::filesystem::remove(link);
    EXPECT_EQ(s.window.DialogTexts(), (std::vector<std::string>{"테이블 락 제거 진행하시겠습니까?",
                                                                "테이블 락 제거 실패"}));
}

INSTANTIATE_TEST_SUITE_P(EveryChange, ChangeGuard, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChangeGuardText, ProgramLinesAndServiceNames) {
    EXPECT_EQ(form::AttachmentLine({std::string("C:\\POS\\PosMain.exe"), "4711", "10.0.0.5/50112"}),
              "PosMain.exe (PID 4711, 10.0.0.5)");
    EXPECT_EQ(form::AttachmentLine({std::nullopt, "", ""}), "알 수 없는 프로그램 (PID , )");
    const db::ServiceTarget stored = db::ServiceTargetOf("localhost:zurn_svr");
    EXPECT_EQ(stored.service + " " + stored.database, "localhost:service_mgr zurn_svr");
    const db::ServiceTarget other = db::ServiceTargetOf("localhost/3099:/p/x.fdb");
    EXPECT_EQ(other.service + " " + other.database, "localhost/3099:service_mgr /p/x.fdb");
    EXPECT_EQ(db::ServiceTargetOf("C:\\p\\x.fdb").service, "service_mgr");
    EXPECT_EQ(form::BackupPathFor("/var/lib/firebird/zurn.fdb", {2026, 12, 1, 9, 5, 7}),
              "/var/lib/firebird/zurn-20261201-090507.fbk");
}

}  // namespace
}  // namespace repairs_test
