// datefix_move_child scripted|window <database> <journal dir> <trace dir> <wrong> <target>
// [<commits before exit>]: a single-date move, every question answered OK, to be killed or ended.
#include <QApplication>

#include <cstdlib>
#include <string>

#include "app/MainWindow.h"
#include "app/MoveJournalFile.h"
#include "app/OperationTrace.h"
#include "datefix/DatePage.h"
#include "form/FormState.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/FaultyClientControl.h"
#include "tests/support/ScriptedWindow.h"

namespace {

void SetDate(testing_support::ScriptedWindow& ui, form::PickerId picker, const std::string& ymd) {
    ui.SetDate(picker, std::stoi(ymd.substr(0, 4)), std::stoi(ymd.substr(4, 2)),
               std::stoi(ymd.substr(6, 2)));
}

QDateTime DateTime(const std::string& ymd) {
    return QDateTime(QDate::fromString(QString::fromStdString(ymd), QStringLiteral("yyyyMMdd")),
                     QTime(9, 15));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) return 2;
    const std::string mode = argv[1], database = argv[2], wrong = argv[5], target = argv[6];
    if (argc >= 8) {
        testing_support::UseFaultyClient();
        testing_support::ExitAfterCommits(std::atoi(argv[7]));
    }
    app::MoveJournalFile journal(QString::fromLocal8Bit(argv[3]));

    if (mode == "scripted") {
        testing_support::ScriptedWindow ui;
        form::FormState form(ui, database);
        form.moveJournal = &journal;
        form.IBDatabase1.Connect();
        ui.checked = {{form::RadioId::RadioButton3, true}};
        datefix::RadioButton3Click(form, form::RadioId::RadioButton3);
        SetDate(ui, form::PickerId::dtChange01, wrong);
        SetDate(ui, form::PickerId::dtChange02, target);
        return datefix::Button9Click(form) ? 0 : 1;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    app::OperationTrace trace(QString::fromLocal8Bit(argv[4]));
    app_testing::DialogRecorder dialogs;
    app::TfmMain window(database, dialogs);
    window.State().moveJournal = &journal;
    window.SetTrace(&trace);
    window.ShowMain();
    window.PageControl1->SetActivePageIndex(window.PageControl1->PageCount() - 1);
    window.RadioButton3->setChecked(true);
    window.dtChange01->SetDateTime(DateTime(wrong));
    window.dtChange02->SetDateTime(DateTime(target));
    window.Button9->click();
    const std::vector<std::string> log = app_testing::LogLines(window);
    window.FormClose();
    return !log.empty() && log.back() == "[지정된 날짜 변경] 정상 처리 되었습니다." ? 0 : 1;
}
