// Real failures during both moves: every unit before the failure stays committed, every unit
// after it untouched; a stopped single-date move is finished or moved back later.
#include <QDir>

#include <set>
#include <thread>

#include "db/DbError.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

const Lines kRefused = {kSingleStart, kSalesOnTarget, kSingleFailed};
const Lines kFinishFirst = {kSingleStart,
                            "중단된 매출일자 변경(20240313 → 20240314)을 먼저 마치거나 되돌리세요.",
                            kSingleFailed};
constexpr const char* kHoldPayment =
    "update OS_PAY set PAY_AMT = 77 where SAL_YMD = '20240313' and SAL_SEQ = 2";

// The journal lists the keys of the first `tables` tables moved from SeedThreeSales' 20240313,
// each with its row's address.
void ExpectKeysOfTables(std::vector<form::JournalRow> rows, size_t tables) {
    std::vector<form::JournalRow> keys;
    for (size_t i = 0; i < tables; ++i)
        for (const char* key : {"1", "2", "3"})
            keys.push_back({datefix::kSingleDateTables[i].name, key,
                            datefix::kSingleDateTables[i].tblSalSeq ? "1" : ""});
    for (form::JournalRow& row : rows) {
        EXPECT_EQ(row.dbKey.size(), 8u) << row.table << " " << row.key;
        row.dbKey.clear();
    }
    EXPECT_EQ(rows, keys);
}

// `state` with the rows that `after` has beyond `before`.
SalesState WithAddedRows(SalesState state, const SalesState& before, const SalesState& after) {
    for (const auto& [table, rows] : after) {
        std::multiset<std::vector<std::string>> old(before.at(table).rows.begin(),
                                                    before.at(table).rows.end());
        for (const auto& row : rows.rows)
            if (old.count(row))
                old.erase(old.find(row));
            else
                state.at(table).rows.push_back(row);
    }
    return state;
}

class Faults : public DatePageTest {
protected:
    // A move of 20240313 → 20240314 stopped after `committed` tables: other dates are refused,
    // the same pair (goOn) or the swapped one asks first, then goes on or moves the rows back.
    void FinishOrMoveBack(const SalesState& before, size_t committed, bool goOn) {
        const auto entry = journal.Find(db.Name());
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->wrongDate + " → " + entry->targetDate, "20240313 → 20240314");
        ExpectKeysOfTables(entry->rows, committed);
        const SalesState stoppedOnly = Capture(db);
        if (!goOn) SalesSeed(db).Sale("20240314", 7, "2024-03-14 18:00:00").Flush();
        const SalesState stopped = Capture(db);

        // Sharing one date with the stopped move is not enough.
        for (const auto& [wrong, target] : std::vector<std::pair<const char*, const char*>>{
                 {"20240312", "20240314"}, {"20240312", "20240313"}, {"20240314", "20240320"}}) {
            ChooseSingleMove(wrong, target);
            Start();
            EXPECT_EQ(Dialogs(), Lines{kConfirm});
            EXPECT_EQ(ui.log.back(), kSingleFailed) << wrong << " → " << target;
        }
        EXPECT_EQ(ui.log, kFinishFirst);  // the last pair: its target has no sales
        ChooseRealign("20240312", "20240316");
        Start();
        EXPECT_EQ(ui.log, Lines({kRealignStart, kFinishFirst[1], kRealignFailed}));
        EXPECT_EQ(journal.Find(db.Name())->rows, entry->rows);
        EXPECT_EQ(journal.Find(db.Name())->startTime, entry->startTime);
        ExpectSameSales(stopped, Capture(db));

        goOn ? ChooseSingleMove("20240313", "20240314") : ChooseSingleMove("20240314", "20240313");
        Start(form::kResultCancel);
        // The target's sales refuse as ever; once OS_Order and OS_MASTER are moved, the journal.
        EXPECT_EQ(ui.log, goOn || committed < 4 ? kRefused : kFinishFirst);
        ASSERT_EQ(ui.dialogs.size(), 2u);
        EXPECT_EQ(ui.dialogs[1].text,
                  std::string("20240313 → 20240314 매출일자 변경이 중간에 중단되었습니다. ") +
                      (goOn ? "이어서 진행하시겠습니까?" : "되돌리시겠습니까?"));
        EXPECT_EQ(ui.dialogs[1].kind, form::DialogKind::Confirmation);
        EXPECT_EQ(ui.dialogs[1].buttons, form::DialogButtons::OkCancel);
        ExpectSameSales(stopped, Capture(db));

        Start();
        EXPECT_EQ(ui.dialogs.size(), 3u);
        EXPECT_EQ(ui.log.back(), kSingleOk);
        // Tables already moved have nothing left to log; moving back logs the journal's tables.
        EXPECT_EQ(ui.log.size(), 1 + 3 * (goOn ? 20 - committed : committed) + 2);
        // Moved back, the stamps keep their own time of day on the wrong date's day.
        ExpectSameSales(
            goOn ? AfterSingleMove(before, "20240313", "20240314", 20, true)
                 : WithAddedRows(AfterSingleMove(before, "20240313", "20240313", committed, false),
                                 stoppedOnly, stopped),
            Capture(db));
        EXPECT_FALSE(journal.Find(db.Name()));
        Start();
        EXPECT_EQ(ui.log, kRefused);
    }
};

// Param: the 1-based table whose update of key 2 fails (21: the register, every row), and how a
// second run ends the stopped move: 0 not at all, 1 going on, 2 moving back.
class SingleMoveFailsAtTable : public Faults,
                               public ::testing::WithParamInterface<std::pair<size_t, int>> {};

TEST_P(SingleMoveFailsAtTable, KeepsEarlierTablesAndUndoesTheFailedOne) {
    const auto [n, finish] = GetParam();
    const std::string failing = n <= 20 ? datefix::kSingleDateTables[n - 1].name : "OC_REGISTER";
    SeedThreeSales(db);
    FailUpdatesOf(db, failing, n <= 20 ? "2" : "");
    const SalesState before = Capture(db);
    ChooseSingleMove("20240313", "20240314");
    Start();

    // Key 1 of table N was moved inside the unit, then undone with it.
    const size_t done = std::min<size_t>(n - 1, 20);
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", done, false), Capture(db));
    const std::string prefix = n <= 20 ? datefix::kSingleDateTables[n - 1].logPrefix : "";
    EXPECT_EQ(Tail(ui.log, 3),
              n <= 20 ? Lines({prefix + "2 - 2024-03-14", "ERROR " + prefix + "2", kSingleFailed})
                      : Lines({"OS_LSTICKET_APV_HEAD->3 - 2024-03-14", "ERROR OC_REGISTER->3",
                               kSingleFailed}));
    EXPECT_EQ(ui.log.size(), 1 + 3 * done + (n <= 20 ? 4 : 2));
    // Once a table is committed the day is split; the journal lists the committed tables' keys.
    EXPECT_EQ(Dialogs(), n > 1 ? Lines({kConfirm, kSplit}) : Lines{kConfirm});
    ASSERT_TRUE(journal.Find(db.Name()));
    EXPECT_EQ(journal.Find(db.Name())->rows.size(), 3 * done);
    StopFailingUpdatesOf(db, failing);
    if (finish) return FinishOrMoveBack(before, done, finish == 1);
    // Days elsewhere wait for a stopped move, not for a journal without keys.
    ChooseRealign("20240320", "20240325");
    Start();
    EXPECT_EQ(ui.log.back(), n > 1 ? kRealignFailed : kRealignOk);
}

INSTANTIATE_TEST_SUITE_P(FaultTest, SingleMoveFailsAtTable,
                         ::testing::Values(std::pair{1u, 0}, std::pair{2u, 2}, std::pair{4u, 1},
                                           std::pair{5u, 2}, std::pair{7u, 1}, std::pair{8u, 0},
                                           std::pair{14u, 0}, std::pair{15u, 0}, std::pair{20u, 1},
                                           std::pair{21u, 2}, std::pair{21u, 1}, std::pair{2u, 1}));

// Any failure inside a table's unit undoes that table, here a log line that cannot be written.
TEST_F(Faults, LogLineThatFailsUndoesItsTable) {
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    ChooseSingleMove("20240313", "20240314");
    ui.failAppendLogIn = 1 + 1 + 3 * 4 + 2;  // start, backup, tables 1 to 4, OS_PAY's second row
    ASSERT_NO_THROW(Start());
    EXPECT_EQ(Tail(ui.log, 3), Lines({"OS_PAY->1 - 2024-03-14", "ERROR OS_PAY->2", kSingleFailed}));
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 4, false), Capture(db));
}

// Param: 1-based number of the realignment statement that fails.
class RealignFailsAtStatement : public DatePageTest,
                                public ::testing::WithParamInterface<size_t> {};

TEST_P(RealignFailsAtStatement, StopsThereAndASecondRunCompletes) {
    const size_t n = GetParam();
    SeedThreeSales(db);
    FailUpdatesOf(db, datefix::kRealignTables[n - 1].name);
    const SalesState before = Capture(db);
    ChooseRealign("20240313", "20240316");
    Start();
    EXPECT_EQ(ui.log,
              Lines({kRealignStart, std::string("ERROR ") + datefix::kRealignTables[n - 1].name,
                     kRealignFailed}));
    EXPECT_EQ(Dialogs(), Lines{kConfirm});
    ExpectSameSales(AfterRealign(before, "20240313", "20240316", n - 1), Capture(db));
    StopFailingUpdatesOf(db, datefix::kRealignTables[n - 1].name);
    Start();
    EXPECT_EQ(ui.log, Lines({kRealignStart, kByHand, kRealignOk}));
    ExpectSameSales(AfterRealign(before, "20240313", "20240316"), Capture(db));
}

INSTANTIATE_TEST_SUITE_P(FaultTest, RealignFailsAtStatement,
                         ::testing::Values(1u, 7u, 8u, 9u, 10u, 11u, 12u, 20u));

TEST_F(Faults, JournalThatCannotBeWrittenStopsTheMoveBeforeAnyChange) {
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    // A folder inside a file cannot be made, not even by root.
    QFile file(journalDir.filePath("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    app::MoveJournalFile blocked(journalDir.filePath("file/journal"));
    form.moveJournal = &blocked;
    ChooseSingleMove("20240313", "20240314");
    Start();
    const std::string line = "매출일자 변경 기록을 저장할 수 없어 작업을 진행하지 않습니다.";
    EXPECT_EQ(ui.log, Lines({kSingleStart, line, kSingleFailed}));
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[1].text, line + "\r\n" + blocked.Location(db.Name()));
    EXPECT_EQ(ui.dialogs[1].kind, form::DialogKind::Warning);
    ExpectSameSales(before, Capture(db));
}

// A completed move's journal that stays reads as completed until a move replaces it; one that is
// no journal, or a folder in its place, refuses every move and stays.
TEST_F(Faults, JournalThatCannotBeRemovedReadsAsCompletedOneUnreadableRefusesEveryMove) {
    SeedThreeSales(db);
    struct Unremovable : app::MoveJournalFile {
        using MoveJournalFile::MoveJournalFile;
        bool RemoveFile(const QString&) override { return false; }
        void PauseBeforeRetry() override {}
    } stuck(journalDir.path());
    form.moveJournal = &stuck;
    ChooseSingleMove("20240313", "20240314");
    Start();
    const std::string where = "\r\n" + journal.Location(db.Name());
    EXPECT_EQ(Dialogs(),
              Lines({kConfirm, "완료.", "매출일자 변경 기록을 지울 수 없습니다." + where}));
    EXPECT_EQ(ui.log.back(), kSingleOk);
    form::MoveJournalEntry entry;
    EXPECT_EQ(journal.Read(db.Name(), entry), form::JournalState::Completed);
    FailUpdatesOf(db, "OS_PAY");
    ChooseSingleMove("20240314", "20240313");
    Start();
    EXPECT_EQ(stuck.Read(db.Name(), entry), form::JournalState::Found);
    EXPECT_EQ(journal.Read(db.Name(), entry), form::JournalState::Found);
    const SalesState moved = Capture(db);

    const std::string unreadable = "매출일자 변경 기록을 읽을 수 없어 작업을 진행하지 않습니다.";
    QFile file(journal.FileOf(db.Name()));
    for (const char* kept : {"", "posfix sales date move journal\nrow\tOS_PAY\n"}) {
        if (*kept) {
            ASSERT_TRUE(QDir().rmdir(file.fileName()) && file.open(QIODevice::WriteOnly));
            file.write(kept);
            file.close();
        } else {  // a folder in its place
            ASSERT_TRUE(file.remove() && QDir().mkdir(file.fileName()));
        }
        // The same run's store and the next run's read it alike.
        for (form::MoveJournal* store :
             {static_cast<form::MoveJournal*>(&stuck), static_cast<form::MoveJournal*>(&journal)}) {
            form.moveJournal = store;
            for (const bool realign : {false, true}) {
                realign ? ChooseRealign("20240313", "20240316")
                        : ChooseSingleMove("20240314", "20240313");
                Start();
                EXPECT_EQ(ui.log, Lines({realign ? kRealignStart : kSingleStart, unreadable,
                                         realign ? kRealignFailed : kSingleFailed}));
                EXPECT_EQ(Dialogs(), Lines({kConfirm, unreadable + where}));
            }
        }
        ExpectSameSales(moved, Capture(db));
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "posfix sales date move journal\nrow\tOS_PAY\n");
}

// A sale booked since a move stopped, under a moved sale's number, cannot be told from the moved
// rows: both directions are refused, naming the first backup. Param: the table the move stopped
// at, the rows booked since (table, date), the date the refusal names.
struct MixedSale {
    const char* stoppedAt;
    std::vector<std::pair<const char*, const char*>> booked;
    const char* named;
    bool whileAsked = false;  // booked while the question to go on is open
};

class SaleUnderAMovedNumber : public Faults, public ::testing::WithParamInterface<MixedSale> {};

TEST_P(SaleUnderAMovedNumber, RefusesBothDirections) {
    const MixedSale& p = GetParam();
    SeedThreeSales(db);
    FailUpdatesOf(db, p.stoppedAt);
    ChooseSingleMove("20240313", "20240314");
    Start();
    StopFailingUpdatesOf(db, p.stoppedAt);
    const auto entry = journal.Find(db.Name());
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->backup, lastBackup);
    SalesState mixed;
    const auto book = [&] {
        SalesSeed seed(db);
        for (const auto& [table, date] : p.booked)
            seed.Row(table, date, "2", "2024-03-14 19:00:00");
        seed.Flush();
        mixed = Capture(db);
    };
    if (p.whileAsked)
        ui.onDialog = [&](const testing_support::ScriptedWindow::Dialog& d) {
            if (d.text.find("이어서 진행하시겠습니까?") != std::string::npos) book();
        };
    else
        book();
    const std::string line =
        "20240313 → 20240314 매출일자 변경 이후 " + std::string(p.named) +
        "에 같은 번호의 매출이 새로 등록되어 이어서 진행하거나 되돌릴 수 없습니다.";
    for (const bool goOn : {true, false}) {
        goOn ? ChooseSingleMove("20240313", "20240314") : ChooseSingleMove("20240314", "20240313");
        const size_t backups = db.BackupFiles().size();
        Start();
        // Asked, the check is made again after the new backup; the refusal names the first one.
        EXPECT_EQ(db.BackupFiles().size(), backups + (p.whileAsked && goOn));
        EXPECT_EQ(ui.log, Lines({kSingleStart, line, kSingleFailed}));
        const Lines dialogs = Dialogs();
        EXPECT_EQ(dialogs.size(), p.whileAsked && goOn ? 3u : 2u);
        EXPECT_EQ(dialogs.front(), kConfirm);
        EXPECT_EQ(dialogs.back(), line + "\r\n변경 전 백업: " + entry->backup);
        ExpectSameSales(mixed, Capture(db));
        EXPECT_EQ(journal.Find(db.Name())->rows, entry->rows);
    }
}

// Rows only in tables already moved; in a table not moved yet, and not the first of them; on the
// wrong date, where the POS numbers from what is left there; in cs_master, by bill number; while
// the question and the backup take their time.
// clang-format off
INSTANTIATE_TEST_SUITE_P(FaultTest, SaleUnderAMovedNumber, ::testing::Values(
    MixedSale{"OS_PAY_INFO", {{"OS_Order", "20240314"}, {"OS_MASTER", "20240314"},
                              {"OS_PAY", "20240314"}}, "20240314"},
    MixedSale{"OS_PAY_INFO", {{"CS_BALANCE", "20240314"}}, "20240314"},
    MixedSale{"OS_PAY_INFO", {{"OS_MASTER", "20240313"}}, "20240313"},
    MixedSale{"CS_BALANCE", {{"cs_master", "20240314"}}, "20240314"},
    MixedSale{"OS_PAY_INFO", {{"OS_PAY", "20240314"}}, "20240314", true}));
// clang-format on

// Moving back takes only the rows the journal lists: a register opened since the stop stays.
TEST_F(Faults, MovingBackLeavesWhatWasBookedSinceTheStop) {
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    {
        // Its commits: the check's reader, tables 1 to 20, the reader again, the register.
        MoveChild child("scripted", db.Name(), journalDir.path().toStdString(), "", "20240313",
                        "20240314", 23);
        ASSERT_EQ(child.Wait(), 9);
    }
    const SalesState moved = Capture(db);
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 20, true), moved);
    SalesSeed(db).Register("20240314", "02").Flush();
    const SalesState opened = Capture(db);
    ChooseSingleMove("20240314", "20240313");
    Start();
    EXPECT_EQ(ui.log.back(), kSingleOk);
    ExpectSameSales(
        WithAddedRows(AfterSingleMove(before, "20240313", "20240313", 20, false), moved, opened),
        Capture(db));
}

// Param: the first run's process is killed waiting on table 5 (else ends after table 4's commit),
// and the second run goes on (else moves back).
class EndedProcess : public Faults, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(EndedProcess, LeavesAJournalThatFinishesOrMovesBackTheMove) {
    const auto [killedWaiting, goOn] = GetParam();
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    {
        std::optional<HeldRows> held;
        if (killedWaiting) held.emplace(db.Name(), kHoldPayment);
        // Its commits: the check's reader, then tables 1 to 4.
        MoveChild child("scripted", db.Name(), journalDir.path().toStdString(), "", "20240313",
                        "20240314", killedWaiting ? 0 : 5);
        if (killedWaiting) {
            ASSERT_TRUE(SeeWaitingStatement(db, "update os_pay "));
            // Each table's keys were on disk before its commit.
            ExpectKeysOfTables(journal.Find(db.Name())->rows, 4);
            child.Kill();
            held->Release();
        } else {
            ASSERT_EQ(child.Wait(), 9);
        }
    }
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 4, false), Capture(db));
    FinishOrMoveBack(before, 4, goOn);
}

INSTANTIATE_TEST_SUITE_P(FaultTest, EndedProcess,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// Both moves wait for a held payment row, go on when its holder rolls back and stop at it when it
// commits. Param: realignment (else the single-date move), and whether the holder commits.
class AgainstALockedRow : public Faults,
                          public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(AgainstALockedRow, WaitsThenGoesOnOrStopsAtTheConflict) {
    const auto [realign, commit] = GetParam();
    SeedThreeSales(db);
    SalesState before = Capture(db);
    realign ? ChooseRealign("20240313", "20240316") : ChooseSingleMove("20240313", "20240314");
    HeldRows held(db.Name(), kHoldPayment);
    std::thread release([&] {
        EXPECT_TRUE(SeeWaitingStatement(db, "update os_pay "));
        held.Release(commit);
    });
    Start();
    release.join();
    if (!commit) {
        EXPECT_EQ(ui.log.back(), realign ? kRealignOk : kSingleOk);
        ExpectSameSales(realign ? AfterRealign(before, "20240313", "20240316")
                                : AfterSingleMove(before, "20240313", "20240314", 20, true),
                        Capture(db));
        return;
    }
    EXPECT_EQ(Tail(ui.log, 2), Lines({realign ? "ERROR os_pay" : "ERROR OS_PAY->2",
                                      realign ? kRealignFailed : kSingleFailed}));
    // The other attachment's change stands; OS_PAY and everything after it stayed put.
    TableState& pay = before.at("OS_PAY");
    for (auto& row : pay.rows)
        if (row[pay.Column("SAL_YMD")] == "20240313" && row[pay.Column("SAL_SEQ")] == "2")
            row[pay.Column("PAY_AMT")] = "77";
    ExpectSameSales(realign ? AfterRealign(before, "20240313", "20240316", 9)
                            : AfterSingleMove(before, "20240313", "20240314", 4, false),
                    Capture(db));
}

INSTANTIATE_TEST_SUITE_P(FaultTest, AgainstALockedRow,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// A row the POS renumbers after the move read it (a trigger on table 4) is not moved: the move
// stops there.
TEST_F(Faults, ARowChangedSinceItWasReadStopsTheMoveAtIt) {
    SeedThreeSales(db);
    db.Exec(
        "create trigger T_RENUMBER for OS_MASTER after update as begin in autonomous transaction "
        "do update OS_PAY set SAL_SEQ = 9 where SAL_YMD = '20240313' and SAL_SEQ = 2; end");
    ChooseSingleMove("20240313", "20240314");
    Start();
    EXPECT_EQ(Tail(ui.log, 4), Lines({"OS_PAY->1 - 2024-03-14", "OS_PAY->2 - 2024-03-14",
                                      "ERROR OS_PAY->2", kSingleFailed}));
    EXPECT_EQ(db.Count("OS_MASTER", "SAL_YMD = '20240314'"), 3);
    EXPECT_EQ(db.Count("OS_PAY", "SAL_YMD = '20240313'"), 3);
}

// The server refuses a writer's next start or commit: the error line and, for the single-date
// move, the split warning. Param: the event, the table arming it, the units moved, the log's end.
struct RefusedWriter {
    bool realign;
    const char* event;
    const char* armedBy;
    size_t moved;
    Lines lastLines;
};

class WriterRefused : public Faults, public ::testing::WithParamInterface<RefusedWriter> {};

TEST_P(WriterRefused, GivesTheErrorLine) {
    const RefusedWriter& p = GetParam();
    SeedThreeSales(db);
    RefuseNextAfterUpdateOf(db, p.event, p.armedBy);
    form.IBDatabase1.Disconnect();  // for the trigger to take effect
    form.IBDatabase1.Connect();
    const SalesState before = Capture(db);
    p.realign ? ChooseRealign("20240313", "20240316") : ChooseSingleMove("20240313", "20240314");
    ASSERT_NO_THROW(Start());
    EXPECT_EQ(p.realign ? ui.log : Tail(ui.log, 3), p.lastLines);
    EXPECT_EQ(Dialogs(), p.realign ? Lines{kConfirm} : Lines({kConfirm, kSplit}));
    ExpectSameSales(p.realign ? AfterRealign(before, "20240313", "20240316", p.moved)
                              : AfterSingleMove(before, "20240313", "20240314", p.moved, false),
                    Capture(db));
}

// After table 6, table 7 cannot start; table 1 cannot commit; after statement 9, statement 10
// cannot start.
// clang-format off
INSTANTIATE_TEST_SUITE_P(FaultTest, WriterRefused, ::testing::Values(
    RefusedWriter{false, "start", "OS_PAY_INFO", 6,
                  {"OS_PAY_INFO->3 - 2024-03-14", "ERROR os_order_tbl_seq->3", kSingleFailed}},
    RefusedWriter{false, "commit", "OS_ORDER", 0,
                  {"OS_ORDER->3 - 2024-03-14", "ERROR OS_ORDER->3", kSingleFailed}},
    RefusedWriter{true, "start", "OS_ORDER_H", 9, {kRealignStart, "ERROR os_pay", kRealignFailed}}));
// clang-format on

// A selection that cannot be prepared (table 15's) leaves the handler without an end line.
TEST_F(Faults, FailedReadLeavesTheHandlerWithoutEndLine) {
    SeedThreeSales(db);
    db.Exec("alter table OS_ETC_INWON drop SAL_SEQ");
    const SalesState before = Capture(db);
    ChooseSingleMove("20240313", "20240314");
    EXPECT_THROW(Start(), db::DbError);
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 14, false), Capture(db));
    EXPECT_EQ(ui.log.size(), 2u + 3 * 14);  // the backup line stays
    EXPECT_EQ(ui.log.back(), "OS_TAXPAY->3 - 2024-03-14");
}

}  // namespace
}  // namespace datefix_test
