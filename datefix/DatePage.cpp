#include "datefix/DatePage.h"

#include "datefix/MultiDateMove.h"
#include "datefix/SingleDateMove.h"
#include "form/ChangeGuard.h"

namespace datefix {

namespace {

constexpr const char* kChooseMode = "상단 옵션중 하나를 선택하세요.";
constexpr const char* kConfirm = "매출일자 변경 진행하시겠습니까?";

struct ModeLines {
    const char* start;
    const char* success;
    const char* failure;
};

constexpr ModeLines kSpecifiedLines = {"[지정된 날짜 변경] 진행중",
                                       "[지정된 날짜 변경] 정상 처리 되었습니다.",
                                       "[지정된 날짜 변경] 오류 발생"};
constexpr ModeLines kMultipleLines = {"[다중 날짜 변경] 진행중",
                                      "[다중 날짜 변경] 정상 처리 되었습니다.",
                                      "[다중 날짜 변경] 오류 발생"};

void SetLabels(form::WindowOps& ui, const char* first, const char* second,
               form::Alignment alignment) {
    ui.SetLabelCaption(form::LabelId::lbChange01, first);
    ui.SetLabelCaption(form::LabelId::lbChange02, second);
    ui.SetLabelAlignment(form::LabelId::lbChange01, alignment);
    ui.SetLabelAlignment(form::LabelId::lbChange02, alignment);
}

// Start line, the move, end line. A read failure inside the move passes through: no end line.
bool RunMode(form::FormState& form, const ModeLines& lines, bool (*move)(form::FormState&)) {
    form.ui.AppendLog(lines.start);
    const bool done = move(form);
    form.ui.AppendLog(done ? lines.success : lines.failure);
    return done;
}

}  // namespace

void RadioButton3Click(form::FormState& form, form::RadioId sender) {
    form::WindowOps& ui = form.ui;
    // The caption goes in the same step that shows the panel, so it is never seen.
    ui.SetPanelCaption("");
    ui.SetPanelVisible(true);
    switch (ui.Tag(sender)) {
        case 1:
            SetLabels(ui, "잘못되어있는 일자", "변경할 일자", form::Alignment::Left);
            break;
        case 2:
            SetLabels(ui, "일자선택", "~", form::Alignment::Right);
            break;
        default:
            ui.SetPanelCaption(kChooseMode);
            ui.SetPanelVisible(false);
            break;
    }
}

bool Button9Click(form::FormState& form) {
    form::WindowOps& ui = form.ui;
    if (!form::AskIfOthersConnected(form)) return !form.stoppedBeforeChange;
    if (ui.MessageDialog(kConfirm, form::DialogKind::Information, form::DialogButtons::OkCancel) !=
        form::kResultOk)
        return true;
    ui.ClearLog();
    if (ui.IsChecked(form::RadioId::RadioButton3))
        return RunMode(form, kSpecifiedLines, ChangeSpecifiedDate);
    if (ui.IsChecked(form::RadioId::RadioButton4))
        return RunMode(form, kMultipleLines, ChangeMultipleDates);
    return true;
}

}  // namespace datefix
