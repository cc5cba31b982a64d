#include "datefix/MoveSupport.h"

#include "form/Trim.h"

namespace datefix {

const char* const kSalesOnTargetLine = "변경하실 날짜에 매출이 존재합니다.";

namespace {

constexpr const char* kEnterDate = "날짜를 입력하세요.";
constexpr const char* kCheckDate = "날짜를 확인하세요.";

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

}  // namespace datefix
