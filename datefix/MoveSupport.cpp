#include "datefix/MoveSupport.h"

#include "form/Trim.h"

namespace datefix {

const char* const kSalesOnTargetLine = "변경하실 날짜에 매출이 존재합니다.";

namespace {

constexpr const char* kEnterDate = "날짜를 입력하세요.";
constexpr const char* kCheckDate = "날짜를 확인하세요.";
constexpr const char* kJournalUnreadable =
    "매출일자 변경 기록을 읽을 수 없어 작업을 진행하지 않습니다.";

std::string Padded(int value, size_t width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

bool Refuse(form::WindowOps& ui, const char* text) {
    ui.AppendLog(text);
    ui.MessageDialog(text, form::DialogKind::Warning, form::DialogButtons::Ok);
    return false;
}

}  // namespace

MoveObjects::MoveObjects(db::DbConnection& database)
    : reader_(std::make_unique<db::DbTransaction>(&database, db::DbTransaction::Action::Commit)),
      readerQuery_(std::make_unique<db::DbQuery>(&database, reader_.get())),
      writer_(std::make_unique<db::DbTransaction>(&database, db::DbTransaction::Action::Commit)),
      writerQuery_(std::make_unique<db::DbQuery>(&database, writer_.get())) {}

MoveObjects::~MoveObjects() {
    reader_.reset();
    readerQuery_.reset();
    writer_.reset();
    writerQuery_.reset();
}

std::string DateText(const form::DateTimeValue& value) {
    return Padded(value.year, 4) + Padded(value.month, 2) + Padded(value.day, 2);
}

std::string Dashed(const std::string& yyyymmdd) {
    return yyyymmdd.substr(0, 4) + "-" + yyyymmdd.substr(4, 2) + "-" + yyyymmdd.substr(6, 2);
}

bool CheckDates(form::WindowOps& ui, const std::string& first, const std::string& second) {
    if (form::Trim(first).empty() || form::Trim(second).empty()) return Refuse(ui, kEnterDate);
    if (first.size() != 8 || second.size() != 8) return Refuse(ui, kCheckDate);
    if (first == second) return Refuse(ui, kCheckDate);
    return true;
}

bool ReadPickerDates(form::WindowOps& ui, std::string& first, std::string& second) {
    first = DateText(ui.PickerValue(form::PickerId::dtChange01));
    second = DateText(ui.PickerValue(form::PickerId::dtChange02));
    return CheckDates(ui, first, second);
}

bool ReadStoppedMove(form::FormState& form, std::optional<form::MoveJournalEntry>& stopped) {
    stopped.reset();
    form::MoveJournal* const store = form.moveJournal;
    if (!store) return true;
    const std::string database = form.IBDatabase1.DatabaseName();
    form::MoveJournalEntry entry;
    switch (store->Read(database, entry)) {
        case form::JournalState::None:
        case form::JournalState::Completed:
            return true;
        case form::JournalState::Found:
            // A journal without keys stopped before its first commit: nothing moved.
            if (!entry.rows.empty()) stopped = std::move(entry);
            return true;
        case form::JournalState::Unreadable:
            break;
    }
    form.ui.AppendLog(kJournalUnreadable);
    form.ui.MessageDialog(std::string(kJournalUnreadable) + "\r\n" + store->Location(database),
                          form::DialogKind::Warning, form::DialogButtons::Ok);
    return false;
}

std::string FinishFirstLine(const form::MoveJournalEntry& stopped) {
    return "중단된 매출일자 변경(" + stopped.wrongDate + " → " + stopped.targetDate +
           ")을 먼저 마치거나 되돌리세요.";
}

std::string StoppedMoveWarning(const form::MoveJournalEntry& stopped) {
    return stopped.wrongDate + " → " + stopped.targetDate +
           " 매출일자 변경이 중간에 중단되었습니다. 같은 날짜로 다시 실행하면 이어서 진행하고, 두 "
           "날짜를 바꿔 실행하면 되돌립니다.";
}

}  // namespace datefix
